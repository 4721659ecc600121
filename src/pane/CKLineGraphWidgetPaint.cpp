// The pane's picture: the cached series drawing and the live overlays.
#include <climits>
#include <cstring>

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

#include "dialogs/CParamRankWidget.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/framework/CUiResource.h"
#include "platform/framework/KWFormat.h"
#include "platform/indexui/CMessageTipBox.h"
#include "platform/indexui/GraphShowTick.h"
#include "platform/market/InstrumentAccess.h"
#include "series/CKLineData.h"

namespace TC {

namespace {

const char* const kBackgroundKey = "ic_clr_graph_kline_bg";
const char* const kInvalidText = "非法值";
const int kLabelHeight = 20;
const int kTipLineHeight = 20;

QColor colour(const char* key)
{
    return KW::CUiResource::instance()->getColor(QLatin1String(key));
}

// Fixed by the terminal, independent of the theme.
QColor lockLineColour()
{
    return QColor(24, 179, 179, 255);
}

QColor groupNoticeColour()
{
    return QColor(255, 0, 0);
}

bool isBuyByDirection(int direction, int /*offsetFlag*/)
{
    return direction == 0;
}

} // namespace

void CKLineGraphWidget::refreshGraph()
{
    // A series pass may deliver events whose handlers refresh again; the
    // nested call would rebuild the ranges under the running painter.
    if (m_painting)
        return;
    m_painting = true;
    prepareRefresh();
    if (!m_graphImage.isNull()) {
        ++m_refreshCount;
        drawPicture(QRegion());
    }
    finishRefresh();
    m_painting = false;
}

QRegion CKLineGraphWidget::refreshTail()
{
    if (m_painting)
        return QRegion();
    const QRect pane = rect();
    if (!m_pData || m_graphImage.isNull() || !m_tailStateValid || !m_pData->coversAreLocal()) {
        refreshGraph();
        return QRegion(pane);
    }
    m_painting = true;
    prepareRefresh();
    ++m_refreshCount;
    // The window, the ranges and the axis are those of the picture: only the
    // newest bars' strip can differ. Drawn clipped to it, its pixels are
    // those of a full redraw.
    const QRect strip = m_pData->tailStrip(pane);
    const CKLineData::PictureState before = m_tailState;
    bool partial = m_pData->pictureState(pane).sameLayout(before);
    if (partial) {
        drawPicture(QRegion(strip));
        // A curve off the pane's scale rescaled, or a mark moved: the rest
        // of the picture changed too.
        partial = m_tailState == before;
        if (partial)
            ++m_tailRefreshCount;
    }
    if (!partial)
        drawPicture(QRegion());
    finishRefresh();
    m_painting = false;
    return partial ? QRegion(strip) : QRegion(pane);
}

void CKLineGraphWidget::prepareRefresh()
{
    // The value range, the instrument's tick or the theme may have changed.
    clearAxisLabelCache();
    const QRect pane = rect();
    if (!m_pData)
        return;
    m_pData->calcDrawRange(pane);
    m_pData->calcYAxis(pane);
    m_pData->calcDividData(pane);
    m_pData->calcLongHuBangData(pane);
    // The marks moved (or went with the instrument or period): a tip names
    // only what is under the crosshair or the mouse now.
    if (m_tipBox && m_tipBox->isVisible()) {
        if (m_pUiParam && m_pUiParam->crossVisible)
            updateRankTip(m_pUiParam->crossIndex);
        else if (m_mouseIn)
            updateRankTip(m_mousePoint);
        else
            m_tipBox->hide();
    }
}

void CKLineGraphWidget::drawPicture(const QRegion& clip)
{
    const QRect pane = rect();
    if (clip.isEmpty()) {
        m_graphImage.fill(colour(kBackgroundKey));
    }
    if (m_pData) {
        QPainter painter(&m_graphImage);
        if (!clip.isEmpty()) {
            painter.setClipRegion(clip);
            painter.fillRect(clip.boundingRect(), colour(kBackgroundKey));
        }
        m_pData->drawSeries(painter, pane, clip.isEmpty() ? INT_MIN : clip.boundingRect().left());
        m_pData->drawDividMark(painter, pane);
        m_pData->drawDot(painter, pane);
        m_pData->drawTradeMark(painter, pane);
        painter.end();
    }
    m_tailState = m_pData ? m_pData->pictureState(pane) : CKLineData::PictureState();
    m_tailStateValid = m_pData != nullptr;
}

void CKLineGraphWidget::finishRefresh()
{
    // The value range may have changed: drawn lines follow it.
    recalcAxisByValue();
    if (m_paramRank) {
        m_paramRank->refresh();
        m_paramRank->relayout();
    }
    updateWinnerOverlay();
}

void CKLineGraphWidget::paintEvent(QPaintEvent* event)
{
    ++m_paintCount;
    const QRegion& dirty = event->region();
    QPainter painter(this);
    if (!m_pData || m_graphImage.isNull()) {
        painter.fillRect(rect(), colour(kBackgroundKey));
        if (!m_pData)
            return;
    } else {
        // Only what was invalidated: a crosshair move blits a few strips.
        for (const QRect& r : dirty)
            painter.drawImage(r, m_graphImage, r);
    }
    drawWinnerOverlay(painter);
    drawGroupModelNotice(painter);
    if (m_pUiParam) {
        drawCrossLine(painter);
        drawCrossValue(painter);
        drawSelections(painter);
        drawLockLine(painter);
    }
    drawGraph(painter);
    if (m_tradeTipShown)
        drawTradeTips(painter);
    drawInspectionView(painter);
    // What this paint drew of the crosshair is on screen now (a grab adds to
    // it needlessly, which only widens the next move's repaint).
    m_crossOnScreen |= crosshairRegion() & dirty;
}

bool CKLineGraphWidget::crossRow(int& y) const
{
    const CKLineUiParam& ui = *m_pUiParam;
    if (!m_mouseIn || !ui.crossVisible || ui.crossIndex < 0)
        return false;
    y = ui.crossOnClose ? m_pData->yOfValue(m_pData->valueAtIndex(ui.crossIndex), rect()) : m_mousePoint.y();
    return y != INT_MIN;
}

bool CKLineGraphWidget::crossLabel(double& value, int& top) const
{
    const CKLineUiParam& ui = *m_pUiParam;
    if (!m_mouseIn || !ui.crossVisible || ui.crossIndex < 0)
        return false;
    if (ui.crossOnClose) {
        value = m_pData->valueAtIndex(ui.crossIndex);
        const int y = m_pData->yOfValue(value, rect());
        if (y == INT_MIN)
            return false;
        top = y - kLabelHeight;
    } else {
        value = m_pData->valueAtY(m_mousePoint.y(), rect());
        top = m_mousePoint.y() - kLabelHeight;
    }
    if (top < 0)
        top = 0;
    return true;
}

QRegion CKLineGraphWidget::crosshairRegion() const
{
    QRegion region;
    if (!m_pUiParam || !m_pData)
        return region;
    const CKLineUiParam& ui = *m_pUiParam;
    if (!ui.crossVisible || ui.crossIndex < 0)
        return region;
    // A pixel of margin each side: pens are one logical pixel wide, which
    // may touch a neighbour at fractional device ratios.
    int y = 0;
    if (crossRow(y))
        region += QRect(0, y - 1, width() - ui.axisWidth + 2, 3);
    double value = 0.0;
    int top = 0;
    if (crossLabel(value, top))
        region += QRect(width() - ui.axisWidth, top - 1, ui.axisWidth, kLabelHeight + 2);
    if (m_viewType != 3 || m_mouseIn) {
        const int x = ui.getXAxisByIndex(ui.crossIndex, -1, -1);
        region += QRect(x - 1, 0, 3, height());
    }
    return region & rect();
}

void CKLineGraphWidget::updateCrosshair()
{
    if (m_inspection != NoInspection) {
        update();
        return;
    }
    const QRegion now = crosshairRegion();
    const QRegion dirty = now | m_crossOnScreen;
    // Once this repaint ran, the screen shows exactly `now`.
    m_crossOnScreen = now;
    if (!dirty.isEmpty())
        update(dirty);
}

void CKLineGraphWidget::drawGroupModelNotice(QPainter& painter)
{
    if (!m_pData->hasGroupModelIndex() || m_pData->hasPythonIndex())
        return;
    if (m_pUiParam && m_pUiParam->isShowGroupIndexGraph())
        return;
    painter.save();
    painter.setPen(groupNoticeColour());
    painter.drawText(QPoint(width() / 2 - 60, height() / 2 - 5),
                     QStringLiteral("组合模型只能在指数类视图下显示！"));
    painter.restore();
}

void CKLineGraphWidget::drawCrossLine(QPainter& painter)
{
    const CKLineUiParam& ui = *m_pUiParam;
    if (!ui.crossVisible || ui.crossIndex < 0)
        return;
    // One-pixel solid lines as fills: the same pixels as aliased drawLine
    // (both end points included), without the stroker.
    const QColor line = colour("ic_clr_graph_frame_cross_line");
    int y = 0;
    if (crossRow(y))
        painter.fillRect(QRect(0, y, width() - ui.axisWidth + 1, 1), line);
    if (m_viewType != 3 || m_mouseIn) {
        const int x = ui.getXAxisByIndex(ui.crossIndex, -1, -1);
        painter.fillRect(QRect(x, 0, 1, height() + 1), line);
    }
}

void CKLineGraphWidget::drawCrossValue(QPainter& painter)
{
    double value = 0.0;
    int top = 0;
    if (crossLabel(value, top))
        drawAxisLabel(painter, value, top, "ic_clr_realtime_cross_line_text");
}

void CKLineGraphWidget::drawAxisLabel(QPainter& painter, double value, int top, const char* textColorKey)
{
    const int axis = m_pUiParam->axisWidth;
    const QRect box(width() - axis + 1, top, axis - 1, kLabelHeight);
    const QString& text = axisLabelText(value);
    painter.save();
    painter.setFont(m_axisLabels.font);
    painter.fillRect(box, colour("ic_clr_realtime_cross_line_bg"));
    painter.setPen(colour(textColorKey));
    m_axisLabelTexts.drawCentred(painter, m_axisLabels.font, box, text);
    painter.restore();
}

const QString& CKLineGraphWidget::axisLabelText(double value)
{
    AxisLabelCache& c = m_axisLabels;
    const int boxWidth = m_pUiParam->axisWidth - 3;
    if (!c.valid || c.width != boxWidth) {
        c.font = KW::CUiResource::instance()->getFont(QStringLiteral("fnt_graph_axis_text"));
        c.digits = priceDigits();
        c.width = boxWidth;
        c.texts.clear();
        c.valid = true;
    }
    // One entry per pixel row or bar seen since the picture was drawn;
    // bounded all the same.
    if (c.texts.size() > 8192)
        c.texts.clear();
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    auto it = c.texts.find(bits);
    if (it == c.texts.end())
        it = c.texts.insert(bits, KW::formatDoubleNumberToFit(value, getGraphShowTick(value, c.digits),
                                                              KW::kFormatUnits, QFontMetrics(c.font), c.width,
                                                              QString::fromUtf8(kInvalidText)));
    return it.value();
}

void CKLineGraphWidget::clearAxisLabelCache()
{
    m_axisLabels.valid = false;
    m_axisLabels.texts.clear();
    m_axisLabelTexts.clear();
}

int CKLineGraphWidget::priceDigits() const
{
    return CKLineData::tickDigits(getDetailPriceTick(m_pUiParam ? m_pUiParam->getStockDetail() : nullptr));
}

void CKLineGraphWidget::drawSelections(QPainter& painter)
{
    if (!m_zoomSelecting && !m_statSelecting)
        return;
    painter.save();
    QPen pen(colour("ic_clr_kline_graph_scale_border"));
    pen.setWidth(0);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    if (m_zoomSelecting)
        painter.drawRect(m_zoomRect);
    if (m_statSelecting)
        painter.drawRect(m_statRect);
    painter.restore();
}

void CKLineGraphWidget::drawLockLine(QPainter& painter)
{
    const CKLineUiParam& ui = *m_pUiParam;
    if (!ui.lockCursor || ui.lockedIndex < 0)
        return;
    const double value = m_pData->valueAtIndex(ui.lockedIndex);
    const int y = m_pData->yOfValue(value, rect());
    painter.save();
    painter.setPen(QPen(lockLineColour(), 1, Qt::DotLine));
    if (y != INT_MIN)
        painter.drawLine(0, y, width() - ui.axisWidth, y);
    const int x = ui.getXAxisByIndex(ui.lockedIndex, -1, -1);
    painter.drawLine(x, 0, x, height());
    painter.restore();
    // The locked price stays readable even when its row is near the top.
    if (m_displayType == 0 && y != INT_MIN)
        drawAxisLabel(painter, value, y - kLabelHeight, "ic_clr_graph_frame_cross_line_text");
}

void CKLineGraphWidget::drawTradeTips(QPainter& painter)
{
    const int lines = m_dealTips.size() + m_orderTips.size();
    if (lines == 0)
        return;
    painter.save();
    const QRect box(2, 2, 130, kTipLineHeight * lines + 3);
    painter.fillRect(box, colour("clr_graph_frame_cross_line_bg"));
    painter.setPen(QPen(colour("clr_graph_frame_cross_line"), 1, Qt::SolidLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box);
    const QColor rise = colour("clr_global_rise");
    const QColor fall = colour("clr_global_fall");
    int k = 1;
    auto drawLine = [&](const CTradeTip& tip, bool deal) {
        const bool buy = isBuyByDirection(tip.direction, tip.offsetFlag);
        const QString side = deal ? (buy ? QStringLiteral("买入: ") : QStringLiteral("卖出: "))
                                  : (buy ? QStringLiteral("委买: ") : QStringLiteral("委卖: "));
        const QString text = side + QStringLiteral("%1　价格: ").arg(tip.volume) +
                             KW::formatDoubleNumber(tip.price, 2, 0, false, QString::fromUtf8(kInvalidText));
        painter.setPen(buy ? rise : fall);
        painter.drawText(QPoint(16, kTipLineHeight * k), text);
        ++k;
    };
    for (const CTradeTip& d : m_dealTips)
        drawLine(d, true);
    for (const CTradeTip& o : m_orderTips)
        drawLine(o, false);
    painter.restore();
}

} // namespace TC
