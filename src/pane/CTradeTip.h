#pragma once

#include <QtGlobal>

namespace TC {

// One line of the pane's trade tip box: a deal or an order under the pointer.
// `direction` 0 buys, anything else sells; `offsetFlag` is kept for the
// instrument service's side rule of futures (open / close).
struct CTradeTip {
    int direction = 0;
    int offsetFlag = 0;
    qint64 volume = 0;
    double price = 0.0;
};

} // namespace TC
