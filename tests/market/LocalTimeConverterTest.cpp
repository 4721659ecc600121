#include <time.h>

#include <QDateTime>

#include <gtest/gtest.h>

#include "platform/market/CChinaTradingCalendar.h"
#include "platform/market/CLocalTimeConverter.h"

using TC::CLocalTimeConverter;

// The cached conversion must agree with Qt's local time in whatever zone the
// test runs, including across daylight-saving changes.
TEST(LocalTimeConverter, splitAgreesWithLocalTime)
{
    CLocalTimeConverter conv;
    const qint64 from = QDateTime(QDate(2019, 1, 1), QTime(0, 0)).toSecsSinceEpoch();
    for (qint64 t = from; t < from + 2 * 366 * 86400LL; t += 7 * 3600 + 17 * 60) {
        QDate date;
        int minute = -1;
        conv.split(t, date, minute);
        const QDateTime dt = QDateTime::fromSecsSinceEpoch(t);
        ASSERT_EQ(date, dt.date()) << t;
        ASSERT_EQ(minute, dt.time().hour() * 60 + dt.time().minute()) << t;
    }
    // Going back in time works as well.
    QDate date;
    int minute = 0;
    conv.split(from + 600, date, minute);
    EXPECT_EQ(date, QDate(2019, 1, 1));
    EXPECT_EQ(minute, 10);
}

TEST(LocalTimeConverter, dayTagsAndMinutes)
{
    const QDate d(2026, 11, 27);
    EXPECT_EQ(CLocalTimeConverter::dayTag(d), QDateTime(d, QTime(0, 0)).toSecsSinceEpoch());
    EXPECT_EQ(CLocalTimeConverter::timeAt(d, 570), QDateTime(d, QTime(9, 30)).toSecsSinceEpoch());
    EXPECT_EQ(CLocalTimeConverter::timeAt(d, 1440), CLocalTimeConverter::dayTag(d.addDays(1)));
    EXPECT_EQ(CLocalTimeConverter::dateOf(CLocalTimeConverter::timeAt(d, 900)), d);
}

TEST(ChinaTradingCalendar, closuresAndNeighbours)
{
    using TC::CChinaTradingCalendar;
    EXPECT_FALSE(CChinaTradingCalendar::isTradingDay(QDate(2009, 12, 31))); // before the sample
    EXPECT_TRUE(CChinaTradingCalendar::isTradingDay(QDate(2010, 1, 4)));
    EXPECT_FALSE(CChinaTradingCalendar::isTradingDay(QDate(2026, 11, 28)));  // Saturday
    EXPECT_FALSE(CChinaTradingCalendar::isTradingDay(QDate(2026, 2, 16)));   // lunar new year's eve
    EXPECT_FALSE(CChinaTradingCalendar::isTradingDay(QDate(2026, 2, 20)));   // third day
    EXPECT_TRUE(CChinaTradingCalendar::isTradingDay(QDate(2026, 2, 23)));    // sixth day
    EXPECT_FALSE(CChinaTradingCalendar::isTradingDay(QDate(2035, 2, 5)));    // outside the table: early February
    EXPECT_EQ(CChinaTradingCalendar::tradingDayOnOrBefore(QDate(2026, 10, 7)), QDate(2026, 9, 30));
    EXPECT_EQ(CChinaTradingCalendar::tradingDayOnOrAfter(QDate(2026, 10, 1)), QDate(2026, 10, 8));
    EXPECT_FALSE(CChinaTradingCalendar::tradingDayOnOrBefore(QDate(2010, 1, 1)).isValid());
    EXPECT_TRUE(CChinaTradingCalendar::tradingDays(QDate(2026, 1, 5), QDate(2026, 1, 1)).isEmpty());
    EXPECT_EQ(CChinaTradingCalendar::tradingDays(QDate(2026, 11, 23), QDate(2026, 11, 29)).size(), 5);
}

namespace {

// Runs `body` with the process's time zone set to `zone`, then restores it.
template <typename F> void inZone(const char* zone, F body)
{
    const QByteArray old = qgetenv("TZ");
    const bool had = qEnvironmentVariableIsSet("TZ");
    qputenv("TZ", zone);
    tzset();
    body();
    if (had)
        qputenv("TZ", old);
    else
        qunsetenv("TZ");
    tzset();
}

} // namespace

// The cached wall-clock conversion gives exactly the static one, also on days
// with a daylight-saving change at 02:00, at midnight (the day starts at
// 01:00) and by half an hour, whichever way the dates run.
TEST(LocalTimeConverter, cachedLocalTimeAgreesWithTheStaticRules)
{
    const int minutes[] = {0, 1, 30, 59, 60, 90, 120, 150, 179, 180, 570, 900, 1380, 1439};
    for (const char* zone : {"Europe/Berlin", "America/Sao_Paulo", "America/Havana", "Australia/Lord_Howe",
                             "Asia/Shanghai", "UTC", "CET-1CEST,M3.5.0,M10.5.0/3"}) {
        inZone(zone, [&] {
            CLocalTimeConverter forward;
            for (QDate d(2016, 1, 1); d < QDate(2020, 1, 1); d = d.addDays(1))
                for (int m : minutes)
                    ASSERT_EQ(forward.localTime(d, m), CLocalTimeConverter::timeAt(d, m))
                        << zone << " " << d.toString(Qt::ISODate).toStdString() << " " << m;
            CLocalTimeConverter backward;
            for (QDate d(2019, 12, 31); d >= QDate(2016, 1, 1); d = d.addDays(-1))
                ASSERT_EQ(backward.localTime(d, 0), CLocalTimeConverter::dayTag(d)) << zone;
            // Out-of-day minutes and bad dates keep the static meaning.
            EXPECT_EQ(forward.localTime(QDate(2018, 11, 3), 1440), CLocalTimeConverter::dayTag(QDate(2018, 11, 4)));
            EXPECT_EQ(forward.localTime(QDate(2018, 11, 3), -5), CLocalTimeConverter::dayTag(QDate(2018, 11, 3)));
        });
    }
}
