#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <thread>

#include <QRegularExpression>

#include <QDateTime>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include "platform/market/CBarAggregator.h"
#include "platform/market/CChinaTradingCalendar.h"
#include "platform/market/CDividAdjuster.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"
#include "platform/market/CSampleMarketGenerator.h"

using quoter::CBar;
using TC::CMarketStore;
using TC::CSampleMarketGenerator;

namespace {

CMarketStore* store()
{
    return CMarketStore::instance();
}

QDate dateOf(qint64 t)
{
    return TC::CLocalTimeConverter::dateOf(t);
}

bool isSample(const QString& key)
{
    return !key.startsWith(QLatin1String("US"));
}

::testing::AssertionResult barOk(const CBar& b)
{
    if (!(b.low <= std::min(b.open, b.close) && b.high >= std::max(b.open, b.close) && b.low > 0.0))
        return ::testing::AssertionFailure()
               << "OHLC " << b.open << ' ' << b.high << ' ' << b.low << ' ' << b.close;
    if (b.volume < 0.0)
        return ::testing::AssertionFailure() << "volume " << b.volume;
    return ::testing::AssertionSuccess();
}

double tickOf(const QString& key)
{
    return store()->instrument(key)->priceTick;
}

bool onTick(double price, double tick)
{
    const double n = price / tick;
    return std::fabs(n - std::round(n)) < 1e-6;
}

} // namespace

TEST(MarketStore, holdsTheDocumentedInstruments)
{
    const QStringList keys = store()->instrumentKeys();
    QStringList sorted = keys;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(keys, sorted);
    for (const char* k : {"SH600519", "SZ000651", "SZ000063", "SH600000", "SH000001", "SZ399001", "SH110059",
                          "SFrb888", "EDM0017126", "USGOOG", "USFB", "USSPX"})
        EXPECT_TRUE(keys.contains(QLatin1String(k))) << k;
    EXPECT_EQ(keys.filter(QRegularExpression(QStringLiteral("^BKZS"))).size(), 12);

    const auto moutai = store()->instrument(QStringLiteral("SH600519"));
    ASSERT_TRUE(moutai);
    EXPECT_EQ(moutai->name, "贵州茅台");
    EXPECT_EQ(moutai->stockType, 100001);
    EXPECT_EQ(moutai->code, "600519");
    EXPECT_EQ(moutai->market, "SH");
    const auto index = store()->instrument(QStringLiteral("SH000001"));
    EXPECT_EQ(index->stockType, 100012);
    EXPECT_EQ(index->kind, "index");
    EXPECT_EQ(index->upperLimitPrice, 1.7976931348623157e308);
    const auto fut = store()->instrument(QStringLiteral("SFrb888"));
    EXPECT_EQ(fut->priceTick, 1.0);
    const auto ed = store()->instrument(QStringLiteral("EDM0017126"));
    EXPECT_NE(ed->auxStatus, 0);
    EXPECT_EQ(store()->instrument(QStringLiteral("USSPX"))->name, "S&P 500");
    EXPECT_FALSE(store()->instrument(QStringLiteral("SH999999")));
    // Returned records are copies: changing one leaves the store alone.
    moutai->lastClose = -1;
    EXPECT_NE(store()->instrument(QStringLiteral("SH600519"))->lastClose, -1);
}

TEST(MarketStore, everyBarKeepsOhlcOrderAndTick)
{
    for (const QString& key : store()->instrumentKeys()) {
        const double tick = tickOf(key);
        const bool sample = isSample(key);
        const bool external = key.startsWith(QLatin1String("ED"));
        for (const auto& list : {store()->dayBars(key), store()->minuteBars(key)}) {
            for (int i = 0; i < list.size(); ++i) {
                const CBar& b = list[i];
                ASSERT_TRUE(barOk(b)) << key.toStdString() << " bar " << i;
                if (i > 0) {
                    ASSERT_LT(list[i - 1].time, b.time) << key.toStdString();
                }
                if (!sample)
                    continue;
                // Sample prices lie on the tick; volume traded except for external data.
                ASSERT_TRUE(onTick(b.open, tick) && onTick(b.high, tick) && onTick(b.low, tick) &&
                            onTick(b.close, tick))
                    << key.toStdString() << " bar " << i;
                if (external) {
                    ASSERT_EQ(b.volume, 0.0);
                    ASSERT_TRUE(b.open == b.close && b.high == b.low && b.open == b.high);
                    continue;
                }
                ASSERT_GT(b.volume, 0.0) << key.toStdString();
                const double avg = b.amount / b.volume;
                ASSERT_GE(avg, b.low - 1e-6) << key.toStdString() << " bar " << i;
                ASSERT_LE(avg, b.high + 1e-6) << key.toStdString() << " bar " << i;
            }
        }
    }
}

