// Restores arbitrary layout texts into a chart: the first byte picks the
// entry (even: the full parameter, setParam; odd: the per-period default,
// setDefaultParam), the rest is the text; FUZZ_CHART_ENTRY=param or default
// holds the entry whatever the first byte. Run with the dictionary and the
// leak suppressions of the system libraries:
//   LSAN_OPTIONS=suppressions=scripts/lsan.supp FUZZ_CHART_ENTRY=param \
//     build-fuzz/fuzz/fuzz_chart_param -dict=fuzz/fuzz_chart_param.dict CORPUS
// Beyond not crashing, a restored chart must hold no formula the catalogue
// lacks, no more sub-panes than a restore allows and no pane id twice.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include <QApplication>
#include <QDir>

#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "FuzzFolder.h"

namespace {

int g_entry = -1; // -1 by the first byte, 0 full, 1 default

using fuzz::check;

void checkChart(TC::CKLineMainWidget& chart)
{
    check(chart.subPanes().size() <= TC::CKLineMainWidget::kMaxRestoredSubPanes);
    const std::vector<int> ids = chart.getKeyList();
    check(std::set<int>(ids.begin(), ids.end()).size() == ids.size());
    QVector<TC::CKLineWidget*> panes = chart.subPanes();
    panes.prepend(chart.mainPane());
    for (TC::CKLineWidget* pane : panes)
        for (const QString& f : pane->indexNames())
            check(bool(TC::CFormulaOperateManager::getFormula(f)));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Logs and user files stay out of the user's own folder.
    fuzz::defaultHome("fuzz_chart_param_home");
    // Never destroyed: the platform plugin's screens would be reported as
    // leaks at exit.
    static QApplication* app = new QApplication(*argc, *argv);
    Q_UNUSED(app);
    const QByteArray entry = qgetenv("FUZZ_CHART_ENTRY");
    g_entry = entry == "param" ? 0 : entry == "default" ? 1 : -1;
    // The platform's screens, the catalogue and the market load once here,
    // not inside the first input (where they would count as its leaks).
    {
        TC::CKLineMainWidget warmUp(nullptr, 0);
        warmUp.setDefaultParam("{}");
        warmUp.setParam(warmUp.param(false));
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool full = g_entry < 0 ? data[0] % 2 == 0 : g_entry == 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    {
        TC::CKLineMainWidget chart(nullptr, 0);
        if (full)
            chart.setParam(QString::fromStdString(text));
        else
            chart.setDefaultParam(text);
        checkChart(chart);
        // What a restore leaves must write and load again.
        TC::CKLineMainWidget copy(nullptr, 0);
        copy.setParam(chart.param(false));
        checkChart(copy);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
