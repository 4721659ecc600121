#include <atomic>
#include <cmath>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include <QDateTime>

#include <gtest/gtest.h>

#include "platform/market/CChinaTradingCalendar.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketSimulator.h"
#include "platform/market/CMarketStore.h"
#include "platform/trading/CLinkageManager.h"
#include "platform/trading/DataHelper.h"
#include "platform/trading/TradeTexts.h"

using qlservice::CDealDetail;
using qlservice::COrderDetail;
using qlservice::CTaskDetail;
using qlservice::DataHelper;
using TC::CLinkageManager;
using TC::CLocalTimeConverter;
using TC::CMarketStore;

namespace {

const QDate kToday(2026, 11, 27);

std::set<std::string> allAccounts(const CLinkageManager& m)
{
    std::set<std::string> ids;
    for (const auto& a : m.getAccounts())
        ids.insert(a.accountId);
    return ids;
}

// Every order and deal of the last `days` calendar days, per (day tag, key).
struct Records {
    std::vector<std::shared_ptr<COrderDetail>> orders;
    std::vector<std::shared_ptr<CDealDetail>> deals;
};

Records collectRecords(const CLinkageManager& m, int days = 12)
{
    Records r;
    const auto accounts = allAccounts(m);
    for (const auto& stock : m.getStocks())
        for (int i = 0; i < days; ++i) {
            const qint64 day = CLocalTimeConverter::dayTag(kToday.addDays(-i)) + 3600 * 12;
            for (const auto& acc : m.getOrderDetails(day, stock.key, accounts))
                for (const auto& o : acc.second)
                    r.orders.push_back(o.second);
            for (const auto& acc : m.getDealDetails(day, stock.key, accounts))
                for (const auto& d : acc.second)
                    r.deals.push_back(d.second);
        }
    return r;
}

// All the record texts, to compare two managers.
QStringList texts(const CLinkageManager& m)
{
    QStringList out;
    const Records r = collectRecords(m);
    for (const auto& o : r.orders)
        for (int c = 0; c < o->columnCount(); ++c)
            out << o->columnText(c);
    for (const auto& d : r.deals)
        for (int c = 0; c < d->columnCount(); ++c)
            out << d->columnText(c);
    for (const auto& acc : m.getTaskDetails(allAccounts(m)))
        for (const auto& t : acc.second)
            for (int c = 0; c < t.second->columnCount(); ++c)
                out << t.second->columnText(c);
    return out;
}

class LinkageManagerTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_store = new CMarketStore(CMarketStore::kDefaultSeed, kToday, false); }
    static void TearDownTestSuite()
    {
        delete s_store;
        s_store = nullptr;
    }
    static inline CMarketStore* s_store = nullptr;
};

} // namespace

