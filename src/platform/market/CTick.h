#pragma once

#include <QtGlobal>

namespace quoter {

// One trade (or 3-second snapshot) of the tick chart. Volume and amount are the
// tick's own increments, not running totals; a tick at time T belongs to the
// minute bar whose end minute is the first one at or after T.
struct CTick {
    qint64 timeMs = 0; // milliseconds since 1970
    double price = 0.0;
    double volume = 0.0;
    double amount = 0.0;

    bool operator==(const CTick& o) const
    {
        return timeMs == o.timeMs && price == o.price && volume == o.volume && amount == o.amount;
    }
    bool operator!=(const CTick& o) const { return !(*this == o); }
};

} // namespace quoter
