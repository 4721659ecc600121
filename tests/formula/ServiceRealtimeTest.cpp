// Live requests against the real engine over a private store driven by the
// simulator: what real time sends must equal what a fresh history gives.
#include <algorithm>
#include <memory>

#include <QCoreApplication>

#include <gtest/gtest.h>

#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/formula/service/CFormulaResultOps.h"
#include "platform/formula/service/CReplayManager.h"
#include "platform/market/CChinaTradingCalendar.h"
#include "platform/market/CLocalTimeConverter.h"
#include "common/PrivateMarket.h"
#include "platform/market/CMarketSimulator.h"
#include "platform/market/CMarketStore.h"

using TC::CFormulaManager;
using TC::CFormulaParam;

namespace {

CFormulaParam record(const QString& key, const QString& formula, qint64 periodMs, const QString& id)
{
    CFormulaParam p;
    p.market = key.left(2);
    p.code = key.mid(2);
    p.formula = formula;
    p.periodMs = periodMs;
    p.requestId = id;
    return p;
}

// What a chart series holds: the history, merged with every real-time update.
struct Held {
    std::shared_ptr<se::RPCFormulaResult> result;
    int appends = 0;
    int covers = 0;
    int reloads = 0;
};

class ServiceRealtime : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ktest::PrivateMarket::createStore(); }
    static void TearDownTestSuite() { ktest::PrivateMarket::destroyStore(); }
    void SetUp() override
    {
        manager()->resetBackend();
        m_market.attach();
        m_sim = m_market.simulator();
        m_store = ktest::PrivateMarket::store();
    }
    void TearDown() override
    {
        manager()->unrequestFormulas(manager()->requestIds().toVector());
        m_market.detach();
    }
    static CFormulaManager* manager() { return CFormulaManager::instance(); }

    CFormulaManager::HistoryCallback onHistory()
    {
        return [this](const CFormulaManager::MetaPtr&, const CFormulaManager::ResultPtr& r, QString id,
                      int type, QString text, bool) {
            EXPECT_NE(type, CFormulaManager::kHistoryFailed)
                << id.toStdString() << ": " << text.toStdString();
            Held& h = m_held[id];
            h.result = std::make_shared<se::RPCFormulaResult>(*r);
            if (type == CFormulaManager::kHistoryReload)
                ++h.reloads;
        };
    }
    CFormulaManager::RealtimeCallback onRealtime()
    {
        return [this](int type, QString id, const CFormulaManager::InstantPtr& instant) {
            Held& h = m_held[id];
            ASSERT_TRUE(h.result) << "real time before history";
            ASSERT_TRUE(TC::CFormulaResultOps::apply(*h.result, type, *instant));
            (type == CFormulaManager::kRealtimeAppend ? h.appends : h.covers)++;
        };
    }

    ktest::PrivateMarket m_market;
    TC::CMarketStore* m_store = nullptr;
    TC::CMarketSimulator* m_sim = nullptr;
    QMap<QString, Held> m_held;
};

void expectSameSeries(const se::RPCFormulaResult& held, const se::RPCFormulaResult& fresh, const QString& id)
{
    SCOPED_TRACE(id.toStdString());
    ASSERT_EQ(held.barCount(), fresh.barCount());
    for (int i = 0; i < fresh.barCount(); ++i)
        ASSERT_EQ(held.times[size_t(i)].timeMs, fresh.times[size_t(i)].timeMs) << "bar " << i;
    ASSERT_EQ(held.values.size(), fresh.values.size());
    for (size_t v = 0; v < fresh.values.size(); ++v) {
        ASSERT_EQ(held.values[v].size(), fresh.values[v].size());
        for (size_t i = 0; i < fresh.values[v].size(); ++i)
            ASSERT_DOUBLE_EQ(held.values[v][i], fresh.values[v][i]) << "vector " << v << " bar " << i;
    }
}

} // namespace

