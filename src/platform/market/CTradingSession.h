#pragma once

namespace TC {

// One continuous trading session of a market, in minutes of the local day:
// 09:30-11:30 is {570, 690}. Minute bars of the session end at
// startMinute + 1 .. endMinute.
struct CTradingSession {
    int startMinute = 0;
    int endMinute = 0;

    bool operator==(const CTradingSession& o) const
    {
        return startMinute == o.startMinute && endMinute == o.endMinute;
    }
};

} // namespace TC
