// The market simulator: deterministic ticks inside the sessions, folded into
// minute and day bars the way the store's history is built.
#include <memory>

#include <QSet>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/market/CBarAggregator.h"
#include "platform/market/CChinaTradingCalendar.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketSimulator.h"
#include "platform/market/CMarketStore.h"

using TC::CLocalTimeConverter;
using TC::CMarketSimulator;
using TC::CMarketStore;

namespace {

const QString kStock = QStringLiteral("SH600000");
const QString kFutures = QStringLiteral("SFrb888");

std::unique_ptr<CMarketStore> freshStore()
{
    return std::make_unique<CMarketStore>(CMarketStore::kDefaultSeed, QDate(2026, 11, 27), false);
}

bool inSessionOf(const CMarketStore& store, const QString& market, qint64 ms)
{
    const QDate d = CLocalTimeConverter::dateOf(ms / 1000);
    for (const TC::CTradingSession& s : store.sessions(market)) {
        if (ms > CLocalTimeConverter::timeAt(d, s.startMinute) * 1000 &&
            ms <= CLocalTimeConverter::timeAt(d, s.endMinute) * 1000)
            return true;
    }
    return false;
}

} // namespace

TEST(ServiceSimulator, stillWithoutSubscriptionsAndOffByDefault)
{
    auto store = freshStore();
    CMarketSimulator sim(store.get());
    EXPECT_FALSE(sim.isRunning());
    const qint64 clock = sim.clock();
    const int ticks = store->ticks(kStock).size();
    EXPECT_EQ(sim.step(), 0);
    EXPECT_EQ(sim.clock(), clock);
    EXPECT_EQ(store->ticks(kStock).size(), ticks);

    sim.subscribe(kStock);
    sim.subscribe(kStock);
    sim.unsubscribe(kStock);
    EXPECT_TRUE(sim.isSubscribed(kStock));
    sim.unsubscribe(kStock);
    sim.unsubscribe(kStock); // one too many: ignored
    EXPECT_FALSE(sim.isSubscribed(kStock));
    sim.subscribe("XXnothing"); // unknown instruments never tick
    EXPECT_EQ(sim.step(), 0);
}

TEST(ServiceSimulator, ticksStayInSessionAndBuildTheMinuteAndDayBars)
{
    auto store = freshStore();
    const QDate oldToday = store->today();
    const int oldTicks = store->ticks(kStock).size();
    CMarketSimulator sim(store.get());
    QSignalSpy spy(&sim, &CMarketSimulator::sigInstrumentTicked);
    sim.subscribe(kStock);
    sim.subscribe(kFutures);
    // From 09:35 of the next trading day both markets trade.
    const QDate next = TC::CChinaTradingCalendar::tradingDayOnOrAfter(oldToday.addDays(1));
    sim.setClock(CLocalTimeConverter::timeAt(next, 575) * 1000);
    int ticked = 0;
    for (int i = 0; i < 300; ++i)
        ticked += sim.step();
    EXPECT_GT(ticked, 300);
    EXPECT_EQ(spy.count(), ticked);
    // The first step opened the next trading day.
    EXPECT_GT(store->today(), oldToday);
    const qint64 dayTag = CLocalTimeConverter::dayTag(store->today());

    for (const QString& key : {kStock, kFutures}) {
        const QString market = key.left(2);
        const QVector<quoter::CTick> all = store->ticks(key);
        const QVector<quoter::CTick> ticks = key == kStock ? all.mid(oldTicks) : all;
        QVector<quoter::CTick> today;
        for (const quoter::CTick& t : ticks) {
            if (t.timeMs / 1000 > dayTag)
                today.append(t);
        }
        ASSERT_FALSE(today.isEmpty()) << key.toStdString();
        // Rebuild the day's minute bars from its ticks.
        QVector<quoter::CBar> bars;
        for (const quoter::CTick& t : today) {
            EXPECT_TRUE(inSessionOf(*store, market, t.timeMs)) << t.timeMs;
            const qint64 end = (t.timeMs + 59999) / 60000 * 60;
            if (bars.isEmpty() || bars.last().time != end)
                bars.append({end, t.price, t.price, t.price, t.price, t.volume, t.amount});
            else {
                quoter::CBar& b = bars.last();
                b.high = std::max(b.high, t.price);
                b.low = std::min(b.low, t.price);
                b.close = t.price;
                b.volume += t.volume;
                b.amount += t.amount;
            }
        }
        const QVector<quoter::CBar> minutes = store->minuteBars(key);
        ASSERT_GE(minutes.size(), bars.size());
        const QVector<quoter::CBar> stored = minutes.mid(minutes.size() - bars.size());
        for (int i = 0; i < bars.size(); ++i) {
            EXPECT_EQ(stored[i].time, bars[i].time);
            EXPECT_DOUBLE_EQ(stored[i].close, bars[i].close);
            EXPECT_DOUBLE_EQ(stored[i].high, bars[i].high);
            EXPECT_DOUBLE_EQ(stored[i].volume, bars[i].volume);
        }
        const QVector<quoter::CBar> days = store->dayBars(key);
        ASSERT_EQ(days.last().time, dayTag);
        const QVector<quoter::CBar> fromMinutes = TC::CBarAggregator::daysFromMinutes(bars);
        ASSERT_EQ(fromMinutes.size(), 1);
        EXPECT_DOUBLE_EQ(days.last().open, fromMinutes[0].open);
        EXPECT_DOUBLE_EQ(days.last().high, fromMinutes[0].high);
        EXPECT_DOUBLE_EQ(days.last().low, fromMinutes[0].low);
        EXPECT_DOUBLE_EQ(days.last().close, fromMinutes[0].close);
        EXPECT_DOUBLE_EQ(days.last().volume, fromMinutes[0].volume);
    }
}

