#pragma once

#include <QtGlobal>

namespace quoter {

// A point of a request range: a time in milliseconds with a sequence number
// inside that millisecond, or one of the marks below. The pair (-1, 0)
// stands for "the whole series" at either end (external-data requests).
struct TimeSeq {
    // From the first bar the data source holds.
    static const TimeSeq TIME_START;
    // From the first bar of the chart's history (the default history start).
    static const TimeSeq TIME_START2;
    // Up to the newest bar, then real time.
    static const TimeSeq TIME_LASTED;

    qint64 time = 0;
    int seq = 0;

    bool operator==(const TimeSeq& o) const { return time == o.time && seq == o.seq; }
    bool operator!=(const TimeSeq& o) const { return !(*this == o); }
    bool isMark() const { return *this == TIME_START || *this == TIME_START2 || *this == TIME_LASTED; }
};

inline const TimeSeq TimeSeq::TIME_START{0, -1};
inline const TimeSeq TimeSeq::TIME_START2{0, -2};
inline const TimeSeq TimeSeq::TIME_LASTED{0, -3};

} // namespace quoter
