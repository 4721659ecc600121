#include "platform/trading/CLinkageManager.h"

#include <algorithm>
#include <cmath>

#include <boost/thread/locks.hpp>

#include <QDateTime>

#include "platform/config/QLLog.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"
#include "platform/trading/DataHelper.h"
#include "platform/trading/TradeTexts.h"

namespace TC {

using qlservice::CAccountDetail;
using qlservice::CDealDetail;
using qlservice::COrderDetail;
using qlservice::CTaskDetail;
using qlservice::DataHelper;

using ReadLock = boost::shared_lock<boost::shared_mutex>;
using WriteLock = boost::unique_lock<boost::shared_mutex>;

CLinkageManager* CLinkageManager::instance()
{
    return utils::CSingletonT<CLinkageManager>::instance();
}

CLinkageManager::CLinkageManager(CMarketStore* store, quint64 seed)
    : m_store(store ? store : CMarketStore::instance()), m_seed(seed)
{
    generate(m_state, m_store, m_seed);
    startWorker();
}

CLinkageManager::~CLinkageManager()
{
    attachSimulator(nullptr);
    stopWorker();
}

void CLinkageManager::reset(CMarketStore* store, quint64 seed)
{
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        m_queue.clear();
    }
    waitForIdle();
    State fresh;
    CMarketStore* s = store ? store : CMarketStore::instance();
    generate(fresh, s, seed);
    {
        WriteLock lock(m_mutex);
        m_state = std::move(fresh);
        m_store = s;
        m_seed = seed;
        ++m_revision;
    }
    notify(NoticeDay | NoticeAccounts | NoticeStocks | NoticeStrategies | NoticeDatas,
           dateText(getTradeDate()));
}

// --- small helpers

int CLinkageManager::ymdOf(qint64 secs)
{
    const QDate d = CLocalTimeConverter::dateOf(secs);
    return d.year() * 10000 + d.month() * 100 + d.day();
}

std::string CLinkageManager::dateText(qint64 secs)
{
    return QDateTime::fromSecsSinceEpoch(secs).toString(QStringLiteral("yyyyMMdd")).toStdString();
}

std::string CLinkageManager::timeText(qint64 secs)
{
    return QDateTime::fromSecsSinceEpoch(secs).toString(QStringLiteral("hh:mm:ss")).toStdString();
}

const CAccountDetail* CLinkageManager::account(const State& st, const std::string& id)
{
    for (const CAccountDetail& a : st.accounts)
        if (a.accountId == id)
            return &a;
    return nullptr;
}

std::string CLinkageManager::nextOrderId(State& st, const std::string& accountId, int ymd)
{
    const int seq = ++st.nextOrderSeq[accountId];
    return QStringLiteral("%1%2").arg(ymd).arg(seq, 5, 10, QLatin1Char('0')).toStdString();
}

std::string CLinkageManager::nextDealId(State& st, const std::string& accountId, int ymd)
{
    const int seq = ++st.nextDealSeq[accountId];
    return QStringLiteral("D%1%2").arg(ymd).arg(seq, 5, 10, QLatin1Char('0')).toStdString();
}

void CLinkageManager::publishOrder(State& st, const std::shared_ptr<COrderDetail>& order)
{
    const BookKey bk(ymdOf(order->m_timeTag), order->instrumentKey());
    st.books[bk].orders[order->m_accountId][order->m_orderId] = order;
}

std::shared_ptr<COrderDetail> CLinkageManager::fillOrder(State& st,
                                                         const std::shared_ptr<COrderDetail>& order,
                                                         double price, qint64 volume, qint64 timeTag)
{
    volume = std::min(volume, order->m_volume - order->m_tradedVolume - order->m_cancelVolume);
    if (volume <= 0)
        return order;
    const int ymd = ymdOf(timeTag);
    DayBook& book = st.books[BookKey(ymd, order->instrumentKey())];

    auto deal = std::make_shared<CDealDetail>();
    deal->m_accountId = order->m_accountId;
    deal->m_dealId = nextDealId(st, order->m_accountId, ymd);
    deal->m_orderId = order->m_orderId;
    deal->m_date = dateText(timeTag);
    deal->m_time = timeText(timeTag);
    deal->m_timeTag = timeTag;
    deal->m_market = order->m_market;
    deal->m_code = order->m_code;
    deal->m_instrumentName = order->m_instrumentName;
    deal->m_direction = order->m_direction;
    deal->m_offsetFlag = order->m_offsetFlag;
    deal->m_price = price;
    deal->m_volume = volume;
    deal->m_amount = price * double(volume);
    deal->m_strategyName = order->m_strategyName;
    deal->m_taskId = order->m_taskId;
    const CAccountDetail* acc = account(st, order->m_accountId);
    deal->m_accountKind = acc ? acc->kind : 2;
    int sequence = 1;
    for (const auto& d : book.deals[order->m_accountId])
        if (d.second->m_orderId == order->m_orderId)
            ++sequence;
    deal->m_sequence = sequence;
    book.deals[order->m_accountId][deal->m_dealId] = deal;

    auto next = std::make_shared<COrderDetail>(*order);
    next->m_tradedVolume += volume;
    next->m_tradedAmount += deal->m_amount;
    next->m_status =
        next->m_tradedVolume >= next->m_volume ? DataHelper::kOrderTraded : DataHelper::kOrderPartTraded;
    publishOrder(st, next);
    if (next->m_taskId >= 0)
        refreshTask(st, next->m_taskId, next->m_accountId);
    return next;
}