TEST(MarketStore, stockMovesStayWithinTheDailyLimit)
{
    for (const char* k : {"SH600519", "SZ000651", "SZ000063", "SH600000"}) {
        const QString key = QLatin1String(k);
        const QVector<CBar> days = store()->dayBars(key);
        for (int i = 1; i < days.size(); ++i) {
            const double prev = store()->prevClose(key, dateOf(days[i].time));
            ASSERT_LE(days[i].high, TC::CDividAdjuster::roundToTick(prev * 1.1, 0.01) + 1e-9)
                << k << ' ' << i;
            ASSERT_GE(days[i].low, TC::CDividAdjuster::roundToTick(prev * 0.9, 0.01) - 1e-9) << k << ' ' << i;
        }
    }
}

TEST(MarketStore, activeStockHasTheHighestVolume)
{
    auto meanVolume = [](const QString& key) {
        double sum = 0;
        const QVector<CBar> days = store()->dayBars(key);
        for (const CBar& b : days)
            sum += b.volume;
        return sum / std::max(1, days.size());
    };
    const double active = meanVolume(QLatin1String(CSampleMarketGenerator::activeStock()));
    for (const char* k : {"SH600519", "SZ000651", "SZ000063"})
        EXPECT_GT(active, meanVolume(QLatin1String(k))) << k;
}

TEST(MarketStore, calendarSkipsWeekendsAndHolidays)
{
    const QVector<qint64> tags = store()->tradeDates(QStringLiteral("SH"));
    ASSERT_FALSE(tags.isEmpty());
    EXPECT_EQ(dateOf(tags.first()), QDate(2010, 1, 4));
    EXPECT_EQ(dateOf(tags.last()), QDate(2026, 11, 27));
    EXPECT_EQ(store()->lastTradingDay(QStringLiteral("SH")), tags.last());
    QSet<QDate> days;
    for (qint64 t : tags) {
        const QDate d = dateOf(t);
        ASSERT_EQ(t, TC::CLocalTimeConverter::dayTag(d));
        ASSERT_LE(d.dayOfWeek(), 5) << d.toString(Qt::ISODate).toStdString();
        days.insert(d);
    }
    // National Day week, Spring Festival 2024 (10 Feb), New Year and Labour Day.
    for (const QDate& d : {QDate(2024, 10, 1), QDate(2024, 10, 4), QDate(2024, 2, 9), QDate(2024, 2, 12),
                           QDate(2024, 2, 15), QDate(2025, 1, 1), QDate(2025, 5, 1)})
        EXPECT_FALSE(days.contains(d)) << d.toString(Qt::ISODate).toStdString();
    for (const QDate& d : {QDate(2024, 10, 8), QDate(2024, 2, 8), QDate(2024, 2, 16), QDate(2025, 1, 2)})
        EXPECT_TRUE(days.contains(d)) << d.toString(Qt::ISODate).toStdString();
    // Every sample stock trades only on calendar days.
    for (const CBar& b : store()->dayBars(QStringLiteral("SH600519")))
        ASSERT_TRUE(days.contains(dateOf(b.time)));
    EXPECT_EQ(store()->dayBars(QStringLiteral("SH600519")).size(), tags.size());
    EXPECT_EQ(store()->lastTradingDay(QStringLiteral("XX")), 0);
    EXPECT_TRUE(store()->tradeDates(QStringLiteral("XX")).isEmpty());
    // The US calendar is the union of the real samples' days.
    EXPECT_EQ(dateOf(store()->lastTradingDay(QStringLiteral("US"))), QDate(2019, 11, 8));
}

