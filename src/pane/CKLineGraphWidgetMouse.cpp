// Mouse input of the pane: crosshair moves, drag-scrolling, zoom and
// statistics selections, locking, quick buy/sell clicks and the value popup.
// The pane reports what the user did; the host moves the window and the
// crosshair (wheel and keys are the host's too).
#include <cfloat>
#include <cmath>

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QToolTip>

#include "dialogs/CParamRankWidget.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/config/CUserConfig.h"
#include "platform/framework/KWFormat.h"
#include "platform/indexui/CDrawStyle.h"
#include "platform/indexui/CMessageTipBox.h"
#include "platform/indexui/GraphShowTick.h"
#include "platform/market/InstrumentAccess.h"
#include "platform/trading/CDealDetail.h"
#include "platform/trading/COrderDetail.h"
#include "platform/trading/TradeTexts.h"
#include "series/CKLineData.h"

namespace TC {

namespace {
const int kMinSelection = 30;
const int kHoverRows = 4;
} // namespace

QPoint CKLineGraphWidget::clampToPlot(const QPoint& p) const
{
    const int right = width() - (m_pUiParam ? m_pUiParam->axisWidth : 0);
    return QPoint(std::min(p.x(), right), p.y());
}

QString CKLineGraphWidget::priceText(double value) const
{
    const int digits = CKLineData::tickDigits(m_pUiParam ? getDetailPriceTick(m_pUiParam->curStock) : DBL_MAX);
    return KW::formatDoubleNumber(value, getGraphShowTick(value, digits), 0x40000, false,
                                  QStringLiteral("非法值"));
}

void CKLineGraphWidget::dragScroll(int x)
{
    if (!m_pUiParam || width() <= 0)
        return;
    const int span = m_pUiParam->getMaxDispIndex() - m_pUiParam->getMinDispIndex();
    const int bars = int((qint64(m_dragX) - x) * span / width());
    setCursor(Qt::ClosedHandCursor);
    if (std::abs(bars) >= 1)
        m_dragX = x;
    deliverEvent(193, 0, bars, QString(), nullptr);
}

void CKLineGraphWidget::mousePressEvent(QMouseEvent* event)
{
    KW::CBaseWidget::mousePressEvent(event);
    if (event->button() == Qt::RightButton) {
        m_rightDown = true;
        m_menuOnRelease = false;
    }
    if (m_quickBuySell) {
        if (m_displayType != 0) {
            event->ignore();
            return;
        }
        const Qt::KeyboardModifiers mods = event->modifiers();
        const bool ctrl = mods == Qt::ControlModifier;
        const bool ctrlShift = mods == (Qt::ControlModifier | Qt::ShiftModifier);
        if ((ctrl || ctrlShift) && (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) &&
            m_pData) {
            const double value = m_pData->valueAtY(m_mousePoint.y(), rect());
            deliverEvent(event->button() == Qt::LeftButton ? 3246 : 3247, 0, ctrlShift ? 1 : 0, priceText(value),
                         nullptr);
        }
        return;
    }
    if (onMousePress(event, this)) {
        update();
        return;
    }
    if (!m_pUiParam)
        return;
    CKLineUiParam& ui = *m_pUiParam;
    if (event->button() == Qt::LeftButton) {
        if (ui.lockCursor) {
            ui.lockedIndex = ui.getIndexByXAxis(ui.getMouseX());
            deliverEvent(183, 0, ui.lockedIndex, QString(), nullptr);
        }
        // One press starts one of the two; a press whose release never
        // came (a double-click, a release outside) does not linger.
        if (ui.crossVisible) {
            m_zoomAnchor = clampToPlot(event->pos());
            m_zoomSelecting = true;
            m_zoomRect = QRect();
            m_dragging = false;
        } else {
            m_dragX = event->pos().x();
            m_dragging = true;
            m_zoomSelecting = false;
        }
    } else if (event->button() == Qt::RightButton) {
        if (ui.crossVisible) {
            m_statAnchor = clampToPlot(event->pos());
            m_statSelecting = true;
            m_statOpen = true;
            m_statRect = QRect();
        }
        return;
    }
    if (ui.lockCursor) {
        const QDateTime t = ui.getDateTimeByIndex(ui.lockedIndex);
        deliverEvent(3093, 0, 0, t.toString(QStringLiteral("yyyy/MM/dd hh:mm")), nullptr);
        ui.lockClicked = true;
        ui.crossOnClose = false;
        deliverEvent(187, ui.getXAxisByIndex(ui.crossIndex, -1, -1), ui.getIndexByXAxis(ui.getMouseX()), QString(),
                     nullptr);
    }
    deliverEvent(181, 0, 0, QString(), nullptr);
}

void CKLineGraphWidget::mouseMoveEvent(QMouseEvent* event)
{
    KW::CBaseWidget::mouseMoveEvent(event);
    if (onMouseMove(event)) {
        update();
        return;
    }
    // Selections and the trade tip box span the pane: they repaint it whole.
    const bool wholePane = m_dragging || m_zoomSelecting || m_statSelecting || m_tradeTipShown;
    if (m_dragging) {
        dragScroll(event->pos().x());
    } else if (m_zoomSelecting) {
        m_zoomRect = QRect(m_zoomAnchor, clampToPlot(event->pos())).normalized();
        m_zoomRect.setSize(QSize(std::abs(clampToPlot(event->pos()).x() - m_zoomAnchor.x()),
                                 std::abs(event->pos().y() - m_zoomAnchor.y())));
    } else if (m_statSelecting) {
        m_statRect = QRect(m_statAnchor, clampToPlot(event->pos())).normalized();
        m_statRect.setSize(QSize(std::abs(clampToPlot(event->pos()).x() - m_statAnchor.x()),
                                 std::abs(event->pos().y() - m_statAnchor.y())));
    }
    m_mousePoint = event->pos();
    if (!m_pUiParam)
        return;
    CKLineUiParam& ui = *m_pUiParam;
    ui.setMouseX(event->pos().x());
    const int hover = ui.getIndexByXAxis(ui.getMouseX());
    const int crossX = ui.getXAxisByIndex(ui.crossIndex, -1, -1);
    ui.crossOnClose = false;
    ui.lockClicked = false;
    if (m_pData)
        updateParamPopup(hover, event->globalPos());
    deliverEvent(187, crossX, hover, QString(), nullptr);
    m_mouseIn = true;
    // The ex-rights records of a mark in the bottom band.
    QStringList dividLines;
    if (m_pData && m_pData->getDividTip(event->pos(), rect(), dividLines))
        QToolTip::showText(event->globalPos(), dividLines.join(QLatin1Char('\n')), this);
    else if (QToolTip::isVisible())
        QToolTip::hideText();
    // The crosshair names its own bar's listing; a free mouse only the mark
    // it is over.
    if (ui.crossVisible)
        updateRankTip(ui.crossIndex);
    else if (m_pData)
        updateRankTip(event->pos());
    m_tradeTipShown = false;
    if (wholePane)
        update();
    else
        updateCrosshair();
}

void CKLineGraphWidget::updateRankTip(const QPoint& point)
{
    if (!m_pData)
        return;
    QPoint hit = point;
    CKLineData::RankRecords records;
    if (!m_pData->getRankListAt(hit, records))
        records.clear();
    showRankTip(records, hit.x());
}

void CKLineGraphWidget::updateRankTip(int bar)
{
    if (!m_pData)
        return;
    CKLineData::RankRecords records;
    int x = 0;
    if (!m_pData->getRankListOfBar(bar, records, &x))
        records.clear();
    showRankTip(records, x);
}

void CKLineGraphWidget::showRankTip(const QVector<std::shared_ptr<se::LongHuBangRankListInfo>>& records,
                                    int markX)
{
    if (!m_tipBox || !m_pUiParam)
        return;
    m_rankHits = records;
    QStringList names;
    for (const auto& r : records)
        if (r && !r->reason.empty())
            names << QString::fromStdString(r->reason);
    if (names.isEmpty()) {
        m_tipBox->hide();
        return;
    }
    const int w = m_tipBox->textWidth(names);
    const int minX = m_pUiParam->getXAxisByIndex(m_pUiParam->getMinDispIndex(), -1, -1);
    const int maxX = m_pUiParam->getXAxisByIndex(m_pUiParam->getMaxDispIndex(), -1, -1);
    int left = markX - w / 2;
    if (left < minX)
        left = minX;
    else if (markX + w / 2 > maxX)
        left = maxX - w;
    m_tipBox->setTip(names);
    m_tipBox->move(left, 5);
    m_tipBox->show();
    m_tipBox->raise();
}

void CKLineGraphWidget::mouseReleaseEvent(QMouseEvent* event)
{
    KW::CBaseWidget::mouseReleaseEvent(event);
    if (m_dragging) {
        dragScroll(event->pos().x());
        m_dragging = false;
        setCursor(Qt::ArrowCursor);
    } else if (m_zoomSelecting) {
        if (m_zoomRect.width() > kMinSelection && m_pUiParam) {
            const int first = std::max(m_pUiParam->getIndexByXAxis(m_zoomRect.left()), 0);
            const int last = m_pUiParam->getIndexByXAxis(m_zoomRect.left() + m_zoomRect.width());
            deliverEvent(190, first, last, QString(), nullptr);
        }
        m_zoomSelecting = false;
        m_zoomRect = QRect();
    }
    if (m_statSelecting && m_statRect.width() > kMinSelection)
        m_statOpen = false;
    recalcValueByAxis();
    onMouseRelease(event);
    update();
    if (event->button() == Qt::RightButton) {
        m_rightDown = false;
        if (m_menuOnRelease) {
            m_menuOnRelease = false;
            openContextMenu(event->globalPos());
        }
    }
}

void CKLineGraphWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (m_quickBuySell) {
        event->ignore();
        return;
    }
    // A double-click on the selected drawn line opens its attributes.
    if (onMouseDoubleClick(event)) {
        update();
        return;
    }
    if (!m_pUiParam)
        return;
    CKLineUiParam& ui = *m_pUiParam;
    if (!ui.enableDoubleClick) {
        if (m_displayType == 0 && event->button() == Qt::LeftButton && ui.tradeMarkMode != 1)
            hitTradeMarks(event->pos());
        return;
    }
    KW::CBaseWidget::mouseDoubleClickEvent(event);
    // The press before a double-click started a drag that is none.
    m_dragging = false;
    setCursor(Qt::ArrowCursor);
    if (m_viewType == 3)
        deliverEvent(189, 0, int(ui.period), QString(), nullptr);
    if (m_displayType != 0)
        deliverEvent(206, m_paneIndex, 0, QString(), nullptr);
    if (m_displayType == 0 && event->button() == Qt::LeftButton && ui.tradeMarkMode != 1 &&
        hitTradeMarks(event->pos()))
        return;
    ui.crossIndex = ui.getIndexByXAxis(ui.getMouseX());
    if (ui.period == 86400 && m_pData) {
        double v = DBL_MAX;
        const auto it = m_pData->getData().constFind(CFormulaKey(ui.getCurrKey(), QStringLiteral("KLINE")));
        if (it != m_pData->getData().constEnd() && ui.crossIndex > 0 && ui.crossIndex - 1 < it->barCount())
            v = it->value(0, ui.crossIndex - 1, 0);
        const int t = int(ui.getDateTimeByIndex(ui.crossIndex).toSecsSinceEpoch());
        deliverEvent(3073, 0, t, QString::number(v, 'g', 6), nullptr);
    }
    ui.crossVisible = !ui.crossVisible;
    m_mousePoint = event->pos();
    ui.setMouseX(event->pos().x());
    ui.crossOnClose = false;
    const int x = ui.getXAxisByIndex(ui.crossIndex, -1, -1);
    int bar = ui.crossIndex;
    if (!ui.crossVisible && !ui.lockCursor)
        bar = ui.isLevelHolographic() ? ui.getLastIndex() : -1;
    deliverEvent(187, x, bar, QString(), nullptr);
    m_mouseIn = true;
    update();
}

