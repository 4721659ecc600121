#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <boost/signals2/signal.hpp>
#include <boost/thread/shared_mutex.hpp>

#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "platform/config/CSingletonT.h"
#include "platform/market/CTick.h"
#include "platform/trading/CAccountDetail.h"
#include "platform/trading/CDealDetail.h"
#include "platform/trading/COrderDetail.h"
#include "platform/trading/CStockItem.h"
#include "platform/trading/CTaskDetail.h"

namespace TC {

class CMarketStore;
class CMarketSimulator;

// The terminal's trading-linkage service (stand-in): the user's stock and
// futures accounts with their orders, deals and algorithmic tasks.
//
// Records. Built from a seed over the market store's sample: for the last
// kHistoryDays days with one-minute bars of each traded instrument (so only
// trading days, and none on a suspension day), each account places orders
// and runs tasks on its instruments. An order walks the day's price path from
// its time on: the ticks on a day that has them, else the minute bars. A buy
// limit fills where the path reaches down to it, a sell limit where it
// reaches up to it, in lots, at a price inside that tick or bar (the bar that
// ends at the first whole minute at or after the deal time), until it is full,
// cancelled or the day ends (then it expires). A task places one order per
// item at times spread from its start to its planned end, each filled at the
// market there; a task on an earlier day is finished or was cancelled part
// way, one on the trade date may still be running or paused. So an order's
// traded volume is the sum of its deals and a task's the sum of its orders'.
// The same seed and store give the same records, ids included.
//
// Imports (importOrder / importDeal, records a user read from a file) are
// kept apart from the generated ones: every query answers both, and
// clearImportData drops the imports only (with the accounts known only from
// them).
//
// Real time. The simulator steps on the GUI thread (from a QTimer), so the
// live trading runs on a worker thread of this manager: attachSimulator
// connects to the simulator's sigInstrumentTicked, and the slot only queues
// the tick (postTick feeds the same queue: tests, other feeds). The worker
// takes the queue in order. Ticks of the sample's own days only feed the
// profit calculation (those days are complete). The first tick of a later
// day starts a new trade date: what was still open on the days before lapses
// and "new trading day" is notified. The first tick of an instrument on a
// live day plans that day's orders and one task per account trading it,
// relative to that tick's price. Every tick places the orders and task items
// that are due, fills crossing limits and due task items at the tick's price
// (so inside the simulator's bar of that time), publishes the changes and
// notifies "data updated", from the worker thread.
//
// Threads. All state sits behind one shared mutex: queries take it shared
// and answer a consistent snapshot (the worker publishes one tick's changes
// under the exclusive lock); records are immutable once published (a change
// publishes a new record), so callers keep what they get without locks.
// Notifications are boost::signals2 signals fired without the lock held,
// from whichever thread made the change: the worker for live deals, the
// caller for imports, clearing and cancelling. Slots must be thread-safe
// (the linkage dialog only sets atomic flags).
//
// Disabled (setEnable(false)): every query answers nothing and live ticks
// are dropped; the records stay.
class CLinkageManager
{
public:
    // account -> order id -> order
    using OrderMap = std::map<std::string, std::map<std::string, std::shared_ptr<qlservice::COrderDetail>>>;
    // account -> deal id -> deal
    using DealMap = std::map<std::string, std::map<std::string, std::shared_ptr<qlservice::CDealDetail>>>;
    // account -> task id -> task
    using TaskMap = std::map<std::string, std::map<int, std::shared_ptr<qlservice::CTaskDetail>>>;

    static constexpr quint64 kDefaultSeed = 20261127ULL;
    static constexpr int kHistoryDays = 5;

    static CLinkageManager* instance();

    // null store: CMarketStore::instance().
    explicit CLinkageManager(CMarketStore* store = nullptr, quint64 seed = kDefaultSeed);
    ~CLinkageManager();
    CLinkageManager(const CLinkageManager&) = delete;
    CLinkageManager& operator=(const CLinkageManager&) = delete;

    // Rebuilds every record from (store, seed): imports and live plans are
    // dropped, queued ticks discarded; every notification fires.
    void reset(CMarketStore* store, quint64 seed);

    bool isEnable() const { return m_enabled.load(); }
    void setEnable(bool on) { m_enabled.store(on); }