TEST(MarketStore, suspensionDaysHaveNoBars)
{
    const QString key = QLatin1String(CSampleMarketGenerator::suspendedStock());
    const QVector<QDate> suspended = CSampleMarketGenerator::suspensionDays(key);
    ASSERT_GE(suspended.size(), 20); // a multi-week suspension and single days
    QSet<QDate> barDays;
    for (const CBar& b : store()->dayBars(key))
        barDays.insert(dateOf(b.time));
    for (const QDate& d : suspended) {
        EXPECT_TRUE(TC::CChinaTradingCalendar::isTradingDay(d));
        EXPECT_FALSE(barDays.contains(d)) << d.toString(Qt::ISODate).toStdString();
    }
    EXPECT_EQ(barDays.size() + suspended.size(), store()->tradeDates(QStringLiteral("SZ")).size());
    // The day after a suspension is measured against the close before it.
    const QVector<CBar> days = store()->dayBars(key);
    for (int i = 1; i < days.size(); ++i) {
        if (dateOf(days[i].time) == QDate(2018, 6, 13)) {
            EXPECT_EQ(dateOf(days[i - 1].time), QDate(2018, 4, 16));
            EXPECT_EQ(store()->prevClose(key, QDate(2018, 6, 13)), days[i - 1].close);
        }
    }
}

TEST(MarketStore, minuteBarsOfTheLastDaysAggregateToTheirDayBars)
{
    for (const QString& key : store()->instrumentKeys()) {
        if (!isSample(key) || key.startsWith(QLatin1String("ED")))
            continue;
        const QVector<CBar> minutes = store()->minuteBars(key);
        const QVector<CBar> days = store()->dayBars(key);
        const int perDay = key.startsWith(QLatin1String("SF")) ? 225 : 240;
        ASSERT_EQ(minutes.size(), CSampleMarketGenerator::kMinuteDays * perDay) << key.toStdString();
        const QVector<CBar> agg = TC::CBarAggregator::daysFromMinutes(minutes);
        ASSERT_EQ(agg.size(), CSampleMarketGenerator::kMinuteDays);
        for (int i = 0; i < agg.size(); ++i) {
            const CBar& d = days[days.size() - agg.size() + i];
            EXPECT_EQ(agg[i].time, d.time);
            EXPECT_EQ(agg[i].open, d.open);
            EXPECT_EQ(agg[i].high, d.high);
            EXPECT_EQ(agg[i].low, d.low);
            EXPECT_EQ(agg[i].close, d.close);
            EXPECT_DOUBLE_EQ(agg[i].volume, d.volume);
            EXPECT_NEAR(agg[i].amount, d.amount, 1e-6 * d.amount);
        }
        // Minute bars sit inside the sessions, labelled by their end minute.
        const QVector<TC::CTradingSession> sessions = store()->sessions(
            key.left(2) == QLatin1String("SF") ? QStringLiteral("SF") : QStringLiteral("SH"));
        for (const CBar& b : minutes) {
            const QTime t = QDateTime::fromSecsSinceEpoch(b.time).time();
            const int m = t.hour() * 60 + t.minute();
            ASSERT_EQ(t.second(), 0);
            bool inside = false;
            for (const TC::CTradingSession& s : sessions)
                inside = inside || (m > s.startMinute && m <= s.endMinute);
            ASSERT_TRUE(inside) << key.toStdString() << ' ' << t.toString().toStdString();
        }
    }
    const QVector<CBar> m = store()->minuteBars(QStringLiteral("SH600519"));
    EXPECT_EQ(QDateTime::fromSecsSinceEpoch(m.first().time).time(), QTime(9, 31));
    EXPECT_EQ(QDateTime::fromSecsSinceEpoch(m[119].time).time(), QTime(11, 30));
    EXPECT_EQ(QDateTime::fromSecsSinceEpoch(m[120].time).time(), QTime(13, 1));
    EXPECT_EQ(QDateTime::fromSecsSinceEpoch(m.last().time).time(), QTime(15, 0));
}