TEST_F(LinkageManagerTest, GeneratedRecordsFollowTheMarket)
{
    CLinkageManager m(s_store, 7);
    const Records r = collectRecords(m);
    ASSERT_GT(r.orders.size(), 20u);
    ASSERT_GT(r.deals.size(), 20u);

    // Minute bars by end time, ticks by second.
    std::map<std::string, std::map<qint64, quoter::CBar>> bars;
    std::map<std::string, std::map<qint64, double>> ticks;
    std::set<int> barDays;
    for (const auto& stock : m.getStocks()) {
        const QString key = QString::fromStdString(stock.key);
        for (const auto& b : s_store->minuteBars(key)) {
            bars[stock.key][b.time] = b;
            barDays.insert(CLocalTimeConverter::dateOf(b.time).toJulianDay());
        }
        for (const auto& t : s_store->ticks(key))
            ticks[stock.key][t.timeMs / 1000] = t.price;
    }

    std::map<std::string, std::pair<qint64, double>> sums; // order key -> volume, amount
    bool tradeDateDeal = false;
    for (const auto& d : r.deals) {
        const QDateTime when = QDateTime::fromString(QString::fromStdString(d->m_date + " " + d->m_time),
                                                     QStringLiteral("yyyyMMdd hh:mm:ss"));
        ASSERT_TRUE(when.isValid());
        const qint64 t = when.toSecsSinceEpoch();
        EXPECT_EQ(t, d->m_timeTag);
        EXPECT_TRUE(TC::CChinaTradingCalendar::isTradingDay(when.date()));
        EXPECT_TRUE(barDays.count(when.date().toJulianDay()));
        // The bar a trade belongs to ends at the first whole minute at or after it.
        const qint64 barEnd = (t + 59) / 60 * 60;
        const auto bar = bars[d->instrumentKey()].find(barEnd);
        ASSERT_NE(bar, bars[d->instrumentKey()].end()) << d->m_date << " " << d->m_time;
        EXPECT_GE(d->m_price, bar->second.low);
        EXPECT_LE(d->m_price, bar->second.high);
        if (when.date() == kToday) {
            tradeDateDeal = true;
            const auto tick = ticks[d->instrumentKey()].find(t);
            ASSERT_NE(tick, ticks[d->instrumentKey()].end());
            EXPECT_EQ(tick->second, d->m_price);
        }
        EXPECT_DOUBLE_EQ(d->m_amount, d->m_price * double(d->m_volume));
        if (d->m_market != "SF") {
            EXPECT_EQ(d->m_volume % 100, 0);
        }
        auto& s = sums[d->m_accountId + "|" + d->m_orderId];
        s.first += d->m_volume;
        s.second += d->m_amount;
    }
    EXPECT_TRUE(tradeDateDeal);

    std::map<int, std::pair<qint64, int>> taskSums; // task -> traded, finished orders
    for (const auto& o : r.orders) {
        const auto s = sums[o->getKey()];
        EXPECT_EQ(o->m_tradedVolume, s.first) << o->getKey();
        EXPECT_NEAR(o->m_tradedAmount, s.second, 1e-6);
        EXPECT_LE(o->m_tradedVolume + o->m_cancelVolume, o->m_volume);
        EXPECT_TRUE(barDays.count(CLocalTimeConverter::dateOf(o->m_timeTag).toJulianDay()));
        if (o->m_taskId >= 0) {
            taskSums[o->m_taskId].first += o->m_tradedVolume;
            if (o->m_tradedVolume == o->m_volume)
                ++taskSums[o->m_taskId].second;
        }
    }
    // Limit orders fill no worse than their limit.
    for (const auto& d : r.deals) {
        if (d->m_taskId >= 0)
            continue;
        for (const auto& o : r.orders)
            if (o->m_accountId == d->m_accountId && o->m_orderId == d->m_orderId) {
                if (DataHelper::isBuy(*o))
                    EXPECT_LE(d->m_price, o->m_price + 1e-9);
                else
                    EXPECT_GE(d->m_price, o->m_price - 1e-9);
                EXPECT_GT(d->m_timeTag, o->m_timeTag);
            }
    }

    int tasks = 0;
    bool running = false;
    for (const auto& acc : m.getTaskDetails(allAccounts(m)))
        for (const auto& e : acc.second) {
            const auto& t = e.second;
            ++tasks;
            EXPECT_EQ(t->m_tradedVolume, taskSums[t->m_taskId].first) << t->m_taskId;
            EXPECT_EQ(m.getTaskItemFinishNumber(t, t->instrumentKey()), taskSums[t->m_taskId].second);
            EXPECT_EQ(m.getTaskItemFinishNumber(t, "SZ399001"), 0);
            EXPECT_FALSE(t->m_orders.empty());
            EXPECT_LE(int(t->m_orders.size()), t->m_itemCount);
            if (t->m_status == DataHelper::kTaskFinished) {
                EXPECT_EQ(t->m_tradedVolume, t->m_totalVolume);
                EXPECT_EQ(m.getTaskItemFinishNumber(t, t->instrumentKey()), t->m_itemCount);
                EXPECT_NE(t->m_endTime, CTaskDetail::kUnsetTime);
            }
            if (DataHelper::isCancelableTask(t->m_status)) {
                running = true;
                EXPECT_EQ(t->m_endTime, CTaskDetail::kUnsetTime);
                EXPECT_NE(t->m_planEndTime, CTaskDetail::kUnsetTime);
                EXPECT_LT(t->m_tradedVolume, t->m_totalVolume);
                EXPECT_EQ(t->m_date, kToday.toString(QStringLiteral("yyyyMMdd")).toStdString());
            }
            EXPECT_EQ(DataHelper::isBuy(t->m_orders.front()), DataHelper::isBuy(t->m_operation));
        }
    EXPECT_GT(tasks, 3);
    EXPECT_TRUE(running);
}

