#pragma once

#include <QPoint>

#include "platform/framework/CPushButton.h"

namespace TC {

// An arrow button of the option expectation overlay. It does not click: it
// reports the drag of its left button to its upstream deliverer (the pane)
// with a = its id, b = x and text = y, both in its parent's coordinates:
//   1  press
//   3  move while pressed (only when the point changed)
//   4  release after a drag
//   5  release without a drag (a click)
//   7  b = 3: the button was hidden or its window lost activation while
//      pressed (the drag ends where it is)
class CWinnerDragButton : public KW::CPushButton
{
    Q_OBJECT

public:
    CWinnerDragButton(const QString& imageKey, int id, QWidget* parent);

    bool isPressed() const { return m_pressed; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void report(int id, const QPoint& local);
    void cancel();

    bool m_pressed = false;
    bool m_moved = false;
    QPoint m_pressPoint;
    QPoint m_lastPoint;
};

} // namespace TC
