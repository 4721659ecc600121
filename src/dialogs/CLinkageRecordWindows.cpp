#include "dialogs/CLinkageRecordWindows.h"

namespace TC {

QList<QPointer<QWidget>>& CLinkageRecordWindows::windows()
{
    static QList<QPointer<QWidget>> list;
    return list;
}

void CLinkageRecordWindows::add(QWidget* window)
{
    if (window && !windows().contains(window))
        windows().append(window);
}

void CLinkageRecordWindows::remove(QWidget* window)
{
    windows().removeAll(window);
    windows().removeAll(nullptr);
}

void CLinkageRecordWindows::hideOthers(QWidget* window)
{
    // Copied: hiding may run handlers that register or remove windows.
    const QList<QPointer<QWidget>> list = windows();
    for (const QPointer<QWidget>& w : list)
        if (w && w != window && w->parentWidget() == window->parentWidget() && w->isVisible())
            w->hide();
}

int CLinkageRecordWindows::visibleCount(QWidget* parent)
{
    int n = 0;
    for (const QPointer<QWidget>& w : windows())
        if (w && w->parentWidget() == parent && w->isVisible())
            ++n;
    return n;
}

} // namespace TC