void CLinkageManager::refreshTask(State& st, int taskId, const std::string& accountId,
                                  const std::shared_ptr<COrderDetail>& added)
{
    auto accIt = st.tasks.find(accountId);
    if (accIt == st.tasks.end())
        return;
    auto it = accIt->second.find(taskId);
    if (it == accIt->second.end())
        return;
    auto task = std::make_shared<CTaskDetail>(*it->second);
    if (added)
        task->m_orders.push_back(added);
    task->m_tradedVolume = 0;
    task->m_tradedAmount = 0.0;
    for (auto& o : task->m_orders) {
        const auto bookIt = st.books.find(BookKey(ymdOf(o->m_timeTag), o->instrumentKey()));
        if (bookIt != st.books.end()) {
            const auto& byAccount = bookIt->second.orders;
            const auto a = byAccount.find(accountId);
            if (a != byAccount.end()) {
                const auto cur = a->second.find(o->m_orderId);
                if (cur != a->second.end())
                    o = cur->second;
            }
        }
        task->m_tradedVolume += o->m_tradedVolume;
        task->m_tradedAmount += o->m_tradedAmount;
    }
    if (!task->m_orders.empty())
        task->m_orderPrice = task->m_orders.front()->m_price;
    it->second = task;
}

void CLinkageManager::notify(int notices, const std::string& day)
{
    if (notices & NoticeDay)
        m_sigNewTradingDay(day);
    if (notices & NoticeAccounts)
        m_sigUpdateAccounts();
    if (notices & NoticeStocks)
        m_sigUpdateStocks();
    if (notices & NoticeStrategies)
        m_sigUpdateStrategys();
    if (notices & NoticeDatas)
        m_sigUpdateDatas();
}

// --- queries

QStringList CLinkageManager::getAccountIds(int kind) const
{
    QStringList ids;
    if (!isEnable())
        return ids;
    ReadLock lock(m_mutex);
    for (const CAccountDetail& a : m_state.accounts)
        if (a.kind == kind)
            ids << QString::fromStdString(a.accountId);
    return ids;
}

std::vector<CAccountDetail> CLinkageManager::getAccounts() const
{
    if (!isEnable())
        return {};
    ReadLock lock(m_mutex);
    return m_state.accounts;
}

std::set<std::string> CLinkageManager::getAccounts(const QStringList& ids) const
{
    std::set<std::string> found;
    if (!isEnable())
        return found;
    ReadLock lock(m_mutex);
    for (const QString& id : ids) {
        const std::string s = id.toStdString();
        if (account(m_state, s))
            found.insert(s);
    }
    return found;
}

std::vector<qlservice::CStockItem> CLinkageManager::getStocks() const
{
    std::vector<qlservice::CStockItem> stocks;
    if (!isEnable())
        return stocks;
    std::map<std::string, qlservice::CStockItem> byKey;
    ReadLock lock(m_mutex);
    for (const auto* books : {&m_state.books, &m_state.importBooks}) {
        for (const auto& entry : *books) {
            if (byKey.count(entry.first.second))
                continue;
            const COrderDetail* o = nullptr;
            const CDealDetail* d = nullptr;
            for (const auto& acc : entry.second.orders)
                if (!acc.second.empty())
                    o = acc.second.begin()->second.get();
            for (const auto& acc : entry.second.deals)
                if (!acc.second.empty())
                    d = acc.second.begin()->second.get();
            if (!o && !d)
                continue;
            qlservice::CStockItem item;
            item.key = entry.first.second;
            item.code = o ? o->m_code : d->m_code;
            item.name = o ? o->m_instrumentName : d->m_instrumentName;
            item.market = o ? o->m_market : d->m_market;
            byKey[item.key] = item;
        }
    }
    for (auto& e : byKey)
        stocks.push_back(e.second);
    return stocks;
}