    // --- accounts, securities, strategies
    // Ids of the accounts of one kind (1 futures, 2 stock), in service order.
    QStringList getAccountIds(int kind) const;
    std::vector<qlservice::CAccountDetail> getAccounts() const;
    // The ids among `ids` that name known accounts.
    std::set<std::string> getAccounts(const QStringList& ids) const;
    // Securities the records trade, by key.
    std::vector<qlservice::CStockItem> getStocks() const;
    // Names of the strategies the records carry, in service order.
    std::vector<std::string> getStrategys() const;

    // Local midnight (seconds) of the current trade date.
    qint64 getTradeDate() const;

    // --- records. `day` is any time (seconds) of the local day asked for.
    OrderMap getOrderDetails(qint64 day, const std::string& stockKey,
                             const std::set<std::string>& accounts) const;
    DealMap getDealDetails(qint64 day, const std::string& stockKey,
                           const std::set<std::string>& accounts) const;
    TaskMap getTaskDetails(const std::set<std::string>& accounts) const;
    // Changes with every publication; equal before and after two queries
    // means they saw the same state.
    quint64 getDataRevision() const { return m_revision.load(); }

    // The task's orders on `stockKey` that are fully traded.
    int getTaskItemFinishNumber(const std::shared_ptr<qlservice::CTaskDetail>& task,
                                const std::string& stockKey) const;
    // Cancels a running or paused task: `cancelKey` must read
    // "<session id>-<task id>". Its unfilled orders are withdrawn, its end
    // time becomes now (the last tick's time on a live day, else the planned
    // end) and its status kTaskCancelled. False, nothing changed, otherwise.
    bool cancelTask(int taskId, const QString& cancelKey);

    // --- imports. Fields: account id, instrument key ("SH600000", or
    // "600000.SH"), date and time ("yyyyMMdd hh:mm:ss", "yyyyMMdd hhmmss",
    // "yyyyMMddhhmmss" or "yyyy-MM-dd hh:mm:ss"; the time keeps its form),
    // price, direction (48/49), volume, offset flag (0, 48, 49, 51, 52).
    // False (logged, nothing recorded) for an unknown instrument, an empty
    // account, a time that does not parse, a price or volume not above 0 or
    // an unknown code. An unknown account is added (kind by the market).
    bool importOrder(const QString& account, const QString& stock, const QString& time, double price,
                     int direction, qint64 volume, int offsetFlag);
    bool importDeal(const QString& account, const QString& stock, const QString& time, double price,
                    int direction, qint64 volume, int offsetFlag);
    void clearImportData();
    int importCount() const;

    // --- profit calculation: while running, live ticks keep the last prices.
    void startProfitCalculator();
    void stopProfitCalculator();
    bool isProfitCalculatorRunning() const { return m_profitRunning.load(); }
    // Floating profit of the account's trade-date deals at the last prices
    // (or the deals' own last price of an instrument without a tick).
    double getFloatingProfit(const std::string& accountId) const;

    // --- real time
    // Null detaches. The simulator must outlive the attachment.
    void attachSimulator(CMarketSimulator* simulator);
    void postTick(const QString& stockKey, const quoter::CTick& tick);
    // Returns once every tick posted before the call has been processed and
    // its notifications have been delivered.
    void waitForIdle();

    // --- notifications (see the class comment for the thread they come on)
    using VoidSlot = std::function<void()>;
    boost::signals2::connection connectNewTradingDay(const std::function<void(const std::string&)>& slot);
    boost::signals2::connection connectUpdateAccounts(const VoidSlot& slot);
    boost::signals2::connection connectUpdateStocks(const VoidSlot& slot);
    boost::signals2::connection connectUpdateStrategys(const VoidSlot& slot);
    boost::signals2::connection connectUpdateDatas(const VoidSlot& slot);

private:
    friend class utils::CSingletonT<CLinkageManager>;