bool CKLineGraphWidget::event(QEvent* e)
{
    if (e->type() == QEvent::ToolTip) {
        // Qt's own tool tip never shows: the pane draws its trade tip box.
        m_dealTips.clear();
        m_orderTips.clear();
        const bool wasShown = m_tradeTipShown;
        m_tradeTipShown = false;
        if (m_pData && m_pUiParam) {
            const int x = m_pUiParam->getMouseX();
            QVector<std::shared_ptr<qlservice::CDealDetail>> deals;
            m_pData->getDealsAt(x, m_mousePoint.y(), deals);
            for (const auto& d : deals)
                m_dealTips.append(tradeTip(d->m_direction, d->m_offsetFlag, d->m_volume, d->m_price));
            if (m_dealTips.isEmpty()) {
                QVector<std::shared_ptr<qlservice::COrderDetail>> orders;
                m_pData->getOrdersAt(x, m_mousePoint.y(), orders);
                for (const auto& o : orders)
                    m_orderTips.append(tradeTip(o->m_direction, o->m_offsetFlag, o->m_volume, o->m_price));
            }
            m_tradeTipShown = !m_dealTips.isEmpty() || !m_orderTips.isEmpty();
        }
        if (m_tradeTipShown || wasShown)
            update();
        return true;
    }
    return KW::CBaseWidget::event(e);
}