TEST_F(LinkageManagerTest, SameSeedSameRecordsOtherSeedOthers)
{
    CLinkageManager a(s_store, 7);
    CLinkageManager b(s_store, 7);
    CLinkageManager c(s_store, 8);
    const QStringList ta = texts(a);
    EXPECT_EQ(ta, texts(b));
    EXPECT_NE(ta, texts(c));
    EXPECT_EQ(a.getTradeDate(), CLocalTimeConverter::dayTag(kToday));
}

TEST_F(LinkageManagerTest, AccountsAndFilters)
{
    CLinkageManager m(s_store, 7);
    const QStringList futures = m.getAccountIds(1);
    const QStringList stocks = m.getAccountIds(2);
    ASSERT_FALSE(futures.isEmpty());
    ASSERT_GE(stocks.size(), 2);
    for (const auto& a : m.getAccounts())
        EXPECT_TRUE((a.kind == 1 ? futures : stocks).contains(QString::fromStdString(a.accountId)));
    EXPECT_EQ(m.getAccounts(QStringList{stocks.first(), QStringLiteral("nobody")}),
              std::set<std::string>{stocks.first().toStdString()});
    EXPECT_FALSE(m.getStrategys().empty());

    // One account asked: only its records; the futures account trades futures only.
    const std::string one = stocks.first().toStdString();
    const qint64 day = m.getTradeDate();
    int seen = 0;
    for (const auto& stock : m.getStocks()) {
        for (const auto& acc : m.getOrderDetails(day, stock.key, {one})) {
            EXPECT_EQ(acc.first, one);
            seen += int(acc.second.size());
        }
        for (const auto& acc : m.getDealDetails(day, stock.key, {futures.first().toStdString()}))
            for (const auto& d : acc.second) {
                EXPECT_TRUE(DataHelper::isFuturesMarket(d.second->m_market));
                EXPECT_EQ(d.second->m_accountKind, 1);
            }
        EXPECT_TRUE(m.getOrderDetails(day, stock.key, {"nobody"}).empty());
    }
    EXPECT_GT(seen, 0);

    m.setEnable(false);
    EXPECT_TRUE(m.getAccounts().empty());
    EXPECT_TRUE(m.getAccountIds(2).isEmpty());
    EXPECT_TRUE(m.getTaskDetails({one}).empty());
    m.setEnable(true);
    EXPECT_FALSE(m.getTaskDetails({one}).empty());
}

TEST_F(LinkageManagerTest, ImportsStayApartAndClear)
{
    CLinkageManager m(s_store, 7);
    const QStringList before = texts(m);
    const size_t accountsBefore = m.getAccounts().size();
    int accountsNotes = 0, stocksNotes = 0, dataNotes = 0;
    auto c1 = m.connectUpdateAccounts([&] { ++accountsNotes; });
    auto c2 = m.connectUpdateStocks([&] { ++stocksNotes; });
    auto c3 = m.connectUpdateDatas([&] { ++dataNotes; });

    // Refused: unknown instrument, no volume, bad time, unknown direction, empty account.
    EXPECT_FALSE(m.importOrder("A1", "SH999999", "20261127 10:00:00", 10.0, 48, 100, 0));
    EXPECT_FALSE(m.importOrder("A1", "SH600000", "20261127 10:00:00", 10.0, 48, 0, 0));
    EXPECT_FALSE(m.importOrder("A1", "SH600000", "2026-11-27 25:00", 10.0, 48, 100, 0));
    EXPECT_FALSE(m.importOrder("A1", "SH600000", "20261127 10:00:00", 10.0, 50, 100, 0));
    EXPECT_FALSE(m.importDeal("", "SH600000", "20261127 10:00:00", 10.0, 48, 100, 0));
    EXPECT_FALSE(m.importDeal("A1", "SH600000", "20261127 10:00:00", std::nan(""), 48, 100, 0));
    EXPECT_EQ(dataNotes, 0);

    ASSERT_TRUE(m.importOrder("IMP01", "600000.SH", "20261127 10:01:02", 10.5, 48, 300, 0));
    ASSERT_TRUE(m.importDeal("IMP01", "SH600000", "20261126 093512", 10.4, 49, 200, 0));
    ASSERT_TRUE(m.importDeal("IMPF", "SFrb888", "20261126 100000", 3500, 49, 2, 49));
    EXPECT_EQ(m.importCount(), 3);
    EXPECT_EQ(accountsNotes, 2);
    EXPECT_EQ(dataNotes, 3);

    const auto orders = m.getOrderDetails(CLocalTimeConverter::dayTag(kToday), "SH600000", {"IMP01"});
    ASSERT_EQ(orders.at("IMP01").size(), 1u);
    const auto& o = orders.at("IMP01").begin()->second;
    EXPECT_TRUE(o->m_imported);
    EXPECT_EQ(o->m_time, "10:01:02");
    EXPECT_EQ(o->m_volume, 300);
    const auto deals =
        m.getDealDetails(CLocalTimeConverter::dayTag(kToday.addDays(-1)), "SH600000", {"IMP01"});
    ASSERT_EQ(deals.at("IMP01").size(), 1u);
    EXPECT_EQ(deals.at("IMP01").begin()->second->m_time, "093512"); // the file's own form
    EXPECT_FALSE(qlservice::isBuyByDirection(49, 0));
    bool futuresAccount = false;
    for (const auto& a : m.getAccounts())
        if (a.accountId == "IMPF")
            futuresAccount = a.kind == 1 && a.imported;
    EXPECT_TRUE(futuresAccount);
    EXPECT_EQ(m.getAccountIds(1).size(), 2);

    m.clearImportData();
    EXPECT_EQ(m.importCount(), 0);
    EXPECT_EQ(m.getAccounts().size(), accountsBefore);
    EXPECT_EQ(texts(m), before);
    EXPECT_EQ(dataNotes, 4);
    const int notes = dataNotes;
    m.clearImportData(); // nothing to clear: no notice
    EXPECT_EQ(dataNotes, notes);
    (void)stocksNotes;
}

