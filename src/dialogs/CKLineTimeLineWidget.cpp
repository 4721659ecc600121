#include "dialogs/CKLineTimeLineWidget.h"

#include <algorithm>

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>

#include "kline/CKLineMainWidget.h"
#include "model/CKLineUiParam.h"
#include "platform/framework/CUiResource.h"

namespace TC {

namespace {

QColor colour(const char* key)
{
    return KW::CUiResource::instance()->getColor(QLatin1String(key));
}

QFont tipFont()
{
    return KW::CUiResource::instance()->getFont(QStringLiteral("fnt_timeline_text_default"));
}

} // namespace

CKLineTimeLineWidget::CKLineTimeLineWidget(CKLineMainWidget* mainWidget, bool fullForm, QWidget* parent)
    : KW::CTimeLineWidget(parent), m_mainWidget(mainWidget), m_fullForm(fullForm)
{
    setTimeLineImage(QStringLiteral("ic_img_timeline_overview_spliter"),
                     QStringLiteral("ic_img_timeline_overview_spliter"),
                     QStringLiteral("ic_img_timeline_overview_scrollbar_block"),
                     QStringLiteral("ic_img_timeline_overview_left_arrow"),
                     QStringLiteral("ic_img_timeline_overview_right_arrow"),
                     QStringLiteral("ic_img_transparent"),
                     QStringLiteral("ic_img_timeline_overview_scrollbar_bg"));
    setBackgroundColorKey(QStringLiteral("ic_clr_timeline_background"));
    // The strip fills itself: a moving tip box repaints nothing beneath it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedHeight(baseHeight() + kStripHeight);
    setOverviewVisible(false);
    setScrollBarHeight(7);
    setScrollArrowWidth(0);
    setOverviewEffect(false);
    setSimpleTimeLine(true);
    setMinDragButtonWidth(45);
    if (m_fullForm) {
        m_overviewAction = new QAction(QStringLiteral("显示概览"), this);
        m_overviewAction->setCheckable(true);
        connect(m_overviewAction, &QAction::toggled, this, &CKLineTimeLineWidget::slotShowOverView);
    }
    connect(this, &KW::CTimeLineWidget::regionDragged, this, &CKLineTimeLineWidget::slotRegionDragged);
}

void CKLineTimeLineWidget::setTip(int index, int x)
{
    m_tipIndex = index;
    m_tipX = x;
    const QRect box = tipBoxRect();
    const QRect dirty = m_tipOnScreen | box;
    m_tipOnScreen = box;
    if (!dirty.isEmpty())
        update(dirty);
}

void CKLineTimeLineWidget::reset()
{
    setActualRegion(0, 0);
    setOverviewRegion(0, 0);
    setDispRegion(0, 0);
    m_tipIndex = -1;
    m_tipX = 0;
    update();
}

void CKLineTimeLineWidget::slotShowOverView(bool)
{
    if (!m_overviewAction)
        return;
    if (m_overviewAction->isChecked()) {
        setFixedHeight(baseHeight() + kStripHeight + kOverviewHeight);
        setOverviewHeight(kOverviewHeight);
        setOverviewVisible(true);
    } else {
        setFixedHeight(baseHeight() + kStripHeight);
        setOverviewVisible(false);
    }
}

void CKLineTimeLineWidget::applyHeight()
{
    if (maximumHeight() == 0)
        return;
    setFixedHeight(baseHeight() + kStripHeight + (isOverviewVisible() ? overviewHeight() : 0));
}

void CKLineTimeLineWidget::themeChanged()
{
    KW::CTimeLineWidget::themeChanged();
    applyHeight();
}

void CKLineTimeLineWidget::slotRegionDragged()
{
    if (!m_mainWidget || !m_mainWidget->getUiParam())
        return;
    CKLineUiParam& ui = *m_mainWidget->getUiParam();
    ui.setMinDispIndex(dispStartRegion());
    ui.setMaxDispIndex(dispEndRegion());
    ui.overviewStart = minOverViewStartTime();
    ui.overviewEnd = maxOverViewEndTime();
    m_mainWidget->updateView();
}

void CKLineTimeLineWidget::drawTimeLine(QPainter& painter, const QRect& rect)
{
    if (!m_mainWidget)
        return;
    QRect r = rect;
    m_mainWidget->drawTimeline(&painter, r);
}

void CKLineTimeLineWidget::drawOverview(QPainter& painter, const QRect& rect)
{
    if (!m_mainWidget)
        return;
    QRect r = rect;
    m_mainWidget->drawOverview(&painter, r);
}

bool CKLineTimeLineWidget::tipBox(QString& text, QRect& box) const
{
    if (!m_mainWidget || !m_mainWidget->isShowCrossLine())
        return false;
    const QFont font = tipFont();
    const auto widthOf = [&](const QString& t) { return m_tipTexts.get(font, t).width; };
    const int boxHeight = timeLineRect().height() - 2;
    int x = 0;
    if (m_mainWidget->isLockShow()) {
        text = m_mainWidget->getTimelineTip(m_mainWidget->getLockId());
        const int w = widthOf(text) + 10;
        x = m_mainWidget->getLockPos();
        if (x + w > width())
            x = width() - w;
        box = QRect(x, 1, w, boxHeight);
    } else {
        if (m_tipIndex < 0)
            return false;
        text = m_mainWidget->getTimelineTip(m_tipIndex);
        const int w = widthOf(text) + 10;
        x = std::min(m_tipX, width() - kTipRightMargin - w);
        box = QRect(x, 1, w, boxHeight);
    }
    // A bar without a time (gone since the cursor was set) shows no box.
    return !text.isEmpty() && boxHeight > 0;
}

QRect CKLineTimeLineWidget::tipBoxRect() const
{
    QString text;
    QRect box;
    return tipBox(text, box) ? box : QRect();
}

void CKLineTimeLineWidget::paintEvent(QPaintEvent* event)
{
    KW::CTimeLineWidget::paintEvent(event);
    QString text;
    QRect box;
    if (!tipBox(text, box))
        return;
    m_tipOnScreen |= box;
    QPainter painter(this);
    const QFont font = tipFont();
    painter.setFont(font);
    painter.fillRect(box, colour("ic_clr_realtime_cross_line_bg"));
    painter.setPen(colour("ic_clr_realtime_cross_line_text"));
    m_tipTexts.drawCentred(painter, font, box, text);
}

void CKLineTimeLineWidget::contextMenuEvent(QContextMenuEvent* event)
{
    if (!m_overviewAction) {
        KW::CTimeLineWidget::contextMenuEvent(event);
        return;
    }
    QMenu menu(this);
    menu.addAction(m_overviewAction);
    menu.exec(event->globalPos());
}

} // namespace TC
