// The overview band of CTimeLineWidget: its pictures, the highlighted display
// window, the scroll bar, and the mouse that drags them.
#include <algorithm>
#include <cmath>

#include <QMouseEvent>
#include <QPainter>

#include "platform/framework/CTimeLineWidget.h"
#include "platform/framework/CUiResource.h"

namespace KW {

namespace {

const char* const kWindowKey = "ic_clr_timeline_overview_window";
const char* const kShadeKey = "ic_clr_timeline_overview_shade";

// Draws a picture stretched into `r`; a missing picture draws nothing.
void drawPicture(QPainter& painter, const QRect& r, const QPixmap& pm)
{
    if (!pm.isNull() && !r.isEmpty())
        painter.drawPixmap(r, pm);
}

} // namespace

void CTimeLineWidget::reloadPictures()
{
    CUiResource* res = CUiResource::instance();
    for (int i = 0; i < ImgCount; ++i)
        m_images[i] = m_imageKeys[i].isEmpty() ? QPixmap() : res->getPixmap(m_imageKeys[i]);
    m_windowColor = res->getColor(QString::fromLatin1(kWindowKey));
    m_shadeColor = res->getColor(QString::fromLatin1(kShadeKey));
}

void CTimeLineWidget::setTimeLineImage(const QString& leftSplitter, const QString& rightSplitter,
                                       const QString& dragButton, const QString& leftArrow,
                                       const QString& rightArrow, const QString& window,
                                       const QString& scrollBackground)
{
    const QString keys[ImgCount] = {leftSplitter, rightSplitter, dragButton,      leftArrow,
                                    rightArrow,   window,        scrollBackground};
    std::copy(std::begin(keys), std::end(keys), std::begin(m_imageKeys));
    reloadPictures();
    update();
}

QString CTimeLineWidget::timeLineImageKey(int which) const
{
    return which >= 0 && which < ImgCount ? m_imageKeys[which] : QString();
}

void CTimeLineWidget::setScrollBarHeight(int height)
{
    m_scrollBarHeight = std::max(0, height);
    update();
}

void CTimeLineWidget::setScrollArrowWidth(int width)
{
    m_scrollArrowWidth = std::max(0, width);
    update();
}

void CTimeLineWidget::setMinDragButtonWidth(int width)
{
    m_minDragButtonWidth = std::max(0, width);
    update();
}

void CTimeLineWidget::setOverviewEffect(bool on)
{
    m_overviewEffect = on;
    update();
}

QRect CTimeLineWidget::scrollBarRect() const
{
    const QRect ov = overviewRect();
    if (ov.isNull() || m_scrollBarHeight <= 0)
        return QRect();
    const int h = std::min(m_scrollBarHeight, ov.height());
    return QRect(ov.left(), ov.bottom() - h + 1, ov.width(), h);
}

QRect CTimeLineWidget::overviewContentRect() const
{
    const QRect ov = overviewRect();
    if (ov.isNull())
        return QRect();
    const QRect sb = scrollBarRect();
    return QRect(ov.left(), ov.top(), ov.width(), ov.height() - (sb.isNull() ? 0 : sb.height()));
}

double CTimeLineWidget::overviewSpacing() const
{
    const QRect c = overviewContentRect();
    if (c.width() <= 0)
        return 0.0;
    return double(c.width()) / (double(m_actual.end) - double(m_actual.start) + 1.0);
}

int CTimeLineWidget::overviewBarAt(int x) const
{
    const double spacing = overviewSpacing();
    if (spacing <= 0.0)
        return m_actual.start;
    const QRect c = overviewContentRect();
    const double bar = double(m_actual.start) + std::floor(double(x - c.left()) / spacing);
    return int(std::max(double(m_actual.start), std::min(bar, double(m_actual.end))));
}

QRect CTimeLineWidget::overviewWindowRect() const
{
    const QRect c = overviewContentRect();
    const double spacing = overviewSpacing();
    if (c.isEmpty() || spacing <= 0.0 || m_actual.end <= m_actual.start)
        return QRect();
    const double x0 = c.left() + (double(m_disp.start) - m_actual.start) * spacing;
    const double x1 = c.left() + (double(m_disp.end) - m_actual.start + 1.0) * spacing;
    const int left = int(std::lround(x0));
    const int right = std::max(left + 1, int(std::lround(x1)));
    return QRect(QPoint(left, c.top()), QPoint(right - 1, c.bottom())).intersected(c);
}

QRect CTimeLineWidget::scrollTrackRect() const
{
    const QRect sb = scrollBarRect();
    if (sb.isNull())
        return QRect();
    const int arrow = std::min(m_scrollArrowWidth, sb.width() / 2);
    return sb.adjusted(arrow, 0, -arrow, 0);
}

QRect CTimeLineWidget::dragButtonRect() const
{
    const QRect track = scrollTrackRect();
    if (track.isEmpty())
        return QRect();
    const double total = double(m_actual.end) - m_actual.start + 1.0;
    const double shown = double(m_disp.end) - m_disp.start + 1.0;
    int width = int(std::lround(track.width() * shown / total));
    width = std::min(track.width(), std::max(width, m_minDragButtonWidth));
    const double range = total - shown;
    const int free = track.width() - width;
    const int offset =
        range > 0.0 ? int(std::lround(free * (double(m_disp.start) - m_actual.start) / range)) : 0;
    return QRect(track.left() + std::max(0, std::min(offset, free)), track.top(), width, track.height());
}

void CTimeLineWidget::paintOverviewFrame(QPainter& painter)
{
    const QRect c = overviewContentRect();
    const QRect w = overviewWindowRect();
    if (!w.isNull()) {
        if (m_overviewEffect) {
            painter.fillRect(QRect(QPoint(c.left(), c.top()), QPoint(w.left() - 1, c.bottom())),
                             m_shadeColor);
            painter.fillRect(QRect(QPoint(w.right() + 1, c.top()), QPoint(c.right(), c.bottom())),
                             m_shadeColor);
        }
        drawPicture(painter, w, m_images[ImgWindow]);
        painter.fillRect(w, m_windowColor);
        // The splitters mark the window's edges, centred on them.
        for (int side = 0; side < 2; ++side) {
            const QPixmap& pm = m_images[side == 0 ? ImgLeftSplitter : ImgRightSplitter];
            if (pm.isNull())
                continue;
            const int h = std::min(pm.height(), c.height());
            const int x = (side == 0 ? w.left() : w.right()) - pm.width() / 2;
            drawPicture(painter, QRect(x, c.top() + (c.height() - h) / 2, pm.width(), h), pm);
        }
    }
    const QRect sb = scrollBarRect();
    if (sb.isEmpty())
        return;
    const QRect track = scrollTrackRect();
    drawPicture(painter, QRect(sb.left(), sb.top(), track.left() - sb.left(), sb.height()),
                m_images[ImgLeftArrow]);
    drawPicture(painter, QRect(track.right() + 1, sb.top(), sb.right() - track.right(), sb.height()),
                m_images[ImgRightArrow]);
    drawPicture(painter, track, m_images[ImgScrollBackground]);
    if (m_actual.end > m_actual.start)
        drawPicture(painter, dragButtonRect(), m_images[ImgDragButton]);
}

void CTimeLineWidget::moveDispStart(int start)
{
    const Region before = m_disp;
    tryMoveTo(start, true);
    if (m_disp != before)
        emit regionDragged();
}

void CTimeLineWidget::mousePressEvent(QMouseEvent* event)
{
    m_dragMode = DragNone;
    if (event->button() != Qt::LeftButton || overviewRect().isEmpty() || m_actual.end <= m_actual.start) {
        CBaseWidget::mousePressEvent(event);
        return;
    }
    const QPoint pos = event->pos();
    const int shown = m_disp.end - m_disp.start;
    const QRect content = overviewContentRect();
    if (content.contains(pos)) {
        if (!overviewWindowRect().contains(pos))
            moveDispStart(overviewBarAt(pos.x()) - shown / 2);
        const double spacing = overviewSpacing();
        m_dragMode = DragWindow;
        m_dragBarsPerPixel = spacing > 0.0 ? 1.0 / spacing : 0.0;
    } else if (dragButtonRect().contains(pos)) {
        const QRect button = dragButtonRect();
        const double range = double(m_actual.end) - m_actual.start - shown;
        const int free = scrollTrackRect().width() - button.width();
        m_dragMode = DragButton;
        m_dragBarsPerPixel = free > 0 ? range / free : 0.0;
    } else if (scrollTrackRect().contains(pos)) {
        const int page = std::max(1, shown);
        moveDispStart(pos.x() < dragButtonRect().left() ? m_disp.start - page : m_disp.start + page);
    } else if (scrollBarRect().contains(pos)) {
        moveDispStart(pos.x() < scrollTrackRect().left() ? m_disp.start - 1 : m_disp.start + 1);
    } else {
        CBaseWidget::mousePressEvent(event);
        return;
    }
    m_dragPressX = pos.x();
    m_dragStartDisp = m_disp.start;
    event->accept();
}

void CTimeLineWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragMode == DragNone || !(event->buttons() & Qt::LeftButton)) {
        CBaseWidget::mouseMoveEvent(event);
        return;
    }
    const double bars = double(event->pos().x() - m_dragPressX) * m_dragBarsPerPixel;
    moveDispStart(int(double(m_dragStartDisp) + std::round(bars)));
    event->accept();
}

void CTimeLineWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_dragMode != DragNone && event->button() == Qt::LeftButton) {
        m_dragMode = DragNone;
        event->accept();
        return;
    }
    CBaseWidget::mouseReleaseEvent(event);
}

} // namespace KW