TEST_F(LinkageManagerTest, CancelTaskWithdrawsItsOrders)
{
    CLinkageManager m(s_store, 7);
    std::shared_ptr<CTaskDetail> task, finished;
    for (const auto& acc : m.getTaskDetails(allAccounts(m)))
        for (const auto& e : acc.second) {
            if (!task && DataHelper::isCancelableTask(e.second->m_status))
                task = e.second;
            if (!finished && e.second->m_status == DataHelper::kTaskFinished)
                finished = e.second;
        }
    ASSERT_TRUE(task);
    ASSERT_TRUE(finished);
    int notes = 0;
    auto c = m.connectUpdateDatas([&] { ++notes; });
    const QString key = QStringLiteral("%1-%2").arg(task->m_sessionId).arg(task->m_taskId);
    EXPECT_FALSE(
        m.cancelTask(task->m_taskId, QStringLiteral("%1-%2").arg(task->m_taskId).arg(task->m_sessionId)));
    EXPECT_FALSE(m.cancelTask(finished->m_taskId,
                              QStringLiteral("%1-%2").arg(finished->m_sessionId).arg(finished->m_taskId)));
    EXPECT_EQ(notes, 0);
    ASSERT_TRUE(m.cancelTask(task->m_taskId, key));
    EXPECT_EQ(notes, 1);
    EXPECT_FALSE(m.cancelTask(task->m_taskId, key));

    const auto now = m.getTaskDetails({task->m_accountId}).at(task->m_accountId).at(task->m_taskId);
    EXPECT_EQ(now->m_status, DataHelper::kTaskCancelled);
    EXPECT_EQ(TC::getTaskStatusQString(now->m_status), QStringLiteral("已撤销"));
    EXPECT_NE(now->m_endTime, CTaskDetail::kUnsetTime);
    EXPECT_EQ(now->m_tradedVolume, task->m_tradedVolume);
    // The record handed out before stays as it was.
    EXPECT_TRUE(DataHelper::isCancelableTask(task->m_status));
    const auto orders = m.getOrderDetails(task->m_startTime, task->instrumentKey(), {task->m_accountId});
    for (const auto& o : now->m_orders) {
        const auto& cur = orders.at(task->m_accountId).at(o->m_orderId);
        EXPECT_EQ(cur->m_tradedVolume + cur->m_cancelVolume, cur->m_volume);
        EXPECT_TRUE(DataHelper::isFinalOrderStatus(cur->m_status));
    }
}

