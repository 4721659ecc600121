// The pane as host of the drawing-tool engine: coordinate conversions and
// the engine's notifications.
#include <climits>
#include <cmath>

#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/config/CAppConfig.h"
#include "platform/config/QLLog.h"
#include "series/CKLineData.h"

namespace TC {

QPointF CKLineGraphWidget::pixelToValue(const QPointF& pixel) const
{
    QPointF v = pixel;
    if (m_pUiParam) {
        const int tag =
            m_pUiParam->getTimeTagByIndex(m_pUiParam->getIndexByXAxis(int(std::lround(pixel.x()))));
        if (tag == -1)
            v.setX(NAN);
        else
            v.setX(CAppConfig::isClientType(3) ? double(tag) * 1000.0 : double(tag));
    }
    if (m_pData)
        v.setY(m_pData->valueAtY(int(std::lround(pixel.y())), rect()));
    return v;
}

QPointF CKLineGraphWidget::valueToPixel(const QPointF& value) const
{
    QPointF p = value;
    if (m_pUiParam) {
        double t = value.x();
        if (CAppConfig::isClientType(3))
            t /= 1000.0;
        const int bar = std::isfinite(t) && t > INT_MIN && t < INT_MAX
                            ? m_pUiParam->getIndexByTimeTag(int(std::floor(t)))
                            : -1;
        p.setX(bar < 0 ? NAN : double(m_pUiParam->getXAxisByIndex(bar, -1, -1)));
    }
    if (m_pData) {
        const int y = m_pData->yOfValue(value.y(), rect());
        p.setY(y == INT_MIN ? NAN : double(y));
    }
    return p;
}

void CKLineGraphWidget::onDone()
{
    update();
}

void CKLineGraphWidget::onGraphNotify(void* data)
{
    deliverEvent(3183, 0, 0, QString(), data);
    update();
}

void CKLineGraphWidget::onGraphStateChanged(int)
{
}

void CKLineGraphWidget::onEditGraphAttribute()
{
    QLLOG_INFO(qlog::kStdLogger, "line attribute dialog not available, key:%1%", m_drawGraphKey);
}

} // namespace TC
