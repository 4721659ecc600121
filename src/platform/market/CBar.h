#pragma once

#include <QtGlobal>

namespace quoter {

// One price bar.
//
// Time tag `time` (seconds since 1970, UTC instant of a local wall-clock time):
//  - day and longer bars: the local midnight of the bar's (last) trading day;
//  - minute bars: the local date-time of the bar's END minute, so the 09:31
//    bar covers 09:30:00-09:31:00 (end inclusive: a trade at 09:31:00 belongs
//    to it). Aggregated intraday bars follow the same rule (the 10:30 hour bar
//    covers 09:30-10:30).
// Volume and amount are the bar's own (not cumulative); amount is the traded
// value in price x volume units.
struct CBar {
    qint64 time = 0;
    double open = 0.0;
    double high = 0.0;
    double low = 0.0;
    double close = 0.0;
    double volume = 0.0;
    double amount = 0.0;

    bool operator==(const CBar& o) const
    {
        return time == o.time && open == o.open && high == o.high && low == o.low && close == o.close &&
               volume == o.volume && amount == o.amount;
    }
    bool operator!=(const CBar& o) const { return !(*this == o); }
};

} // namespace quoter