// Live ticks posted from a feed thread while this thread reads: every
// snapshot is consistent and every live deal was announced.
TEST_F(LinkageManagerTest, LiveDealsFromTheWorkerThread)
{
    CLinkageManager m(s_store, 7);
    const QDate next = TC::CChinaTradingCalendar::tradingDayOnOrAfter(kToday.addDays(1));
    const std::string nextText = next.toString(QStringLiteral("yyyyMMdd")).toStdString();
    const auto accounts = allAccounts(m);
    const qint64 nextTag = CLocalTimeConverter::dayTag(next);

    std::mutex seenMutex;
    std::set<std::string> announced;
    std::vector<std::string> days;
    std::atomic<int> dataNotes{0};
    auto c1 = m.connectNewTradingDay([&](const std::string& d) {
        std::lock_guard<std::mutex> lock(seenMutex);
        days.push_back(d);
    });
    auto c2 = m.connectUpdateDatas([&] {
        ++dataNotes;
        const auto deals = m.getDealDetails(nextTag, "SH600000", accounts);
        std::lock_guard<std::mutex> lock(seenMutex);
        for (const auto& acc : deals)
            for (const auto& d : acc.second)
                announced.insert(d.first);
    });

    const quint64 rev0 = m.getDataRevision();
    // A session of ticks swinging +-2 % around 10.00, every 6 s.
    std::map<qint64, double> posted;
    for (int i = 0; i < 2400; ++i) {
        const int minute = i < 1200 ? 570 + i / 10 : 780 + (i - 1200) / 10;
        const qint64 t = CLocalTimeConverter::timeAt(next, minute) + (i % 10) * 6 + 1;
        posted[t] = std::round((10.0 + 0.2 * std::sin(i / 40.0)) * 100.0) / 100.0;
    }
    std::thread feed([&] {
        for (const auto& p : posted) {
            quoter::CTick tick;
            tick.timeMs = p.first * 1000;
            tick.price = p.second;
            tick.volume = 2000;
            m.postTick(QStringLiteral("SH600000"), tick);
        }
    });
    int consistent = 0;
    while (consistent < 200) {
        const quint64 rev = m.getDataRevision();
        const auto orders = m.getOrderDetails(nextTag, "SH600000", accounts);
        const auto deals = m.getDealDetails(nextTag, "SH600000", accounts);
        if (rev != m.getDataRevision())
            continue;
        ++consistent;
        std::map<std::string, qint64> sums;
        for (const auto& acc : deals)
            for (const auto& d : acc.second)
                sums[acc.first + d.second->m_orderId] += d.second->m_volume;
        for (const auto& acc : orders)
            for (const auto& o : acc.second)
                ASSERT_EQ(o.second->m_tradedVolume, sums[acc.first + o.first]);
    }
    feed.join();
    m.waitForIdle();

    EXPECT_EQ(days, std::vector<std::string>{nextText});
    EXPECT_EQ(m.getTradeDate(), nextTag);
    const auto deals = m.getDealDetails(nextTag, "SH600000", accounts);
    ASSERT_FALSE(deals.empty());
    for (const auto& acc : deals)
        for (const auto& d : acc.second) {
            EXPECT_TRUE(announced.count(d.first)) << d.first;
            ASSERT_TRUE(posted.count(d.second->m_timeTag));
            EXPECT_EQ(posted[d.second->m_timeTag], d.second->m_price);
        }
    bool taskProgress = false;
    for (const auto& acc : m.getTaskDetails(accounts))
        for (const auto& t : acc.second)
            if (t.second->m_date == nextText && t.second->m_tradedVolume > 0) {
                taskProgress = true;
                EXPECT_EQ(t.second->m_status, DataHelper::kTaskFinished); // its hour or two passed
            }
    EXPECT_TRUE(taskProgress);
    // One notice per publication: none lost, none merged.
    EXPECT_EQ(quint64(dataNotes.load()), m.getDataRevision() - rev0);
    EXPECT_GT(dataNotes.load(), 1);
    // What was open on the day before lapsed with the new day.
    const std::string todayText = kToday.toString(QStringLiteral("yyyyMMdd")).toStdString();
    for (const auto& acc : m.getTaskDetails(accounts))
        for (const auto& t : acc.second)
            if (t.second->m_date == todayText) {
                EXPECT_FALSE(DataHelper::isCancelableTask(t.second->m_status)) << t.first;
            }
    for (const auto& stock : m.getStocks())
        for (const auto& acc : m.getOrderDetails(CLocalTimeConverter::dayTag(kToday), stock.key, accounts))
            for (const auto& o : acc.second) {
                EXPECT_TRUE(DataHelper::isFinalOrderStatus(o.second->m_status)) << o.first;
                EXPECT_EQ(o.second->m_tradedVolume + o.second->m_cancelVolume, o.second->m_volume);
            }
    // A tick of an earlier day changes nothing.
    const quint64 rev = m.getDataRevision();
    quoter::CTick old;
    old.timeMs = CLocalTimeConverter::timeAt(kToday, 600) * 1000;
    old.price = 10.0;
    m.postTick(QStringLiteral("SH600000"), old);
    m.waitForIdle();
    EXPECT_EQ(m.getDataRevision(), rev);
}