TEST(MarketStore, ticksOfTheLastDayMatchTheirMinuteBars)
{
    const QString key = QStringLiteral("SH600000");
    const QVector<quoter::CTick> ticks = store()->ticks(key);
    const QVector<CBar> minutes = store()->minuteBars(key);
    ASSERT_EQ(ticks.size(), 240 * CSampleMarketGenerator::kTicksPerMinute);
    const int first = minutes.size() - 240;
    for (int m = 0; m < 240; ++m) {
        const CBar& bar = minutes[first + m];
        double hi = -1, lo = 1e300, vol = 0, amount = 0;
        for (int i = 0; i < CSampleMarketGenerator::kTicksPerMinute; ++i) {
            const quoter::CTick& t = ticks[m * CSampleMarketGenerator::kTicksPerMinute + i];
            ASSERT_GT(t.timeMs, (bar.time - 60) * 1000);
            ASSERT_LE(t.timeMs, bar.time * 1000);
            hi = std::max(hi, t.price);
            lo = std::min(lo, t.price);
            vol += t.volume;
            amount += t.amount;
            ASSERT_GT(t.volume, 0);
        }
        EXPECT_EQ(ticks[m * CSampleMarketGenerator::kTicksPerMinute].price, bar.open);
        EXPECT_EQ(ticks[(m + 1) * CSampleMarketGenerator::kTicksPerMinute - 1].price, bar.close);
        EXPECT_EQ(hi, bar.high);
        EXPECT_EQ(lo, bar.low);
        EXPECT_DOUBLE_EQ(vol, bar.volume);
        EXPECT_NEAR(amount, bar.amount, 1e-6 * bar.amount);
    }
    EXPECT_TRUE(store()->ticks(QStringLiteral("EDM0017126")).isEmpty());
}

TEST(MarketStore, detailPricesComeFromThePreviousClose)
{
    for (const QString& key : store()->instrumentKeys()) {
        const auto d = store()->instrument(key);
        const QVector<CBar> days = store()->dayBars(key);
        ASSERT_GE(days.size(), 2) << key.toStdString();
        EXPECT_DOUBLE_EQ(d->lastClose, days[days.size() - 2].close) << key.toStdString();
        if (d->kind == "stock" && isSample(key)) {
            EXPECT_DOUBLE_EQ(d->upperLimitPrice, TC::CDividAdjuster::roundToTick(d->lastClose * 1.1, 0.01));
            EXPECT_DOUBLE_EQ(d->lowerLimitPrice, TC::CDividAdjuster::roundToTick(d->lastClose * 0.9, 0.01));
        }
    }
    // Unknown instruments and days without an earlier bar have no previous close.
    EXPECT_EQ(store()->prevClose(QStringLiteral("XX1"), QDate(2020, 1, 2)), 1.7976931348623157e308);
    EXPECT_EQ(store()->prevClose(QStringLiteral("SH600519"), QDate(2010, 1, 4)), 1.7976931348623157e308);
}

TEST(MarketStore, rankListDaysAreTheBigMoves)
{
    const QString key = QLatin1String(CSampleMarketGenerator::rankListStock());
    const QVector<TC::CRankListRecord> records = store()->rankList(key);
    const QVector<CBar> days = store()->dayBars(key);
    EXPECT_NEAR(double(records.size()) / days.size(), 0.02, 0.002);
    QMap<qint64, int> index;
    for (int i = 0; i < days.size(); ++i)
        index.insert(days[i].time, i);
    double smallestListed = 1;
    for (const TC::CRankListRecord& r : records) {
        ASSERT_TRUE(index.contains(r.time / 1000));
        const int i = index.value(r.time / 1000);
        ASSERT_GT(i, 0);
        smallestListed = std::min(smallestListed, std::fabs(days[i].close / days[i - 1].close - 1));
        EXPECT_FALSE(r.reason.isEmpty());
        EXPECT_EQ(r.buyers.size(), 5);
        EXPECT_EQ(r.sellers.size(), 5);
        EXPECT_GT(r.buyers.first().amount, 0);
    }
    EXPECT_GT(smallestListed, 0.04);
    EXPECT_TRUE(store()->rankList(QStringLiteral("SH600000")).isEmpty());
}