    struct DayBook {
        OrderMap orders;
        DealMap deals;
    };
    using BookKey = std::pair<int, std::string>; // (yyyymmdd, instrument key)
    struct LiveOrder {
        std::shared_ptr<qlservice::COrderDetail> order; // the plan, published when placed
        qint64 placeAt = 0;
        bool placed = false;
    };
    struct LiveTask {
        std::string accountId;
        int taskId = 0;
        std::vector<qint64> itemTimes;
        std::vector<qint64> itemVolumes;
        size_t nextItem = 0;
    };
    struct LivePlan {
        std::vector<LiveOrder> orders;
        std::vector<LiveTask> tasks;
    };
    // Everything the records are; swapped in whole by reset.
    struct State {
        std::vector<qlservice::CAccountDetail> accounts;
        std::map<std::string, std::vector<std::string>> accountStocks; // account -> keys it trades
        std::vector<std::string> strategies;
        std::map<BookKey, DayBook> books;
        std::map<BookKey, DayBook> importBooks;
        TaskMap tasks;
        int tradeYmd = 0;
        qint64 tradeDate = 0;
        int generatedYmd = 0; // the sample's last day: complete, nothing live on it
        int nextTaskId = 1001;
        std::map<std::string, int> nextOrderSeq; // per account
        std::map<std::string, int> nextDealSeq;
        int nextImportSeq = 1;
        int importCount = 0;
        // Live day
        int liveYmd = 0;
        qint64 lastTickTime = 0;
        std::map<std::string, LivePlan> livePlans; // instrument key -> plan
        std::map<std::string, double> lastPrices;
    };
    enum ENotice {
        NoticeDay = 1,
        NoticeAccounts = 2,
        NoticeStocks = 4,
        NoticeStrategies = 8,
        NoticeDatas = 16
    };

    // Sample records (CLinkageManagerGenerate.cpp).
    static void generate(State& st, CMarketStore* store, quint64 seed);
    // Live ticks (CLinkageManagerLive.cpp); returns the notices to fire.
    int processTick(const QString& key, const quoter::CTick& tick);
    void planLiveDay(const std::string& key, const quoter::CTick& tick);
    // A new trade date: what was still open on earlier days lapses (orders
    // withdrawn, running or paused tasks stopped at their planned end).
    static void expireBefore(State& st, int ymd);
    void workerLoop();
    void startWorker();
    void stopWorker();

    bool importRecord(bool deal, const QString& account, const QString& stock, const QString& time,
                      double price, int direction, qint64 volume, int offsetFlag);
    // Record helpers over a state (the manager's under its exclusive lock, or
    // one being generated). fillOrder publishes the deal, the filled order and
    // its task, and returns the new order.
    static std::shared_ptr<qlservice::COrderDetail>
    fillOrder(State& st, const std::shared_ptr<qlservice::COrderDetail>& order, double price, qint64 volume,
              qint64 timeTag);
    static void publishOrder(State& st, const std::shared_ptr<qlservice::COrderDetail>& order);
    // Republishes a task from the current versions of its orders, `added`
    // (when given) appended to them.
    static void refreshTask(State& st, int taskId, const std::string& accountId,
                            const std::shared_ptr<qlservice::COrderDetail>& added = nullptr);
    static std::string nextOrderId(State& st, const std::string& accountId, int ymd);
    static std::string nextDealId(State& st, const std::string& accountId, int ymd);
    static const qlservice::CAccountDetail* account(const State& st, const std::string& id);
    // Local yyyymmdd, "yyyyMMdd" and "hh:mm:ss" of a time in seconds.
    static int ymdOf(qint64 secs);
    static std::string dateText(qint64 secs);
    static std::string timeText(qint64 secs);
    void notify(int notices, const std::string& day = std::string());

    mutable boost::shared_mutex m_mutex;
    State m_state;
    CMarketStore* m_store = nullptr;
    quint64 m_seed = kDefaultSeed;
    std::atomic<bool> m_enabled{true};
    std::atomic<bool> m_profitRunning{false};
    std::atomic<quint64> m_revision{0};

    // Tick queue of the worker.
    std::mutex m_queueMutex;
    std::condition_variable m_queueCv;
    std::deque<std::pair<QString, quoter::CTick>> m_queue;
    int m_processing = 0;
    bool m_stopWorker = false;
    std::thread m_worker;

    QPointer<CMarketSimulator> m_simulator;
    QMetaObject::Connection m_simConnection;

    boost::signals2::signal<void(const std::string&)> m_sigNewTradingDay;
    boost::signals2::signal<void()> m_sigUpdateAccounts;
    boost::signals2::signal<void()> m_sigUpdateStocks;
    boost::signals2::signal<void()> m_sigUpdateStrategys;
    boost::signals2::signal<void()> m_sigUpdateDatas;
};

} // namespace TC
