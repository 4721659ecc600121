#include "platform/formula/lang/CFormulaFunctions.h"

#include <limits>

#include "platform/market/CLocalTimeConverter.h"

namespace TC {
namespace flang {

void CFormulaFunctions::calendar(const std::vector<long long>& times, size_t bars, ECalendar kind, Vec& out)
{
    out.assign(bars, std::numeric_limits<double>::quiet_NaN());
    CLocalTimeConverter conv; // caches the zone offset: no local-time lookup per bar
    for (size_t i = 0; i < bars && i < times.size(); ++i) {
        const long long t = times[i];
        QDate date;
        int minute = 0;
        conv.split(t, date, minute);
        if (!date.isValid())
            continue;
        const int second = int(((t % 60) + 60) % 60);
        double v = 0.0;
        switch (kind) {
        case ECalendar::Date:
            v = double(date.year() - 1900) * 10000.0 + date.month() * 100 + date.day();
            break;
        case ECalendar::Time:
            v = double((minute / 60) * 10000 + (minute % 60) * 100 + second);
            break;
        case ECalendar::Year:
            v = date.year();
            break;
        case ECalendar::Month:
            v = date.month();
            break;
        case ECalendar::Day:
            v = date.day();
            break;
        case ECalendar::Weekday:
            v = date.dayOfWeek() % 7; // Qt counts Monday 1 .. Sunday 7
            break;
        case ECalendar::Hour:
            v = minute / 60;
            break;
        case ECalendar::Minute:
            v = minute % 60;
            break;
        }
        out[i] = v;
    }
}

double CFormulaFunctions::periodCode(long long periodSec)
{
    switch (periodSec) {
    case 60:
        return 0;
    case 300:
        return 1;
    case 900:
        return 2;
    case 1800:
        return 3;
    case 3600:
        return 4;
    case 86400:
        return 5;
    case 604800:
        return 6;
    case 2592000:
        return 7;
    case 7776000:
        return 10;
    case 31536000:
        return 11;
    default:
        break;
    }
    if (periodSec > 0 && periodSec % 86400 == 0)
        return 9;
    if (periodSec > 0 && periodSec % 60 == 0)
        return 8;
    return std::numeric_limits<double>::quiet_NaN();
}

} // namespace flang
} // namespace TC
