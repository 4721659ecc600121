#include <QDateTime>

#include <gtest/gtest.h>

#include "platform/market/CBarAggregator.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"

using quoter::CBar;
using TC::CBarAggregator;
using TC::CLocalTimeConverter;

namespace {

CBar dayBar(const QDate& d, double o, double h, double l, double c, double v = 100)
{
    CBar b;
    b.time = CLocalTimeConverter::dayTag(d);
    b.open = o;
    b.high = h;
    b.low = l;
    b.close = c;
    b.volume = v;
    b.amount = v * c;
    return b;
}

CBar minuteBar(const QDate& d, int h, int m, double price, double v = 10)
{
    CBar b;
    b.time = CLocalTimeConverter::timeAt(d, h * 60 + m);
    b.open = b.high = b.low = b.close = price;
    b.volume = v;
    b.amount = v * price;
    return b;
}

QTime timeOf(const CBar& b)
{
    return QDateTime::fromSecsSinceEpoch(b.time).time();
}

QDate dateOf(const CBar& b)
{
    return CLocalTimeConverter::dateOf(b.time);
}

// Minute bars of whole sessions, one per minute, price = minute index.
QVector<CBar> sessionMinutes(const QDate& d, const QVector<TC::CTradingSession>& sessions)
{
    QVector<CBar> out;
    for (const auto& s : sessions)
        for (int m = s.startMinute + 1; m <= s.endMinute; ++m)
            out.append(minuteBar(d, m / 60, m % 60, 10 + out.size() * 0.01));
    return out;
}

const QVector<TC::CTradingSession> kStock{{570, 690}, {780, 900}};
const QVector<TC::CTradingSession> kFutures{{540, 615}, {630, 690}, {810, 900}};

} // namespace

TEST(BarAggregator, weeksAreIsoWeeksAcrossTheYearEnd)
{
    // 2020-12-28 (Mon) .. 2021-01-08: ISO week 53 of 2020 spans the new year.
    QVector<CBar> days;
    const QDate dates[] = {QDate(2020, 12, 24), QDate(2020, 12, 28), QDate(2020, 12, 31), QDate(2021, 1, 4),
                           QDate(2021, 1, 8)};
    double p = 10;
    for (const QDate& d : dates) {
        days.append(dayBar(d, p, p + 2, p - 1, p + 1));
        p += 1;
    }
    const QVector<CBar> weeks = CBarAggregator::calendar(days, 604800);
    ASSERT_EQ(weeks.size(), 3);
    EXPECT_EQ(dateOf(weeks[0]), QDate(2020, 12, 24));
    EXPECT_EQ(dateOf(weeks[1]), QDate(2020, 12, 31)); // labelled by its last day
    EXPECT_EQ(dateOf(weeks[2]), QDate(2021, 1, 8));
    EXPECT_EQ(weeks[1].open, 11);
    EXPECT_EQ(weeks[1].close, 13);
    EXPECT_EQ(weeks[1].high, 14);
    EXPECT_EQ(weeks[1].low, 10);
    EXPECT_EQ(weeks[1].volume, 200);

    const QVector<CBar> months = CBarAggregator::calendar(days, 2592000);
    ASSERT_EQ(months.size(), 2);
    EXPECT_EQ(dateOf(months[0]), QDate(2020, 12, 31));
    EXPECT_EQ(months[1].open, 13);
    EXPECT_EQ(CBarAggregator::calendar(days, 31536000).size(), 2);
    EXPECT_EQ(CBarAggregator::calendar(days, 7776000).size(), 2);
    EXPECT_EQ(CBarAggregator::calendar(days, 15552000).size(), 2);
    EXPECT_TRUE(CBarAggregator::calendar(days, 12345).isEmpty());
}

