// Qt events of the pane (resize, enter, leave) and the host's events.
#include <QFontMetrics>
#include <QMouseEvent>
#include <QResizeEvent>

#include "dialogs/CParamRankWidget.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/config/QLLog.h"
#include "platform/framework/CUiResource.h"
#include "platform/indexui/CMessageTipBox.h"

namespace TC {

void CKLineGraphWidget::resizeEvent(QResizeEvent* event)
{
    KW::CBaseWidget::resizeEvent(event);
    if (m_pUiParam) {
        QRect r = rect();
        m_pUiParam->resize(r);
    }
    m_graphImage = QImage(size().isEmpty() ? QSize(1, 1) : size(), QImage::Format_RGB32);
    KW::CUiResource* res = KW::CUiResource::instance();
    const QFontMetrics fm(res->getFont(QStringLiteral("fnt_graph_axis_text")));
    const int describeWidth = res->getSize(QStringLiteral("ic_siz_winner_discribe_width"));
    m_descriptionPixmap =
        QPixmap(qMax(describeWidth, 1), 4 * fm.boundingRect(QStringLiteral(" ")).height() + 16);
    refreshGraph();
    deliverEvent(186, 0, 0, QString(), nullptr);
    setGraphRect(QRectF(10, 10, width() - 20, height() - 20));
    recalcAxisByValue();
}

void CKLineGraphWidget::enterEvent(QEvent* event)
{
    KW::CBaseWidget::enterEvent(event);
    m_mouseIn = true;
    updateCrosshair();
}

void CKLineGraphWidget::leaveEvent(QEvent* event)
{
    KW::CBaseWidget::leaveEvent(event);
    m_tradeTipShown = false;
    m_mouseIn = false;
    m_dragging = false;
    m_zoomSelecting = false;
    m_statSelecting = false;
    if (m_paramRank && m_paramRank->isVisible())
        m_paramRank->hide();
    if (m_tipBox && !(m_pUiParam && m_pUiParam->crossVisible))
        m_tipBox->hide();
    recalcValueByAxis();
    onMouseRelease(nullptr);
    update();
}

void CKLineGraphWidget::setZoomSelecting(bool on, const QRect& rect)
{
    m_zoomSelecting = on;
    m_zoomRect = on ? rect : QRect();
    update();
}

void CKLineGraphWidget::setStatSelecting(bool on, const QRect& rect)
{
    m_statSelecting = on;
    m_statRect = on ? rect : QRect();
    update();
}

void CKLineGraphWidget::setTradeTips(const QVector<CTradeTip>& deals, const QVector<CTradeTip>& orders)
{
    m_dealTips = deals;
    m_orderTips = orders;
    m_tradeTipShown = !deals.isEmpty() || !orders.isEmpty();
    update();
}

void CKLineGraphWidget::themeChanged()
{
    KW::CBaseWidget::themeChanged();
    m_winnerDescriptionKey.clear();
    refreshGraph();
    update();
}

bool CKLineGraphWidget::handleEvent(int id, int p1, int p2, const QString& text, void* data)
{
    switch (id) {
    case 1:
    case 3:
    case 4:
    case 5:
    case 7:
        // The option expectation buttons' drag.
        if (handleWinnerEvent(id, p1, p2, text))
            return true;
        break;
    case 192:
    case 3196:
        return true;
    case 216:
        deliverEvent(216, p1, m_paneIndex, text, data);
        return true;
    case 3101:
        clearData();
        requestData(true, 0);
        return true;
    case 3177:
        if (m_pUiParam && (p2 != 0) != m_pUiParam->lockCursor) {
            deliverEvent(202, 0, 0, QString(), nullptr);
            return true;
        }
        return false;
    case 3186:
        if (p1 == 10 && !m_rankHits.isEmpty()) {
            QLLOG_INFO(qlog::kStdLogger, "ranking-list dialog not available, hits:%1%", m_rankHits.size());
            return false;
        }
        break;
    default:
        break;
    }
    return KW::CBaseWidget::handleEvent(id, p1, p2, text, data);
}

} // namespace TC