TEST(MarketStore, sameSeedGivesTheSameMarket)
{
    QElapsedTimer timer;
    timer.start();
    CMarketStore a(CMarketStore::kDefaultSeed, QDate(2026, 11, 27), false);
    const qint64 ms = timer.elapsed();
    ::testing::Test::RecordProperty("generation_ms", int(ms));
    std::printf("[ info ] sample market generated in %lld ms\n", static_cast<long long>(ms));
    CMarketStore b(CMarketStore::kDefaultSeed, QDate(2026, 11, 27), false);
    const TC::CMarketData da = a.snapshot();
    const TC::CMarketData db = b.snapshot();
    ASSERT_EQ(da.instruments.keys(), db.instruments.keys());
    for (const QString& key : da.instruments.keys()) {
        const TC::CInstrumentData& x = da.instruments[key];
        const TC::CInstrumentData& y = db.instruments[key];
        EXPECT_EQ(x.dayBars, y.dayBars) << key.toStdString();
        EXPECT_EQ(x.minuteBars, y.minuteBars) << key.toStdString();
        EXPECT_EQ(x.ticks, y.ticks) << key.toStdString();
        EXPECT_EQ(x.divids, y.divids) << key.toStdString();
        EXPECT_EQ(x.rankList, y.rankList) << key.toStdString();
        EXPECT_EQ(x.detail.lastClose, y.detail.lastClose);
    }
    EXPECT_EQ(da.tradeDates, db.tradeDates);
    // The process-wide store is the same sample.
    EXPECT_EQ(a.dayBars(QStringLiteral("SZ000651")), store()->dayBars(QStringLiteral("SZ000651")));

    CMarketStore other(7, QDate(2026, 11, 27), false);
    EXPECT_NE(other.dayBars(QStringLiteral("SH600519")), a.dayBars(QStringLiteral("SH600519")));
}

TEST(MarketStore, anotherTodayMovesTheWholeSample)
{
    // A Saturday falls back to the Friday before it.
    CMarketStore s(CMarketStore::kDefaultSeed, QDate(2021, 3, 6), false);
    EXPECT_EQ(s.today(), QDate(2021, 3, 5));
    EXPECT_EQ(dateOf(s.dayBars(QStringLiteral("SH600519")).last().time), QDate(2021, 3, 5));
    EXPECT_EQ(s.minuteBars(QStringLiteral("SH600519")).size(), 20 * 240);
    EXPECT_FALSE(s.hasInstrument(QStringLiteral("USGOOG")));
    // Before the bond's listing it has no bars at all, and nothing breaks.
    CMarketStore early(CMarketStore::kDefaultSeed, QDate(2011, 1, 10), false);
    EXPECT_TRUE(early.dayBars(QStringLiteral("SH110059")).isEmpty());
    EXPECT_TRUE(early.bars(QStringLiteral("SH110059"), 604800, 1).isEmpty());
    EXPECT_FALSE(early.listing().isEmpty());
}

TEST(MarketStore, sectorsAndConvertibleBonds)
{
    for (const char* k : {"SH600519", "SZ000651", "SZ000063", "SH600000"}) {
        const QString key = QLatin1String(k);
        for (int level = 1; level <= 3; ++level) {
            const QString sector = store()->sectorOf(key, level);
            ASSERT_FALSE(sector.isEmpty()) << k << ' ' << level;
            const QString bkzs = store()->sectorIndexKey(sector);
            ASSERT_TRUE(bkzs.startsWith(QLatin1String("BKZS"))) << sector.toStdString();
            const auto d = store()->instrument(bkzs);
            ASSERT_TRUE(d);
            EXPECT_EQ(d->sectorLevel, level);
            EXPECT_EQ(QString::fromStdString(d->name), sector);
        }
        EXPECT_TRUE(store()->sectorOf(key, 0).isEmpty());
        EXPECT_TRUE(store()->sectorOf(key, 4).isEmpty());
    }
    EXPECT_TRUE(store()->sectorOf(QStringLiteral("SH000001"), 1).isEmpty());
    EXPECT_TRUE(store()->sectorIndexKey(QStringLiteral("无此板块")).isEmpty());

    const QSet<QString> bonds = store()->convertibleBonds(QStringLiteral("SH600000"));
    ASSERT_EQ(bonds, QSet<QString>{QStringLiteral("SH110059")});
    const auto bond = store()->instrument(QStringLiteral("SH110059"));
    EXPECT_EQ(bond->underlyingCode, "600000");
    EXPECT_EQ(bond->stockType, 10019);
    EXPECT_TRUE(store()->convertibleBonds(QStringLiteral("SH110059")).isEmpty());
    EXPECT_EQ(dateOf(store()->dayBars(QStringLiteral("SH110059")).first().time), QDate(2019, 11, 15));
}