TEST(BarAggregator, storeWeeksAndMonthsMatchTheirDays)
{
    TC::CMarketStore* store = TC::CMarketStore::instance();
    const QString key = QStringLiteral("SH600519");
    const QVector<CBar> days = store->bars(key, 86400, 0);
    for (qint64 period :
         {qint64(604800), qint64(2592000), qint64(7776000), qint64(15552000), qint64(31536000)}) {
        const QVector<CBar> agg = store->bars(key, period, 0);
        ASSERT_FALSE(agg.isEmpty());
        int d = 0;
        double volume = 0;
        for (const CBar& b : agg) {
            // Every day up to the bar's label belongs to it; the next day starts another.
            const int first = d;
            double hi = days[d].high, lo = days[d].low;
            while (d < days.size() && days[d].time <= b.time) {
                hi = std::max(hi, days[d].high);
                lo = std::min(lo, days[d].low);
                volume += days[d].volume;
                ++d;
            }
            ASSERT_EQ(days[d - 1].time, b.time);
            ASSERT_EQ(b.open, days[first].open);
            ASSERT_EQ(b.close, days[d - 1].close);
            ASSERT_EQ(b.high, hi);
            ASSERT_EQ(b.low, lo);
            if (period == 604800) {
                int y1 = 0, y2 = 0;
                const int w1 = dateOf(days[first]).weekNumber(&y1);
                const int w2 = dateOf(days[d - 1]).weekNumber(&y2);
                ASSERT_EQ(w1, w2);
                ASSERT_EQ(y1, y2);
                if (d < days.size()) {
                    int y3 = 0;
                    ASSERT_NE(dateOf(days[d]).weekNumber(&y3) * 10000 + y3, w2 * 10000 + y2);
                }
            } else if (period == 2592000 && d < days.size()) {
                ASSERT_NE(dateOf(days[d]).month(), dateOf(days[d - 1]).month());
            }
        }
        EXPECT_EQ(d, days.size());
    }
    EXPECT_EQ(store->bars(key, 31536000, 0).size(), 17); // 2010 .. 2026
}

TEST(BarAggregator, intradayBarsNeverSpanASessionBreak)
{
    const QDate day(2026, 11, 27);
    const QVector<CBar> minutes = sessionMinutes(day, kStock);
    ASSERT_EQ(minutes.size(), 240);

    const QVector<CBar> hours = CBarAggregator::intraday(minutes, 60, kStock);
    ASSERT_EQ(hours.size(), 4);
    EXPECT_EQ(timeOf(hours[0]), QTime(10, 30));
    EXPECT_EQ(timeOf(hours[1]), QTime(11, 30));
    EXPECT_EQ(timeOf(hours[2]), QTime(14, 0));
    EXPECT_EQ(timeOf(hours[3]), QTime(15, 0));
    EXPECT_EQ(hours[1].close, minutes[119].close);
    EXPECT_EQ(hours[2].open, minutes[120].open);
    EXPECT_EQ(hours[0].volume, 600);

    const QVector<CBar> fives = CBarAggregator::intraday(minutes, 5, kStock);
    ASSERT_EQ(fives.size(), 48);
    EXPECT_EQ(timeOf(fives[0]), QTime(9, 35));
    EXPECT_EQ(timeOf(fives[24]), QTime(13, 5));

    // 90 minutes: 09:30-11:00, then the short 11:00-11:30 remainder.
    const QVector<CBar> ninety = CBarAggregator::intraday(minutes, 90, kStock);
    ASSERT_EQ(ninety.size(), 4);
    EXPECT_EQ(timeOf(ninety[0]), QTime(11, 0));
    EXPECT_EQ(timeOf(ninety[1]), QTime(11, 30));
    EXPECT_EQ(timeOf(ninety[2]), QTime(14, 30));
    EXPECT_EQ(ninety[1].volume, 300);
}