TEST(ServiceSimulator, sameSeedSameTicks)
{
    auto a = freshStore();
    auto b = freshStore();
    CMarketSimulator simA(a.get(), 5);
    CMarketSimulator simB(b.get(), 5);
    simA.subscribe(kStock);
    simB.subscribe(kStock);
    for (int i = 0; i < 50; ++i) {
        simA.step();
        simB.step();
    }
    EXPECT_EQ(a->ticks(kStock), b->ticks(kStock));
    EXPECT_EQ(a->minuteBars(kStock), b->minuteBars(kStock));
    EXPECT_EQ(simA.clock(), simB.clock());

    auto c = freshStore();
    CMarketSimulator simC(c.get(), 6);
    simC.subscribe(kStock);
    for (int i = 0; i < 50; ++i)
        simC.step();
    EXPECT_NE(a->ticks(kStock), c->ticks(kStock));
}

TEST(ServiceSimulator, rollsOverTheLunchBreakAndToTheNextTradingDay)
{
    auto store = freshStore();
    CMarketSimulator sim(store.get());
    sim.subscribe(kStock);
    ASSERT_EQ(sim.step(), 1);
    const QDate day = store->today();
    // Just before the lunch break: the next ticks are in the afternoon session.
    sim.setClock(CLocalTimeConverter::timeAt(day, 690) * 1000 - 1000);
    sim.step();
    const qint64 afternoon = CLocalTimeConverter::timeAt(day, 780) * 1000;
    EXPECT_GT(sim.clock(), afternoon);
    EXPECT_LT(sim.clock(), afternoon + 10000);
    // setClock never goes back.
    sim.setClock(0);
    EXPECT_GT(sim.clock(), afternoon);

    sim.setClock(CLocalTimeConverter::timeAt(day, 900) * 1000 - 1000);
    sim.step();
    EXPECT_GT(store->today(), day);
    const QVector<quoter::CBar> days = store->dayBars(kStock);
    ASSERT_GE(days.size(), 2);
    EXPECT_EQ(days.last().time, CLocalTimeConverter::dayTag(store->today()));
    EXPECT_EQ(days[days.size() - 2].time, CLocalTimeConverter::dayTag(day));
}

TEST(ServiceSimulator, timerDrivesStepsUntilStopped)
{
    auto store = freshStore();
    CMarketSimulator sim(store.get());
    sim.subscribe(kStock);
    QSignalSpy spy(&sim, &CMarketSimulator::sigInstrumentTicked);
    sim.start(1);
    EXPECT_TRUE(sim.isRunning());
    QTRY_VERIFY_WITH_TIMEOUT(spy.count() >= 3, 5000);
    sim.stop();
    EXPECT_FALSE(sim.isRunning());
    const int count = spy.count();
    QTest::qWait(20);
    EXPECT_EQ(spy.count(), count);
}

TEST(ServiceSimulator, aLiveDayTradesAboutWhatTheRecentDaysTradedMinuteByMinute)
{
    auto store = freshStore();
    // Independent reference: the mean minute volume of the last five days.
    const QVector<quoter::CBar> history = store->minuteBars(kStock);
    ASSERT_GT(history.size(), 1000);
    const QDate lastDay = CLocalTimeConverter::dateOf(history.last().time);
    double refSum = 0.0;
    int refBars = 0;
    QSet<QDate> refDays;
    for (int i = history.size() - 1; i >= 0; --i) {
        const QDate d = CLocalTimeConverter::dateOf(history[i].time);
        if (!refDays.contains(d) && refDays.size() == 5)
            break;
        refDays.insert(d);
        refSum += history[i].volume;
        ++refBars;
    }
    const double refMean = refSum / refBars;

    CMarketSimulator sim(store.get());
    sim.subscribe(kStock);
    // Trade one whole new day: until the clock has moved on past it.
    QDate traded;
    for (int i = 0; i < 20000; ++i) {
        sim.step();
        const QDate d = CLocalTimeConverter::dateOf(sim.clock() / 1000);
        if (d > lastDay && !traded.isValid())
            traded = d;
        if (traded.isValid() && d > traded)
            break;
    }
    ASSERT_TRUE(traded.isValid());
    double liveSum = 0.0;
    int liveBars = 0;
    for (const quoter::CBar& b : store->minuteBars(kStock)) {
        if (CLocalTimeConverter::dateOf(b.time) != traded)
            continue;
        liveSum += b.volume;
        ++liveBars;
    }
    ASSERT_GT(liveBars, 200);
    const double liveMean = liveSum / liveBars;
    EXPECT_GT(liveMean, 0.6 * refMean);
    EXPECT_LT(liveMean, 1.6 * refMean);

    // The day's shape follows too: the first half hour against the half hour
    // before the lunch break, live and in the reference days.
    auto shape = [&](const QVector<quoter::CBar>& bars, const QSet<QDate>& days) {
        double open = 0.0;
        double late = 0.0;
        for (const quoter::CBar& b : bars) {
            const QDateTime t = QDateTime::fromSecsSinceEpoch(b.time);
            if (!days.contains(t.date()))
                continue;
            const int minute = t.time().hour() * 60 + t.time().minute();
            if (minute > 570 && minute <= 600)
                open += b.volume;
            else if (minute > 660 && minute <= 690)
                late += b.volume;
        }
        return late > 0.0 ? open / late : 0.0;
    };
    const double refShape = shape(history, refDays);
    const double liveShape = shape(store->minuteBars(kStock), QSet<QDate>{traded});
    ASSERT_GT(refShape, 1.3); // the sample's busy opening
    EXPECT_GT(liveShape, refShape / 1.6);
    EXPECT_LT(liveShape, refShape * 1.6);
}
