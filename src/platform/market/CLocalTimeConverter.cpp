#include "platform/market/CLocalTimeConverter.h"

#include <QDateTime>
#include <QTime>

#include <limits>

namespace TC {

qint64 CLocalTimeConverter::dayTag(const QDate& date)
{
    return date.startOfDay(Qt::LocalTime).toSecsSinceEpoch();
}

qint64 CLocalTimeConverter::timeAt(const QDate& date, int minuteOfDay)
{
    if (minuteOfDay >= 1440)
        return dayTag(date.addDays(minuteOfDay / 1440)) + qint64(minuteOfDay % 1440) * 60;
    if (minuteOfDay <= 0)
        return dayTag(date);
    return QDateTime(date, QTime(minuteOfDay / 60, minuteOfDay % 60), Qt::LocalTime).toSecsSinceEpoch();
}

QDate CLocalTimeConverter::dateOf(qint64 secs)
{
    return QDateTime::fromSecsSinceEpoch(secs, Qt::LocalTime).date();
}

void CLocalTimeConverter::refresh(qint64 secs)
{
    if (!m_zoneRead) {
        m_zone = QTimeZone::systemTimeZone();
        m_zoneRead = true;
    }
    m_offset = QDateTime::fromSecsSinceEpoch(secs, Qt::LocalTime).offsetFromUtc();
    const QDateTime utc = QDateTime::fromSecsSinceEpoch(secs, Qt::UTC);
    if (m_zone.isValid() && m_zone.offsetFromUtc(utc) == m_offset) {
        const QTimeZone::OffsetData next = m_zone.nextTransition(utc);
        const QTimeZone::OffsetData prev = m_zone.previousTransition(utc.addSecs(1));
        m_to = next.atUtc.isValid() ? next.atUtc.toSecsSinceEpoch() : std::numeric_limits<qint64>::max();
        m_from = prev.atUtc.isValid() ? prev.atUtc.toSecsSinceEpoch() : std::numeric_limits<qint64>::min();
        if (m_from <= secs && secs < m_to)
            return;
    }
    // The zone database disagrees with the C library: no caching.
    m_from = secs;
    m_to = secs + 1;
}

void CLocalTimeConverter::split(qint64 secs, QDate& date, int& minuteOfDay)
{
    int second = 0;
    splitSeconds(secs, date, second);
    minuteOfDay = second / 60;
}

void CLocalTimeConverter::splitSeconds(qint64 secs, QDate& date, int& secondOfDay)
{
    if (secs < m_from || secs >= m_to)
        refresh(secs);
    const qint64 local = secs + m_offset;
    const qint64 days = local >= 0 ? local / 86400 : (local - 86399) / 86400;
    date = QDate(1970, 1, 1).addDays(days);
    secondOfDay = int(local - days * 86400);
}

qint64 CLocalTimeConverter::localTime(const QDate& date, int minuteOfDay)
{
    if (!date.isValid() || minuteOfDay < 0 || minuteOfDay >= 1440)
        return timeAt(date, minuteOfDay);
    constexpr qint64 kEpochJulianDay = 2440588; // 1970-01-01
    constexpr qint64 kMargin = 86400;           // wider than any offset change
    const qint64 wall = (date.toJulianDay() - kEpochJulianDay) * 86400 + qint64(minuteOfDay) * 60;
    qint64 secs = wall - m_offset;
    if (secs - kMargin < m_from || secs + kMargin >= m_to) {
        refresh(secs);
        secs = wall - m_offset;
        if (secs - kMargin < m_from || secs + kMargin >= m_to)
            return timeAt(date, minuteOfDay);
    }
    return secs;
}

} // namespace TC
