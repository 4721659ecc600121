#pragma once

#include <QDate>
#include <QVector>

namespace TC {

// Trading calendar of the Chinese exchanges as the sample market models it:
// every weekday from 2010-01-04 on, except these closures each year
//  - New Year's Day (1 January);
//  - Spring Festival: New Year's Eve through the fifth day of the lunar year
//    (seven calendar days), taken from a fixed table of lunar new year dates
//    for 2010-2030; years outside the table close the first seven days of
//    February instead;
//  - Labour Day (1 May);
//  - National Day: 1 to 7 October.
// Closures falling on weekends change nothing (no make-up trading days).
class CChinaTradingCalendar
{
public:
    static QDate firstDay() { return QDate(2010, 1, 4); }

    static bool isHoliday(const QDate& date);
    static bool isTradingDay(const QDate& date);
    // Trading days from `from` to `to`, both inclusive, ascending.
    static QVector<QDate> tradingDays(const QDate& from, const QDate& to);
    // The latest trading day on or before `date`; invalid before firstDay().
    static QDate tradingDayOnOrBefore(const QDate& date);
    // The earliest trading day on or after `date`.
    static QDate tradingDayOnOrAfter(const QDate& date);

private:
    static QDate lunarNewYear(int year);
};

} // namespace TC