std::vector<std::string> CLinkageManager::getStrategys() const
{
    if (!isEnable())
        return {};
    ReadLock lock(m_mutex);
    return m_state.strategies;
}

qint64 CLinkageManager::getTradeDate() const
{
    ReadLock lock(m_mutex);
    return m_state.tradeDate;
}

namespace {

template <typename Map>
void collect(const std::map<std::pair<int, std::string>, Map>& books, const std::pair<int, std::string>& key,
             const std::set<std::string>& accounts, bool deals, CLinkageManager::OrderMap* orders,
             CLinkageManager::DealMap* dealMap)
{
    const auto it = books.find(key);
    if (it == books.end())
        return;
    for (const std::string& acc : accounts) {
        if (deals) {
            const auto a = it->second.deals.find(acc);
            if (a != it->second.deals.end())
                (*dealMap)[acc].insert(a->second.begin(), a->second.end());
        } else {
            const auto a = it->second.orders.find(acc);
            if (a != it->second.orders.end())
                (*orders)[acc].insert(a->second.begin(), a->second.end());
        }
    }
}

} // namespace

CLinkageManager::OrderMap CLinkageManager::getOrderDetails(qint64 day, const std::string& stockKey,
                                                           const std::set<std::string>& accounts) const
{
    OrderMap result;
    if (!isEnable())
        return result;
    const BookKey key(ymdOf(day), stockKey);
    ReadLock lock(m_mutex);
    collect(m_state.books, key, accounts, false, &result, nullptr);
    collect(m_state.importBooks, key, accounts, false, &result, nullptr);
    return result;
}

CLinkageManager::DealMap CLinkageManager::getDealDetails(qint64 day, const std::string& stockKey,
                                                         const std::set<std::string>& accounts) const
{
    DealMap result;
    if (!isEnable())
        return result;
    const BookKey key(ymdOf(day), stockKey);
    ReadLock lock(m_mutex);
    collect(m_state.books, key, accounts, true, nullptr, &result);
    collect(m_state.importBooks, key, accounts, true, nullptr, &result);
    return result;
}

CLinkageManager::TaskMap CLinkageManager::getTaskDetails(const std::set<std::string>& accounts) const
{
    TaskMap result;
    if (!isEnable())
        return result;
    ReadLock lock(m_mutex);
    for (const std::string& acc : accounts) {
        const auto it = m_state.tasks.find(acc);
        if (it != m_state.tasks.end())
            result[acc] = it->second;
    }
    return result;
}

int CLinkageManager::getTaskItemFinishNumber(const std::shared_ptr<CTaskDetail>& task,
                                             const std::string& stockKey) const
{
    if (!task)
        return 0;
    int n = 0;
    for (const auto& o : task->m_orders)
        if (o && o->instrumentKey() == stockKey && o->m_volume > 0 && o->m_tradedVolume >= o->m_volume)
            ++n;
    return n;
}

bool CLinkageManager::cancelTask(int taskId, const QString& cancelKey)
{
    {
        WriteLock lock(m_mutex);
        std::shared_ptr<CTaskDetail> task;
        for (const auto& acc : m_state.tasks) {
            const auto it = acc.second.find(taskId);
            if (it != acc.second.end())
                task = it->second;
        }
        if (!task || !DataHelper::isCancelableTask(task->m_status) ||
            cancelKey != QStringLiteral("%1-%2").arg(task->m_sessionId).arg(taskId)) {
            QLLOG_WARN(qlog::kStdLogger, "task %1% not cancelled (key %2%)", taskId, cancelKey);
            return false;
        }
        // Withdraw what has not filled; a withdrawn remainder ends the order.
        for (const auto& o : task->m_orders) {
            const auto bookIt = m_state.books.find(BookKey(ymdOf(o->m_timeTag), o->instrumentKey()));
            if (bookIt == m_state.books.end())
                continue;
            auto& byId = bookIt->second.orders[task->m_accountId];
            const auto cur = byId.find(o->m_orderId);
            if (cur == byId.end() || DataHelper::isFinalOrderStatus(cur->second->m_status))
                continue;
            auto next = std::make_shared<COrderDetail>(*cur->second);
            next->m_cancelVolume = next->m_volume - next->m_tradedVolume;
            next->m_status =
                next->m_tradedVolume > 0 ? DataHelper::kOrderPartCancelled : DataHelper::kOrderCancelled;
            cur->second = next;
        }
        const int ymd = task->m_startTime != CTaskDetail::kUnsetTime ? ymdOf(task->m_startTime) : 0;
        int endTime = task->m_planEndTime;
        if (ymd == m_state.liveYmd && m_state.lastTickTime > 0)
            endTime = int(std::min<qint64>(m_state.lastTickTime, task->m_planEndTime));
        refreshTask(m_state, taskId, task->m_accountId);
        auto done = std::make_shared<CTaskDetail>(*m_state.tasks[task->m_accountId][taskId]);
        done->m_status = DataHelper::kTaskCancelled;
        done->m_endTime = endTime;
        m_state.tasks[task->m_accountId][taskId] = done;
        // A live plan stops placing the task's items.
        for (auto& plan : m_state.livePlans)
            for (LiveTask& lt : plan.second.tasks)
                if (lt.taskId == taskId)
                    lt.nextItem = lt.itemTimes.size();
        ++m_revision;
    }
    notify(NoticeDatas);
    return true;
}

