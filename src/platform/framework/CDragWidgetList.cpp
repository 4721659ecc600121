#include "platform/framework/CDragWidgetList.h"

#include <algorithm>
#include <cmath>

#include <QMouseEvent>

namespace KW {

CDragWidgetList::CDragWidgetList(Qt::Orientation orientation, QWidget* parent)
    : CWidgetList(orientation, parent)
{
    setObjectName(QStringLiteral("drag_widget_list"));
    setDragEnable(true);
}

CDragWidgetList::~CDragWidgetList()
{
    for (QWidget* grip : m_grips)
        grip->removeEventFilter(this);
}

void CDragWidgetList::setGripExtent(int pixels)
{
    m_gripExtent = std::max(0, pixels);
    splittersMoved();
}

int CDragWidgetList::axisPos(const QPoint& p) const
{
    return orientation() == Qt::Vertical ? p.y() : p.x();
}

void CDragWidgetList::rebuildGrips()
{
    const QVector<QRect> rects = splitterRects();
    while (m_grips.size() > rects.size()) {
        QWidget* grip = m_grips.takeLast();
        grip->removeEventFilter(this);
        delete grip;
    }
    while (m_grips.size() < rects.size()) {
        // Plain child without a background: invisible, but it takes the mouse
        // over the bar and a few pixels of the items around it.
        auto* grip = new QWidget(this);
        grip->setObjectName(QStringLiteral("widget_list_grip"));
        grip->installEventFilter(this);
        grip->show();
        m_grips.append(grip);
    }
    const bool vertical = orientation() == Qt::Vertical;
    for (int k = 0; k < rects.size(); ++k) {
        QRect r = rects[k];
        r = vertical ? r.adjusted(0, -m_gripExtent, 0, m_gripExtent)
                     : r.adjusted(-m_gripExtent, 0, m_gripExtent, 0);
        m_grips[k]->setGeometry(r);
        m_grips[k]->setCursor(isDragEnabled() && splitterMovable(k)
                                  ? (vertical ? Qt::SplitVCursor : Qt::SplitHCursor)
                                  : Qt::ArrowCursor);
        m_grips[k]->raise();
    }
}

void CDragWidgetList::splittersMoved()
{
    rebuildGrips();
}

bool CDragWidgetList::splitterMovable(int splitter) const
{
    const QVector<int> shown = shownIndexes();
    if (splitter < 0 || splitter + 1 >= shown.size())
        return false;
    return (m_items[shown[splitter]].anchor & AnchorTrailing) &&
           (m_items[shown[splitter + 1]].anchor & AnchorLeading);
}

bool CDragWidgetList::eventFilter(QObject* watched, QEvent* event)
{
    const int grip = watched->isWidgetType() ? m_grips.indexOf(static_cast<QWidget*>(watched)) : -1;
    if (grip < 0)
        return CWidgetList::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton && isDragEnabled() && splitterMovable(grip)) {
            beginDrag(grip, m_grips[grip]->mapTo(this, me->pos()));
            return true;
        }
        break;
    }
    case QEvent::MouseMove:
        if (isDragging()) {
            dragTo(m_grips[grip]->mapTo(this, static_cast<QMouseEvent*>(event)->pos()));
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (isDragging() && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            endDrag(m_grips[grip]->mapTo(this, static_cast<QMouseEvent*>(event)->pos()));
            return true;
        }
        break;
    default:
        break;
    }
    return CWidgetList::eventFilter(watched, event);
}

void CDragWidgetList::beginDrag(int splitter, const QPoint& listPos)
{
    m_dragSplitter = splitter;
    m_pressPos = axisPos(listPos);
    m_startLengths.clear();
    for (const Item& item : m_items)
        m_startLengths.append(item.length);
}

void CDragWidgetList::dragTo(const QPoint& listPos)
{
    if (!isDragging() || m_startLengths.size() != m_items.size())
        return;
    const QVector<int> shown = shownIndexes();
    if (m_dragSplitter + 1 >= shown.size())
        return;

    for (int i = 0; i < m_items.size(); ++i)
        m_items[i].length = m_startLengths[i];

    const int delta = axisPos(listPos) - m_pressPos;
    if (delta == 0) {
        applyLengths();
        return;
    }
    // The side the bar moves into gives length: first the direct neighbour,
    // then the non-fixed items beyond it, nearest first.
    const int minLen = minimumItemLength();
    const bool forward = delta > 0;
    QVector<int> givers;
    if (forward) {
        for (int k = m_dragSplitter + 1; k < shown.size(); ++k)
            if (k == m_dragSplitter + 1 || !m_items[shown[k]].fixed)
                givers.append(shown[k]);
    } else {
        for (int k = m_dragSplitter; k >= 0; --k)
            if (k == m_dragSplitter || !m_items[shown[k]].fixed)
                givers.append(shown[k]);
    }
    int wanted = std::abs(delta);
    int taken = 0;
    for (int i : givers) {
        const int give = std::min(wanted - taken, std::max(0, m_items[i].length - minLen));
        m_items[i].length -= give;
        taken += give;
        if (taken == wanted)
            break;
    }
    const int receiver = forward ? shown[m_dragSplitter] : shown[m_dragSplitter + 1];
    m_items[receiver].length += taken;
    applyLengths();
}

void CDragWidgetList::endDrag(const QPoint& listPos)
{
    dragTo(listPos);
    const int splitter = m_dragSplitter;
    m_dragSplitter = -1;

    bool changed = false;
    for (int i = 0; i < m_items.size() && i < m_startLengths.size(); ++i)
        changed = changed || m_items[i].length != m_startLengths[i];
    m_startLengths.clear();
    if (!changed)
        return;

    // Factors become pixel lengths; hidden items keep their share in that unit.
    const QVector<int> shown = shownIndexes();
    qint64 oldSum = 0;
    qint64 avail = 0;
    for (int i : shown) {
        oldSum += m_items[i].stretch;
        avail += m_items[i].length;
    }
    for (int i = 0; i < m_items.size(); ++i) {
        if (shown.contains(i))
            continue;
        if (oldSum > 0)
            m_items[i].stretch =
                std::max(1, static_cast<int>(std::llround(double(m_items[i].stretch) * avail / oldSum)));
    }
    for (int i : shown)
        m_items[i].stretch = std::max(1, m_items[i].length);
    updateWidgetLength();

    const int above = shown.value(splitter, -1);
    emit stretchDragged(above, widgetAt(above));
}

} // namespace KW
