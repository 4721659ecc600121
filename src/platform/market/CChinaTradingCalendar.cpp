#include "platform/market/CChinaTradingCalendar.h"

namespace TC {

QDate CChinaTradingCalendar::lunarNewYear(int year)
{
    // First day of the lunar year, 2010 .. 2030.
    static const int kDays[][2] = {
        {2, 14}, {2, 3}, {1, 23}, {2, 10}, {1, 31}, {2, 19}, {2, 8}, {1, 28}, {2, 16}, {2, 5}, {1, 25},
        {2, 12}, {2, 1}, {1, 22}, {2, 10}, {1, 29}, {2, 17}, {2, 6}, {1, 26}, {2, 13}, {2, 3},
    };
    const int n = int(sizeof(kDays) / sizeof(kDays[0]));
    if (year < 2010 || year >= 2010 + n)
        return QDate();
    return QDate(year, kDays[year - 2010][0], kDays[year - 2010][1]);
}

bool CChinaTradingCalendar::isHoliday(const QDate& date)
{
    if (!date.isValid())
        return false;
    const int m = date.month();
    const int d = date.day();
    if ((m == 1 && d == 1) || (m == 5 && d == 1) || (m == 10 && d <= 7))
        return true;
    const QDate lny = lunarNewYear(date.year());
    if (lny.isValid()) {
        const qint64 off = lny.daysTo(date);
        return off >= -1 && off <= 5;
    }
    return m == 2 && d <= 7;
}

bool CChinaTradingCalendar::isTradingDay(const QDate& date)
{
    return date.isValid() && date >= firstDay() && date.dayOfWeek() <= 5 && !isHoliday(date);
}

QVector<QDate> CChinaTradingCalendar::tradingDays(const QDate& from, const QDate& to)
{
    QVector<QDate> out;
    if (!from.isValid() || !to.isValid() || to < from)
        return out;
    out.reserve(int(from.daysTo(to) * 5 / 7 + 8));
    for (QDate d = from; d <= to; d = d.addDays(1)) {
        if (isTradingDay(d))
            out.append(d);
    }
    return out;
}

QDate CChinaTradingCalendar::tradingDayOnOrBefore(const QDate& date)
{
    for (QDate d = date; d.isValid() && d >= firstDay(); d = d.addDays(-1)) {
        if (isTradingDay(d))
            return d;
    }
    return QDate();
}

QDate CChinaTradingCalendar::tradingDayOnOrAfter(const QDate& date)
{
    QDate d = date < firstDay() ? firstDay() : date;
    // Closures never exceed a few weeks; the bound only guards invalid input.
    for (int i = 0; i < 60 && d.isValid(); ++i, d = d.addDays(1)) {
        if (isTradingDay(d))
            return d;
    }
    return QDate();
}

} // namespace TC