// --- imports

namespace {

bool parseImportTime(const QString& text, QDateTime& when, QString& timePart)
{
    const QString t = text.trimmed();
    struct Form {
        const char* format;
        int timeFrom;
    };
    static const Form forms[] = {
        {"yyyyMMdd hh:mm:ss", 9}, {"yyyyMMdd hhmmss", 9}, {"yyyyMMddhhmmss", 8}, {"yyyy-MM-dd hh:mm:ss", 11}};
    for (const Form& f : forms) {
        const QDateTime dt = QDateTime::fromString(t, QLatin1String(f.format));
        if (dt.isValid()) {
            when = dt;
            timePart = t.mid(f.timeFrom);
            return true;
        }
    }
    return false;
}

} // namespace

bool CLinkageManager::importOrder(const QString& account, const QString& stock, const QString& time,
                                  double price, int direction, qint64 volume, int offsetFlag)
{
    return importRecord(false, account, stock, time, price, direction, volume, offsetFlag);
}

bool CLinkageManager::importDeal(const QString& account, const QString& stock, const QString& time,
                                 double price, int direction, qint64 volume, int offsetFlag)
{
    return importRecord(true, account, stock, time, price, direction, volume, offsetFlag);
}

bool CLinkageManager::importRecord(bool deal, const QString& accountText, const QString& stock,
                                   const QString& time, double price, int direction, qint64 volume,
                                   int offsetFlag)
{
    const std::string accountId = accountText.trimmed().toStdString();
    QString key = stock.trimmed();
    const int dot = key.indexOf(QLatin1Char('.'));
    if (dot > 0)
        key = key.mid(dot + 1) + key.left(dot); // "600000.SH" -> "SH600000"
    CMarketStore* store = nullptr;
    {
        ReadLock lock(m_mutex);
        store = m_store;
    }
    key = store->resolveKey(key);
    const auto detail = key.isEmpty() ? nullptr : store->instrument(key);
    QDateTime when;
    QString timePart;
    const bool codesOk =
        (direction == DataHelper::kDirectionBuy || direction == DataHelper::kDirectionSell) &&
        (offsetFlag == DataHelper::kOffsetNone || offsetFlag == DataHelper::kOffsetOpen ||
         offsetFlag == DataHelper::kOffsetClose || offsetFlag == DataHelper::kOffsetCloseToday ||
         offsetFlag == DataHelper::kOffsetCloseYesterday);
    if (accountId.empty() || !detail || !parseImportTime(time, when, timePart) || !std::isfinite(price) ||
        !(price > 0.0) || volume <= 0 || !codesOk) {
        QLLOG_WARN(qlog::kStdLogger, "import refused: %1%, %2%, %3%, %4%, %5%, %6%, %7%", accountText, stock,
                   time, price, direction, volume, offsetFlag);
        return false;
    }

    const qint64 tag = when.toSecsSinceEpoch();
    const int ymd = ymdOf(tag);
    int notices = NoticeDatas;
    {
        WriteLock lock(m_mutex);
        if (!account(m_state, accountId)) {
            CAccountDetail acc;
            acc.accountId = accountId;
            acc.accountName = accountId;
            acc.kind = DataHelper::isFuturesMarket(detail->market) ? 1 : 2;
            acc.imported = true;
            m_state.accounts.push_back(acc);
            notices |= NoticeAccounts;
        }
        const BookKey bk(ymd, detail->key);
        if (!m_state.books.count(bk) && !m_state.importBooks.count(bk))
            notices |= NoticeStocks;
        DayBook& book = m_state.importBooks[bk];
        const std::string id = "I" + std::to_string(m_state.nextImportSeq++);
        if (deal) {
            auto d = std::make_shared<CDealDetail>();
            d->m_accountId = accountId;
            d->m_dealId = id;
            d->m_date = dateText(tag);
            d->m_time = timePart.toStdString();
            d->m_timeTag = tag;
            d->m_market = detail->market;
            d->m_code = detail->code;
            d->m_instrumentName = detail->name;
            d->m_direction = direction;
            d->m_offsetFlag = offsetFlag;
            d->m_price = price;
            d->m_volume = volume;
            d->m_amount = price * double(volume);
            d->m_accountKind = account(m_state, accountId)->kind;
            d->m_imported = true;
            book.deals[accountId][id] = d;
        } else {
            auto o = std::make_shared<COrderDetail>();
            o->m_accountId = accountId;
            o->m_orderId = id;
            o->m_date = dateText(tag);
            o->m_time = timePart.toStdString();
            o->m_timeTag = tag;
            o->m_market = detail->market;
            o->m_code = detail->code;
            o->m_instrumentName = detail->name;
            o->m_direction = direction;
            o->m_offsetFlag = offsetFlag;
            o->m_price = price;
            o->m_volume = volume;
            o->m_status = DataHelper::kOrderReported;
            o->m_priceType = DataHelper::kPriceFixed;
            o->m_imported = true;
            book.orders[accountId][id] = o;
        }
        ++m_state.importCount;
        ++m_revision;
    }
    notify(notices);
    return true;
}

