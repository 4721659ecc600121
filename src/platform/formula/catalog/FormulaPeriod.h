#pragma once

#include <QString>

namespace TC {

// The chart's period table, in menu order. A period is in seconds; 10, 11 and
// 13 stand for N days, N hours and N minutes (N asked from the host), 0 for
// the tick chart.
//
//   i       0    1    2    3    4    5     6     7     8      9       10      11       12       13 14 15 16
//   period  60  180  300  600  900  1800  3600  86400 604800 2592000 7776000 15552000 31536000 10 11 13  0

constexpr int kPeriodCount = 17;

// Display name of table position i ("1分钟", ..., "分笔"); "" out of range.
QString getCycleName(int i);
// Position of a period in the table, -1 when it is not there.
int getPeriodIndex(int period);
// Period at table position i, -1 out of range.
int getPeriodByIndex(int i);

} // namespace TC