TEST(BarAggregator, futuresSessionsCutTheirOwnBuckets)
{
    const QDate day(2026, 11, 26);
    const QVector<CBar> minutes = sessionMinutes(day, kFutures);
    ASSERT_EQ(minutes.size(), 225);
    const QVector<CBar> hours = CBarAggregator::intraday(minutes, 60, kFutures);
    QStringList labels;
    for (const CBar& b : hours)
        labels << timeOf(b).toString(QStringLiteral("HH:mm"));
    EXPECT_EQ(labels.join(QLatin1Char(',')), QStringLiteral("10:00,10:15,11:30,14:30,15:00"));
    EXPECT_EQ(CBarAggregator::intraday(minutes, 15, kFutures).size(), 5 + 4 + 6);
}

TEST(BarAggregator, barsOutsideTheSessionsJoinTheNearestBucket)
{
    const QDate day(2019, 11, 5);
    const QVector<TC::CTradingSession> us{{570, 960}};
    QVector<CBar> minutes;
    minutes.append(minuteBar(day, 9, 30, 1)); // an opening print
    minutes.append(minuteBar(day, 9, 31, 2));
    minutes.append(minuteBar(day, 16, 0, 3));
    minutes.append(minuteBar(day, 16, 1, 4)); // the closing cross
    minutes.append(minuteBar(day.addDays(1), 9, 31, 5));
    const QVector<CBar> fives = CBarAggregator::intraday(minutes, 5, us);
    ASSERT_EQ(fives.size(), 3);
    EXPECT_EQ(timeOf(fives[0]), QTime(9, 35));
    EXPECT_EQ(fives[0].volume, 20);
    EXPECT_EQ(timeOf(fives[1]), QTime(16, 0));
    EXPECT_EQ(fives[1].close, 4);
    EXPECT_EQ(dateOf(fives[2]), day.addDays(1)); // never across days
    EXPECT_TRUE(CBarAggregator::intraday(minutes, 0, us).isEmpty());
}

TEST(BarAggregator, nDayBarsAreCountedFromTheFirstDay)
{
    QVector<CBar> days;
    for (int i = 0; i < 7; ++i)
        days.append(dayBar(QDate(2024, 3, 4).addDays(i), 10 + i, 11 + i, 9 + i, 10.5 + i));
    const QVector<CBar> three = CBarAggregator::everyNDays(days, 3);
    ASSERT_EQ(three.size(), 3);
    EXPECT_EQ(three[0].time, days[2].time);
    EXPECT_EQ(three[0].open, 10);
    EXPECT_EQ(three[0].close, 12.5);
    EXPECT_EQ(three[2].time, days[6].time); // the short last group
    EXPECT_TRUE(CBarAggregator::everyNDays(days, 0).isEmpty());

    TC::CMarketStore* store = TC::CMarketStore::instance();
    const QString key = QStringLiteral("SH600000");
    EXPECT_EQ(store->bars(key, 10, 0, 5).size(), (store->dayBars(key).size() + 4) / 5);
    EXPECT_EQ(store->bars(key, 11, 0, 2).size(), 20 * 2); // one per session
    EXPECT_EQ(store->bars(key, 13, 0, 7).size(), 20 * (18 + 18));
    EXPECT_EQ(store->bars(key, 3600, 0), store->bars(key, 11, 0, 1));
    EXPECT_EQ(store->bars(key, 60, 0), store->minuteBars(key));
    EXPECT_EQ(store->bars(key, 10, 0), store->dayBars(key));
    EXPECT_TRUE(store->bars(key, 13, 0, 0).isEmpty());
    EXPECT_TRUE(store->bars(key, 0, 0).isEmpty());
    EXPECT_TRUE(store->bars(key, 12345, 0).isEmpty());
    EXPECT_TRUE(store->bars(QStringLiteral("NOPE"), 86400, 0).isEmpty());
    for (qint64 p : {qint64(180), qint64(300), qint64(600), qint64(900), qint64(1800)})
        EXPECT_EQ(store->bars(key, p, 0).size(), 20 * 240 / (p / 60)) << p;
}
