#pragma once

#include <QDate>
#include <QTimeZone>
#include <QtGlobal>

namespace TC {

// Conversions between time tags (seconds since 1970) and the process's local
// wall clock, which is how every market's local time is shown: data defined
// at 09:30 exchange time are stored as the instant that reads 09:30 locally.
// The instance form caches the UTC offset between two transitions of the
// system time zone, so converting long runs of bars costs a local-time lookup
// only when a daylight-saving change is crossed (local-time lookups are slow,
// about 10 us each on some systems).
class CLocalTimeConverter
{
public:
    // Local start of the day (midnight, or the first valid moment of a day whose
    // midnight falls into a daylight-saving gap).
    static qint64 dayTag(const QDate& date);
    // Local date-time `minuteOfDay` minutes after midnight (1440 is the next day's start).
    static qint64 timeAt(const QDate& date, int minuteOfDay);
    static QDate dateOf(qint64 secs);

    // Local date and minute of the day (0..1439) of `secs`.
    void split(qint64 secs, QDate& date, int& minuteOfDay);
    // The same with the second of the day (0..86399).
    void splitSeconds(qint64 secs, QDate& date, int& secondOfDay);
    // timeAt through the cached offset: the same result, without a local-time
    // lookup unless a transition lies within a day of the answer (so gaps and
    // repeated hours keep the static rules).
    qint64 localTime(const QDate& date, int minuteOfDay);

private:
    void refresh(qint64 secs);

    QTimeZone m_zone;
    bool m_zoneRead = false;
    qint64 m_from = 0; // [m_from, m_to): local time = UTC + m_offset
    qint64 m_to = 0;
    int m_offset = 0;
};

} // namespace TC
