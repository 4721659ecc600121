#pragma once

#include <QString>
#include <QtGlobal>

namespace utils {

// Log and tip forms of a time in milliseconds since 1970 (local time):
// "yyyy-MM-dd hh:mm:ss.zzz" and "yyyy-MM-dd".
QString millisecondsToTime(qint64 ms);
QString millisecondsToDate(qint64 ms);

} // namespace utils