TEST(MarketStore, listingHasOneAlignedLinePerInstrument)
{
    const QString text = store()->listing();
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), store()->instrumentKeys().size() + 1);
    EXPECT_TRUE(lines[0].startsWith(QLatin1String("key")));
    EXPECT_TRUE(lines[0].contains(QLatin1String("month")));
    const QString goog = lines.filter(QRegularExpression(QStringLiteral("^USGOOG "))).value(0);
    ASSERT_FALSE(goog.isEmpty());
    EXPECT_TRUE(goog.contains(QLatin1String("2004-08-19")));
    EXPECT_TRUE(goog.contains(QLatin1String("2008-10-14")));
    EXPECT_TRUE(goog.contains(QLatin1String(" 1047 ")));
    // The last column is right-aligned: every line ends in the same terminal column.
    auto cells = [](const QString& l) {
        int w = 0;
        for (const QChar c : l)
            w += (c.unicode() >= 0x2E80 && c.unicode() <= 0xA4CF) ||
                         (c.unicode() >= 0xFF00 && c.unicode() <= 0xFF60)
                     ? 2
                     : 1;
        return w;
    };
    for (const QString& l : lines)
        EXPECT_EQ(cells(l), cells(lines[0])) << l.toStdString();
}

TEST(MarketStore, concurrentReadersSeeConsistentBars)
{
    CMarketStore s(CMarketStore::kDefaultSeed, QDate(2026, 11, 27), false);
    const QString key = QStringLiteral("SH600519");
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::thread reader([&] {
        while (!stop) {
            const QVector<CBar> m = s.minuteBars(key);
            const QVector<CBar> d = s.bars(key, 300, 0);
            if (m.isEmpty() || d.isEmpty() || !barOk(d.last()))
                ++bad;
        }
    });
    CBar bar = s.minuteBars(key).last();
    for (int i = 0; i < 300; ++i) {
        bar.time += 60;
        ASSERT_TRUE(s.appendMinuteBar(key, bar));
    }
    stop = true;
    reader.join();
    EXPECT_EQ(bad.load(), 0);
}

TEST(MarketStore, resolveKeyTakesAnyCaseAndGivesTheStoresOwnKey)
{
    // The futures key keeps its code's lower case.
    ASSERT_TRUE(store()->hasInstrument(QStringLiteral("SFrb888")));
    EXPECT_FALSE(store()->hasInstrument(QStringLiteral("SFRB888")));
    for (const char* typed : {"SFrb888", "SFRB888", "sfrb888", "sFrB888", " SFRB888\t"})
        EXPECT_EQ(store()->resolveKey(QString::fromLatin1(typed)), QStringLiteral("SFrb888")) << typed;
    EXPECT_EQ(store()->resolveKey(QStringLiteral("sh600519")), QStringLiteral("SH600519"));
    EXPECT_EQ(store()->resolveKey(QStringLiteral("usGoog")), QStringLiteral("USGOOG"));
    for (const char* typed : {"", "  ", "SFrb88", "SFrb8888", "600519", "贵州茅台", "SH 600519"})
        EXPECT_TRUE(store()->resolveKey(QString::fromUtf8(typed)).isEmpty()) << typed;
    QStringList matches{QStringLiteral("stale")};
    EXPECT_TRUE(store()->resolveKey(QStringLiteral("XX1"), &matches).isEmpty());
    EXPECT_TRUE(matches.isEmpty());
}

TEST(MarketStore, resolveKeyPrefersTheExactKeyAndRefusesACaseTie)
{
    CMarketStore own(7, QDate(2024, 1, 5), false);
    qlservice::CInstrumentDetail d;
    d.market = "SF";
    d.code = "RB888";
    d.key = "SFRB888";
    d.name = "upper-case twin";
    const CBar bar{TC::CLocalTimeConverter::dayTag(QDate(2024, 1, 4)), 10, 11, 9, 10.5, 100, 1000};
    ASSERT_TRUE(own.addInstrument(d, {bar}, {}));
    ASSERT_TRUE(own.hasInstrument(QStringLiteral("SFrb888")));

    EXPECT_EQ(own.resolveKey(QStringLiteral("SFRB888")), QStringLiteral("SFRB888"));
    EXPECT_EQ(own.resolveKey(QStringLiteral("SFrb888")), QStringLiteral("SFrb888"));
    // Neither spelling is exact: which one the user meant cannot be told.
    QStringList matches;
    EXPECT_TRUE(own.resolveKey(QStringLiteral("sfrb888"), &matches).isEmpty());
    EXPECT_EQ(matches, (QStringList{"SFRB888", "SFrb888"}));
}