CTradeTip CKLineGraphWidget::tradeTip(int direction, int offsetFlag, qint64 volume, double price)
{
    CTradeTip tip;
    tip.direction = qlservice::isBuyByDirection(direction, offsetFlag) ? 0 : 1;
    tip.offsetFlag = offsetFlag;
    tip.volume = volume;
    tip.price = price;
    return tip;
}

bool CKLineGraphWidget::hitTradeMarks(const QPoint& pos)
{
    if (!m_pData)
        return false;
    const char* kind = m_pData->hitOrderMark(pos.x(), pos.y())  ? "linkage_orders"
                       : m_pData->hitDealMark(pos.x(), pos.y()) ? "linkage_deals"
                       : m_pData->hitTaskMark(pos.x(), pos.y()) ? "linkage_tasks"
                                                                : nullptr;
    if (!kind)
        return false;
    deliverEvent(3164, pos.x(), pos.y(), QString::fromLatin1(kind), this);
    return true;
}

void CKLineGraphWidget::updateParamPopup(int hover, const QPoint& globalPos)
{
    if (!m_paramRank || !m_pData)
        return;
    const RPCFormulaResultCache* cache = nullptr;
    const CFormulaKey* key = nullptr;
    QString name;
    QPair<double, double> range(0.0, 0.0);
    for (auto it = m_pData->getData().constBegin(); it != m_pData->getData().constEnd(); ++it)
        if (m_pData->getMaxMinMap().contains(it.key())) {
            cache = &it.value();
            key = &it.key();
            name = it.key().formula;
            range = m_pData->getMaxMinMap().value(it.key());
            break;
        }
    m_paramRank->clearRows();
    if (cache && hover >= 0 && hover < cache->barCount()) {
        const QVector<ArrowColorTextData> texts = CDrawStyle::getTitleTextData(*cache, hover, false);
        int piece = 0;
        for (int o = 0; o < cache->outputCount(); ++o) {
            const int cols = std::max(1, int(cache->columnsOf(o).size()));
            const int style = cache->styleCode(o);
            const double v = cache->value(o, hover, 0);
            if ((style < 2 || style == 200) && style >= 0 && CDrawStyle::isValue(v)) {
                // The range the curve was drawn with (an output off the pane's
                // scale has its own over the window), not a scan of the bars.
                QPair<double, double> drawn = range;
                m_pData->drawnRange(*key, o, drawn);
                const double max = drawn.first;
                const double min = drawn.second;
                const int y = max == min ? height() / 2 : int(height() - (v - min) * height() / (max - min));
                if (std::abs(m_mousePoint.y() - y) < kHoverRows && piece < texts.size()) {
                    const QString text = texts.at(piece).text;
                    const int colon = text.indexOf(QLatin1Char(':'));
                    if (colon < 0)
                        m_paramRank->addRow(text, QString(), texts.at(piece).color, 0);
                    else
                        m_paramRank->addRow(text.left(colon + 1), text.mid(colon + 1).trimmed(),
                                            texts.at(piece).color, 0);
                }
            }
            piece += cols;
        }
    }
    m_paramRank->setTitle(name);
    m_paramRank->relayout();
    QRect box(QPoint(0, 0), m_paramRank->size());
    box.moveBottomLeft(globalPos + QPoint(5, -5));
    if (const QScreen* screen = QGuiApplication::screenAt(globalPos)) {
        const QRect avail = screen->availableGeometry();
        if (box.right() > avail.right())
            box.moveRight(globalPos.x() - 5);
        if (box.bottom() > avail.bottom())
            box.moveBottom(avail.bottom());
    }
    if (box.top() < 0)
        box.moveTop(0);
    m_paramRank->move(box.topLeft());
    const bool rows = m_paramRank->rowCount() > 0;
    if (rows != m_paramRank->isVisible() && SingletonManager::getIndexUserConfig()->get().showParamRank)
        m_paramRank->setVisible(rows);
}

} // namespace TC
