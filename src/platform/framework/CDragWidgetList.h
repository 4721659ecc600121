#pragma once

#include <QPoint>
#include <QVector>

#include "platform/framework/CWidgetList.h"

namespace KW {

// A CWidgetList whose splitters the user drags with the mouse (dragging is
// enabled from construction).
//
// Every splitter has a transparent grip that covers the bar and
// `gripExtent()` pixels on each side of it (a 1-pixel bar is otherwise hard
// to hit). Dragging moves the bar: the item before it and the item after it
// trade length, never below `minimumItemLength()`; beyond that, non-fixed
// items further along give way (see CWidgetList for anchor and fixed).
//
// At the release of a drag that moved the bar, every item's factor becomes
// its length in pixels (a hidden item's factor is converted to the same
// unit), so the sizes the user made survive later resizes in proportion;
// then `stretchDragged` reports the item before the bar. While dragging is
// disabled the grips ignore the mouse.
class CDragWidgetList : public CWidgetList
{
    Q_OBJECT

public:
    explicit CDragWidgetList(Qt::Orientation orientation = Qt::Vertical, QWidget* parent = nullptr);
    ~CDragWidgetList() override;

    void setGripExtent(int pixels);
    int gripExtent() const { return m_gripExtent; }

    // Whether a drag is in progress.
    bool isDragging() const { return m_dragSplitter >= 0; }

signals:
    // A drag ended with a changed split; `widget` is the item before the
    // bar (the pane above it in a vertical list), `index` its position.
    void stretchDragged(int index, QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void splittersMoved() override;

private:
    bool splitterMovable(int splitter) const;
    void beginDrag(int splitter, const QPoint& listPos);
    void dragTo(const QPoint& listPos);
    void endDrag(const QPoint& listPos);
    int axisPos(const QPoint& p) const;
    void rebuildGrips();

    QVector<QWidget*> m_grips;
    int m_gripExtent = 2;
    int m_dragSplitter = -1;
    int m_pressPos = 0;
    QVector<int> m_startLengths; // per item, at the press
};

} // namespace KW