TEST_F(ServiceRealtime, realTimeEqualsAFreshHistoryAfterSimulatorSteps)
{
    const QString stock = QStringLiteral("SH600000");
    const QVector<CFormulaParam> records{
        record(stock, "KLINE", 60000, "rt|KLINE|1m"),     record(stock, "MA", 60000, "rt|MA|1m"),
        record(stock, "KLINE", 300000, "rt|KLINE|5m"),    record(stock, "KDJ", 300000, "rt|KDJ|5m"),
        record(stock, "KLINE", 86400000, "rt|KLINE|1d"),  record(stock, "MACD", 86400000, "rt|MACD|1d"),
        record(stock, "VOL", 86400000, "rt|VOL|1d"),      record("SFrb888", "MA", 60000, "rt|MA|fut1m"),
        record(stock, "TICKDATA", 0, "rt|TICKDATA|tick"),
    };
    manager()->requestFormulas(records, onHistory(), onRealtime());
    QCoreApplication::processEvents();
    ASSERT_EQ(m_held.size(), records.size());
    // Start in the morning session of the next trading day, when both markets trade.
    const QDate next = TC::CChinaTradingCalendar::tradingDayOnOrAfter(m_store->today().addDays(1));
    m_sim->setClock(TC::CLocalTimeConverter::timeAt(next, 575) * 1000);

    for (int i = 0; i < 150; ++i) {
        m_sim->step();
        QCoreApplication::processEvents();
    }

    for (const CFormulaParam& p : records) {
        CFormulaParam fresh = p;
        fresh.requestId = p.requestId + "|fresh";
        QVector<CFormulaManager::MetaPtr> metas;
        QVector<CFormulaManager::ResultPtr> results;
        ASSERT_TRUE(manager()->requestFormulasSync({fresh}, metas, results));
        const Held& h = m_held.value(p.requestId);
        EXPECT_GT(h.appends, 0) << p.requestId.toStdString();
        // Every tick is a bar of its own on the tick chart.
        if (p.periodMs > 0) {
            EXPECT_GT(h.covers, 0) << p.requestId.toStdString();
        }
        expectSameSeries(*h.result, *results.first(), p.requestId);
    }
    // A one-minute series gained about one bar per minute of simulated time.
    EXPECT_GE(m_held.value("rt|KLINE|1m").appends, 5);
    EXPECT_EQ(m_held.value("rt|KLINE|1d").appends, 1); // the new trading day
}

TEST_F(ServiceRealtime, noRealTimeAfterCancelAndSyncSubscriptionsFollowTheSimulator)
{
    const QString stock = QStringLiteral("SZ000651");
    manager()->requestFormulas({record(stock, "KLINE", 60000, "c|1"), record(stock, "MA", 60000, "c|2")},
                               onHistory(), onRealtime());
    QCoreApplication::processEvents();
    m_sim->step();
    EXPECT_GT(m_held.value("c|1").appends, 0);
    manager()->unrequestFormula("c|1");
    const Held before = m_held.value("c|1");
    for (int i = 0; i < 20; ++i)
        m_sim->step();
    EXPECT_EQ(m_held.value("c|1").appends + m_held.value("c|1").covers, before.appends + before.covers);
    EXPECT_GT(m_held.value("c|2").covers, 0);
    manager()->unrequestFormula("c|2");
    EXPECT_FALSE(m_sim->isSubscribed(stock));

    // A synchronous request with a real-time callback goes live at once.
    QVector<CFormulaManager::MetaPtr> metas;
    QVector<CFormulaManager::ResultPtr> results;
    ASSERT_TRUE(manager()->requestFormulasSync({record(stock, "KLINE", 300000, "sync|1")}, metas, results,
                                               onRealtime()));
    m_held["sync|1"].result = std::make_shared<se::RPCFormulaResult>(*results.first());
    EXPECT_TRUE(m_sim->isSubscribed(stock));
    for (int i = 0; i < 30; ++i)
        m_sim->step();
    QVector<CFormulaManager::MetaPtr> freshMetas;
    QVector<CFormulaManager::ResultPtr> freshResults;
    ASSERT_TRUE(
        manager()->requestFormulasSync({record(stock, "KLINE", 300000, "sync|2")}, freshMetas, freshResults));
    expectSameSeries(*m_held.value("sync|1").result, *freshResults.first(), "sync|1");
}

