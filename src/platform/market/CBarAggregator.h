#pragma once

#include <QVector>

#include "platform/market/CBar.h"
#include "platform/market/CTradingSession.h"

namespace TC {

// Builds longer bars from one-minute and day bars.
//
// Intraday bars of N minutes are cut per session: buckets start at each
// session's open and never span a session break or a day; the last bucket of
// a session ends at the session's close (a 60-minute bar of a 09:00-10:15
// session gives 10:00 and 10:15). A bar is labelled with its bucket's end
// minute. One-minute bars outside every session (auction prints such as a
// 16:00 closing cross) join the last bucket of the session they follow, or
// the first bucket of the day when they precede the first session. Without
// sessions the buckets are aligned to local midnight.
//
// Day-based bars are labelled with the time tag of their last day bar:
// weeks are ISO weeks, then calendar months, quarters, half-years and years.
// N-day bars group N consecutive day bars counted from the first one, so
// existing groups never shift when days are appended; the last group may be
// short.
class CBarAggregator
{
public:
    static QVector<quoter::CBar> intraday(const QVector<quoter::CBar>& minuteBars, int minutes,
                                          const QVector<CTradingSession>& sessions);
    // periodSeconds: 604800 week, 2592000 month, 7776000 quarter,
    // 15552000 half-year, 31536000 year; anything else gives nothing.
    static QVector<quoter::CBar> calendar(const QVector<quoter::CBar>& dayBars, qint64 periodSeconds);
    static QVector<quoter::CBar> everyNDays(const QVector<quoter::CBar>& dayBars, int n);
    // One day bar per local day of the minute bars, labelled with the day's tag.
    static QVector<quoter::CBar> daysFromMinutes(const QVector<quoter::CBar>& minuteBars);

    // Extends `into` (already holding earlier bars) by the later bar `bar`.
    static void merge(quoter::CBar& into, const quoter::CBar& bar);
};

} // namespace TC
