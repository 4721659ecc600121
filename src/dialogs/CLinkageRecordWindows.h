#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

#include "kline/IndexKLineViewGlobal.h"

namespace TC {

// The order, deal and task record windows of one chart show one at a time:
// each registers here and, when it is shown, hides the other registered
// windows of the same parent. GUI thread only.
class INDEXKLINEVIEW_EXPORT CLinkageRecordWindows
{
public:
    static void add(QWidget* window);
    static void remove(QWidget* window);
    // Hides every other visible registered window with the same parent.
    static void hideOthers(QWidget* window);
    // Registered windows of `parent` that are visible.
    static int visibleCount(QWidget* parent);

private:
    static QList<QPointer<QWidget>>& windows();
};

} // namespace TC