TEST_F(ServiceRealtime, removeDataAnswersAfreshAtTheNextUpdate)
{
    const QString stock = QStringLiteral("SH600000");
    manager()->requestFormulas({record(stock, "MA", 86400000, "rd|1")}, onHistory(), onRealtime());
    QCoreApplication::processEvents();
    manager()->removeData(stock);
    m_sim->step();
    EXPECT_EQ(m_held.value("rd|1").reloads, 1);
    m_sim->step();
    EXPECT_EQ(m_held.value("rd|1").reloads, 1);
}

TEST_F(ServiceRealtime, aLateTradeInAClosedMinuteReachesEveryRequesterAsAReload)
{
    const QString stock = QStringLiteral("SH600000");
    manager()->requestFormulas({record(stock, "VOL", 300000, "late|async")}, onHistory(), onRealtime());
    QCoreApplication::processEvents();
    QVector<CFormulaManager::MetaPtr> metas;
    QVector<CFormulaManager::ResultPtr> results;
    ASSERT_TRUE(manager()->requestFormulasSync({record(stock, "KLINE", 60000, "late|sync")}, metas, results,
                                               onRealtime(), onHistory()));
    m_held["late|sync"].result = std::make_shared<se::RPCFormulaResult>(*results.first());
    // about eleven minutes of trading
    for (int i = 0; i < 120; ++i)
        m_sim->step();
    QCoreApplication::processEvents();

    // a trade reported after its minute closed, folded into that minute (of
    // a closed 5-minute bar too)
    QVector<quoter::CBar> minutes = m_store->minuteBars(stock);
    quoter::CBar closed = minutes[minutes.size() - 8];
    closed.volume += 700;
    closed.amount += 700 * closed.close;
    ASSERT_TRUE(m_store->modifyBar(stock, 60, closed.time, closed));
    m_sim->step();
    QCoreApplication::processEvents();
    EXPECT_EQ(m_held.value("late|async").reloads, 1);
    EXPECT_EQ(m_held.value("late|sync").reloads, 1);
    for (int i = 0; i < 10; ++i)
        m_sim->step();
    EXPECT_EQ(m_held.value("late|sync").reloads, 1); // nothing more was rewritten

    for (const CFormulaParam& p :
         {record(stock, "VOL", 300000, "late|fresh1"), record(stock, "KLINE", 60000, "late|fresh2")}) {
        ASSERT_TRUE(manager()->requestFormulasSync({p}, metas, results));
        const QString id = p.requestId == "late|fresh1" ? "late|async" : "late|sync";
        expectSameSeries(*m_held.value(id).result, *results.first(), id);
    }
    const se::RPCFormulaResult& held = *m_held.value("late|sync").result;
    const auto at = std::find_if(held.times.cbegin(), held.times.cend(),
                                 [&](const se::RPCTimeItem& t) { return t.timeMs == closed.time * 1000; });
    ASSERT_NE(at, held.times.cend());
    EXPECT_EQ(held.values[4][size_t(at - held.times.cbegin())], closed.volume);
}

