// The pane as host of the drawing-tool engine: coordinate conversions and
// the engine's notifications.
#include <climits>
#include <cmath>

#include "dialogs/CGraphAttributeDialog.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/config/CAppConfig.h"
#include "platform/config/QLLog.h"
#include "platform/framework/CDrawGraphManager.h"
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

void CKLineGraphWidget::onGraphStateChanged(int state)
{
    // A cross marks the pane while a tool waits for its points.
    setCursor(state == 2 ? Qt::CrossCursor : Qt::ArrowCursor);
}

bool CKLineGraphWidget::startDrawTool(int type)
{
    if (!m_pUiParam || m_pUiParam->getLastIndex() < 0)
        return false;
    setLineAttribute(m_currGraphColor.isEmpty() ? KW::CGraphShape::defaultColorKey() : m_currGraphColor, 0,
                     0);
    if (!beginDrawGraph(type))
        return false;
    update();
    return true;
}

CKLineGraphWidget::GraphAttributePrompt& CKLineGraphWidget::graphAttributePrompt()
{
    static GraphAttributePrompt prompt;
    return prompt;
}

void CKLineGraphWidget::setGraphAttributePrompt(GraphAttributePrompt prompt)
{
    graphAttributePrompt() = std::move(prompt);
}

void CKLineGraphWidget::onEditGraphAttribute()
{
    const int index = currGraph();
    if (index < 0 || index >= graphCount())
        return;
    const KW::CGraphShape shape = graphs().at(index);
    const int period = m_pUiParam ? int(m_pUiParam->period) : 0;
    CGraphAttributeDialog dialog(m_stockKey, period, this);
    // The line's own reading first, else the record's last choice.
    const bson::BSONObj stored = CDrawGraphManager::getGraphData(m_drawGraphKey);
    double type = 0;
    const int recorded = KW::CGraphShape::readNumber(stored, "type", type, 0, 1) ? int(type) : 0;
    dialog.setButtonCheckedByID(shape.direction == 1 ? 1 : recorded);
    dialog.setLineAttribute(shape.colorKey, shape.width, shape.style);
    if (shape.type == KW::CGraphShape::TextNote)
        dialog.setNoteText(shape.text);
    const GraphAttributePrompt& prompt = graphAttributePrompt();
    const int answer = prompt ? prompt(dialog) : dialog.exec();
    if (answer != 1)
        return;
    const int direction = dialog.getCheckedButtonID() == 1 ? 1 : 0;
    if (!setGraphAttribute(index, dialog.colorKey(), dialog.lineWidth(), dialog.lineStyle(), direction,
                           dialog.noteText()))
        return;
    // The record keeps the last direction and the period with the shapes.
    bson::BSONObjBuilder b;
    try {
        bson::BSONObjIterator it(CDrawGraphManager::getGraphData(m_drawGraphKey));
        while (it.more()) {
            const bson::BSONElement e = it.next();
            const std::string name = e.fieldName();
            if (name != "type" && name != "period" && name != "graphs")
                b.append(e);
        }
    } catch (const std::exception&) {
        // An unreadable record is replaced by what the pane holds.
    }
    b.append("type", direction);
    b.append("period", period);
    b.appendElements(getParam());
    CDrawGraphManager::setGraphData(m_drawGraphKey, b.obj());
    update();
}

} // namespace TC