// Floating profit of the trade date's deals at the last tick price, kept
// only while the calculator runs.
TEST_F(LinkageManagerTest, ProfitFollowsTicksWhileRunning)
{
    CLinkageManager m(s_store, 7);
    const std::string acc = m.getAccountIds(2).first().toStdString();
    auto expected = [&](double last) {
        double p = 0.0;
        for (const auto& a : m.getDealDetails(m.getTradeDate(), "SH600000", {acc}))
            for (const auto& d : a.second)
                p += (d.second->m_direction == 48 ? 1.0 : -1.0) * double(d.second->m_volume) *
                     (last - d.second->m_price);
        return p;
    };
    auto otherKeys = [&] {
        double p = 0.0;
        for (const auto& stock : m.getStocks()) {
            if (stock.key == "SH600000")
                continue;
            qint64 lastTime = -1;
            double last = 0.0;
            const auto deals = m.getDealDetails(m.getTradeDate(), stock.key, {acc});
            for (const auto& a : deals)
                for (const auto& d : a.second)
                    if (d.second->m_timeTag >= lastTime) {
                        lastTime = d.second->m_timeTag;
                        last = d.second->m_price;
                    }
            for (const auto& a : deals)
                for (const auto& d : a.second)
                    p += (d.second->m_direction == 48 ? 1.0 : -1.0) * double(d.second->m_volume) *
                         (last - d.second->m_price);
        }
        return p;
    };
    quoter::CTick tick;
    tick.timeMs = (CLocalTimeConverter::timeAt(kToday, 900)) * 1000;
    tick.price = 123.0;
    const quint64 rev = m.getDataRevision();
    m.postTick(QStringLiteral("SH600000"), tick); // not running: not kept
    m.waitForIdle();
    EXPECT_EQ(m.getDataRevision(), rev); // the sample's own day is complete
    m.startProfitCalculator();
    EXPECT_TRUE(m.isProfitCalculatorRunning());
    tick.price = 11.0;
    m.postTick(QStringLiteral("SH600000"), tick);
    m.waitForIdle();
    EXPECT_NEAR(m.getFloatingProfit(acc), expected(11.0) + otherKeys(), 1e-6);
    m.stopProfitCalculator();
    tick.price = 12.0;
    m.postTick(QStringLiteral("SH600000"), tick);
    m.waitForIdle();
    EXPECT_NEAR(m.getFloatingProfit(acc), expected(11.0) + otherKeys(), 1e-6);
    EXPECT_DOUBLE_EQ(m.getFloatingProfit("nobody"), 0.0);
}

// The real-time simulator drives the manager: its ticks reach the worker and
// the live deals lie inside the simulator's own minute bars.
TEST(LinkageManagerSimulatorTest, SimulatorTicksMakeDeals)
{
    CMarketStore store(CMarketStore::kDefaultSeed, kToday, false);
    CLinkageManager m(&store, 3);
    TC::CMarketSimulator sim(&store, 5);
    m.attachSimulator(&sim);
    sim.subscribe(QStringLiteral("SH600000"));
    for (int i = 0; i < 3000; ++i)
        sim.step();
    m.waitForIdle();
    m.attachSimulator(nullptr);

    EXPECT_EQ(CLocalTimeConverter::dateOf(m.getTradeDate()), store.today());
    EXPECT_GT(store.today(), kToday);
    std::map<qint64, quoter::CBar> bars;
    for (const auto& b : store.minuteBars(QStringLiteral("SH600000")))
        bars[b.time] = b;
    int n = 0;
    for (QDate day = kToday.addDays(1); day <= store.today(); day = day.addDays(1))
        for (const auto& acc : m.getDealDetails(CLocalTimeConverter::dayTag(day), "SH600000", allAccounts(m)))
            for (const auto& d : acc.second) {
                ++n;
                const auto bar = bars.find((d.second->m_timeTag + 59) / 60 * 60);
                ASSERT_NE(bar, bars.end());
                EXPECT_GE(d.second->m_price, bar->second.low);
                EXPECT_LE(d.second->m_price, bar->second.high);
            }
    EXPECT_GT(n, 0);
}
