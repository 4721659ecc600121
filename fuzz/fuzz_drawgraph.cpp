// Feeds arbitrary bytes to the drawings file parser and every record it
// accepts to the drawing-tool engine: it must refuse or load, never crash;
// what the engine loads must survive a write and a second read with the
// same shapes.
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "platform/framework/CDrawGraphManager.h"
#include "platform/framework/IGraphWidget.h"

namespace {

// Conversions that cast to int like a chart's axes do, range-checked first.
class CFuzzEngine : public KW::IGraphWidget
{
public:
    CFuzzEngine()
    {
        initConvFunc([](QPointF p) { return p * 3.0; },
                     [](QPointF v) {
                         const auto cast = [](double d) {
                             return std::isfinite(d) && d > INT_MIN && d < INT_MAX ? double(int(d / 3.0))
                                                                                   : NAN;
                         };
                         return QPointF(cast(v.x()), cast(v.y()));
                     });
    }
    void onDone() override {}
    void onGraphNotify(void*) override {}
    void onGraphStateChanged(int) override {}
    void onEditGraphAttribute() override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TC::CDrawGraphManager::Records records;
    if (!TC::CDrawGraphManager::parse(QByteArray(reinterpret_cast<const char*>(data), int(size)), records))
        return 0;
    TC::CDrawGraphManager::Records again;
    if (!TC::CDrawGraphManager::parse(QByteArray::fromStdString(TC::CDrawGraphManager::serialize(records)),
                                      again) ||
        again.size() != records.size())
        std::abort();
    for (const auto& r : records) {
        CFuzzEngine e;
        if (!e.setSingleParam(r.second))
            continue;
        e.recalcAxisByValue();
        e.recalcValueByAxis();
        if (e.graphCount() > KW::IGraphWidget::kMaxShapes)
            std::abort();
        CFuzzEngine f;
        if (!f.setParam(e.getParam()) || f.graphCount() != e.graphCount())
            std::abort();
        for (int i = 0; i < e.graphCount(); ++i) {
            const KW::CGraphShape& a = e.graphs().at(i);
            const KW::CGraphShape& b = f.graphs().at(i);
            if (a.type != b.type || a.valueA != b.valueA || a.valueB != b.valueB || a.width != b.width ||
                a.style != b.style || a.direction != b.direction || a.text != b.text)
                std::abort();
        }
        if (e.graphCount() > 0) {
            e.selectGraph(0);
            e.deleteCurrGraph();
        }
    }
    return 0;
}