void CLinkageManager::clearImportData()
{
    int notices = 0;
    {
        WriteLock lock(m_mutex);
        if (m_state.importCount == 0)
            return;
        for (const auto& entry : m_state.importBooks)
            if (!m_state.books.count(entry.first))
                notices |= NoticeStocks;
        m_state.importBooks.clear();
        m_state.importCount = 0;
        const auto before = m_state.accounts.size();
        m_state.accounts.erase(std::remove_if(m_state.accounts.begin(), m_state.accounts.end(),
                                              [](const CAccountDetail& a) { return a.imported; }),
                               m_state.accounts.end());
        if (m_state.accounts.size() != before)
            notices |= NoticeAccounts;
        notices |= NoticeDatas;
        ++m_revision;
    }
    notify(notices);
}

int CLinkageManager::importCount() const
{
    ReadLock lock(m_mutex);
    return m_state.importCount;
}

// --- profit

void CLinkageManager::startProfitCalculator()
{
    m_profitRunning.store(true);
}

void CLinkageManager::stopProfitCalculator()
{
    m_profitRunning.store(false);
}

double CLinkageManager::getFloatingProfit(const std::string& accountId) const
{
    ReadLock lock(m_mutex);
    double profit = 0.0;
    for (const auto* books : {&m_state.books, &m_state.importBooks}) {
        for (const auto& entry : *books) {
            if (entry.first.first != m_state.tradeYmd)
                continue;
            const auto acc = entry.second.deals.find(accountId);
            if (acc == entry.second.deals.end() || acc->second.empty())
                continue;
            const auto lp = m_state.lastPrices.find(entry.first.second);
            double last = 0.0;
            qint64 lastTime = -1;
            for (const auto& d : acc->second)
                if (d.second->m_timeTag >= lastTime) {
                    lastTime = d.second->m_timeTag;
                    last = d.second->m_price;
                }
            if (lp != m_state.lastPrices.end())
                last = lp->second;
            for (const auto& d : acc->second) {
                const double side =
                    qlservice::isBuyByDirection(d.second->m_direction, d.second->m_offsetFlag) ? 1.0 : -1.0;
                profit += side * double(d.second->m_volume) * (last - d.second->m_price);
            }
        }
    }
    return profit;
}

// --- notifications

boost::signals2::connection
CLinkageManager::connectNewTradingDay(const std::function<void(const std::string&)>& slot)
{
    return m_sigNewTradingDay.connect(slot);
}

boost::signals2::connection CLinkageManager::connectUpdateAccounts(const VoidSlot& slot)
{
    return m_sigUpdateAccounts.connect(slot);
}

boost::signals2::connection CLinkageManager::connectUpdateStocks(const VoidSlot& slot)
{
    return m_sigUpdateStocks.connect(slot);
}

boost::signals2::connection CLinkageManager::connectUpdateStrategys(const VoidSlot& slot)
{
    return m_sigUpdateStrategys.connect(slot);
}

boost::signals2::connection CLinkageManager::connectUpdateDatas(const VoidSlot& slot)
{
    return m_sigUpdateDatas.connect(slot);
}

} // namespace TC