TEST_F(ServiceRealtime, groupDemoModelAndHiddenVariables)
{
    const QString stock = QStringLiteral("SH600519");
    manager()->requestFormulas(
        {record(stock, "GROUPDEMO", 86400000, "grp|1"), record(stock, "KDJ", 86400000, "kdj|1")}, onHistory(),
        onRealtime());
    int done = -1, total = -1;
    manager()->getGroupRunProgress(done, total, "grp|1");
    EXPECT_EQ(total, 0);
    QCoreApplication::processEvents();
    manager()->getGroupRunProgress(done, total, "grp|1");
    EXPECT_EQ(done, 1);
    EXPECT_EQ(total, 1);
    const auto group = manager()->getFormulaForGroup("grp|1");
    ASSERT_TRUE(group);
    EXPECT_EQ(group->groupName, "GROUPDEMO");
    ASSERT_FALSE(group->trades.empty());
    for (size_t i = 0; i < group->trades.size(); ++i) {
        EXPECT_EQ(group->trades[i].side, i % 2 == 0 ? 1 : -1); // long only: buy, sell, buy ...
        EXPECT_EQ(group->trades[i].code, "SH600519");
        EXPECT_GT(group->trades[i].price, 0.0);
        if (i > 0) {
            EXPECT_GT(group->trades[i].timeTag, group->trades[i - 1].timeTag);
        }
    }
    EXPECT_FALSE(manager()->getFormulaForGroup("kdj|1"));

    const QVector<QPair<QString, double>> hidden = manager()->lookHideVar("kdj|1");
    ASSERT_EQ(hidden.size(), 1);
    EXPECT_EQ(hidden[0].first, "RSV");
    EXPECT_GE(hidden[0].second, 0.0);
    EXPECT_LE(hidden[0].second, 100.0);
    // At the time of an earlier bar the value is that bar's.
    const auto& held = *m_held.value("kdj|1").result;
    const qint64 earlier = held.times[held.times.size() - 10].timeMs;
    const QVector<QPair<QString, double>> then = manager()->lookHideVar("kdj|1", earlier);
    ASSERT_EQ(then.size(), 1);
    EXPECT_NE(then[0].second, hidden[0].second);
    EXPECT_TRUE(manager()->lookHideVar("kdj|1", 0).isEmpty() ||
                manager()->lookHideVar("kdj|1", 0)[0].second == 1.7976931348623157e308);
    EXPECT_TRUE(manager()->lookHideVar("nope").isEmpty());
}

TEST_F(ServiceRealtime, replayFeedsTheRestOfTheHistoryBarByBar)
{
    const QString stock = QStringLiteral("SH600000");
    QVector<CFormulaManager::MetaPtr> metas;
    QVector<CFormulaManager::ResultPtr> results;
    ASSERT_TRUE(manager()->requestFormulasSync({record(stock, "MA", 86400000, "full")}, metas, results));
    const se::RPCFormulaResult& full = *results.first();
    ASSERT_GT(full.barCount(), 20);
    const int cut = full.barCount() - 5;

    TC::CReplayManager* replay = TC::CReplayManager::instance();
    replay->setReplayTime(full.times[size_t(cut - 1)].timeMs);
    replay->requestFormulas(
        stock, {record(stock, "MA", 86400000, "replay|1"), record(stock, "KLINE", 86400000, "replay|2")},
        onHistory(), onRealtime());
    replay->setReplayTime(0);
    EXPECT_TRUE(m_held.isEmpty());
    EXPECT_EQ(replay->step(), 0); // nothing answered yet
    QCoreApplication::processEvents();
    ASSERT_EQ(m_held.value("replay|1").result->barCount(), cut);
    EXPECT_EQ(replay->remainingBars("replay|1"), 5);

    EXPECT_EQ(replay->step(), 2);
    EXPECT_EQ(m_held.value("replay|1").result->barCount(), cut + 1);
    EXPECT_EQ(m_held.value("replay|1").appends, 1);
    replay->deleteFormulas({"replay|2"});
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(replay->step(), 1);
    EXPECT_EQ(replay->step(), 0);
    EXPECT_EQ(m_held.value("replay|2").appends, 1);
    expectSameSeries(*m_held.value("replay|1").result, full, "replay|1");
    replay->unrequestFormulas({"replay|1"});
    EXPECT_EQ(replay->remainingBars("replay|1"), 0);
}
