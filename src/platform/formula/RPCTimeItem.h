#pragma once

#include <QtGlobal>

namespace se {

// One bar's time entry of a formula result: 16 bytes, the bar time first.
struct RPCTimeItem {
    qint64 timeMs = 0;     // bar time in milliseconds since 1970 (the bar's time tag x 1000)
    qint64 tradeDayMs = 0; // the trading day the bar belongs to (local midnight, ms)
};
static_assert(sizeof(RPCTimeItem) == 16, "time entries are 16 bytes");

} // namespace se
