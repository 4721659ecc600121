#include "pane/CWinnerDragButton.h"

#include <QApplication>
#include <QMouseEvent>

namespace TC {

namespace {
constexpr int kPress = 1;
constexpr int kMove = 3;
constexpr int kRelease = 4;
constexpr int kClick = 5;
constexpr int kState = 7;
constexpr int kStateCancelled = 3;
} // namespace

CWinnerDragButton::CWinnerDragButton(const QString& imageKey, int id, QWidget* parent)
    : KW::CPushButton(QString(), id, parent)
{
    setObjectName(QStringLiteral("winner_button_%1").arg(id));
    setImageKey(imageKey);
    setCursor(Qt::SizeAllCursor);
}

void CWinnerDragButton::report(int eventId, const QPoint& local)
{
    // The button moves under the pointer while it is dragged: only the
    // parent's coordinates stay meaningful from one event to the next.
    const QPoint p = parentWidget() ? mapToParent(local) : local;
    deliverEvent(eventId, id(), p.x(), QString::number(p.y()), nullptr);
}

void CWinnerDragButton::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || m_pressed)
        return;
    m_pressed = true;
    m_moved = false;
    m_pressPoint = mapToParent(event->pos());
    m_lastPoint = m_pressPoint;
    report(kPress, event->pos());
}

void CWinnerDragButton::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    if (!m_pressed)
        return;
    const QPoint p = mapToParent(event->pos());
    if (p == m_lastPoint)
        return;
    m_lastPoint = p;
    if ((p - m_pressPoint).manhattanLength() >= QApplication::startDragDistance())
        m_moved = true;
    report(kMove, event->pos());
}

void CWinnerDragButton::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    report(m_moved ? kRelease : kClick, event->pos());
}

void CWinnerDragButton::cancel()
{
    if (!m_pressed)
        return;
    m_pressed = false;
    deliverEvent(kState, id(), kStateCancelled, QString(), nullptr);
}

void CWinnerDragButton::hideEvent(QHideEvent* event)
{
    KW::CPushButton::hideEvent(event);
    cancel();
}

void CWinnerDragButton::changeEvent(QEvent* event)
{
    KW::CPushButton::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        cancel();
}

bool CWinnerDragButton::event(QEvent* event)
{
    // A popup or another grab took the pointer away mid-drag.
    if (event->type() == QEvent::UngrabMouse)
        cancel();
    return KW::CPushButton::event(event);
}

} // namespace TC
