#include <algorithm>
#include <cmath>

#include <boost/thread/locks.hpp>

#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketSimulator.h"
#include "platform/market/CMarketStore.h"
#include "platform/market/CSampleRandom.h"
#include "platform/trading/CLinkageManager.h"
#include "platform/trading/DataHelper.h"

namespace TC {

using qlservice::COrderDetail;
using qlservice::CTaskDetail;
using qlservice::DataHelper;

void CLinkageManager::startWorker()
{
    m_worker = std::thread([this] { workerLoop(); });
}

void CLinkageManager::stopWorker()
{
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        m_stopWorker = true;
    }
    m_queueCv.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

void CLinkageManager::attachSimulator(CMarketSimulator* simulator)
{
    if (m_simConnection)
        QObject::disconnect(m_simConnection);
    m_simulator = simulator;
    if (!simulator)
        return;
    // Runs on the simulator's thread: read the tick just written and queue it.
    m_simConnection = QObject::connect(
        simulator, &CMarketSimulator::sigInstrumentTicked, simulator, [this, simulator](const QString& key) {
            const QVector<quoter::CTick> ticks = simulator->store()->ticks(key);
            if (!ticks.isEmpty())
                postTick(key, ticks.last());
        });
}

void CLinkageManager::postTick(const QString& stockKey, const quoter::CTick& tick)
{
    if (!isEnable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        m_queue.emplace_back(stockKey, tick);
    }
    m_queueCv.notify_all();
}

void CLinkageManager::waitForIdle()
{
    std::unique_lock<std::mutex> lock(m_queueMutex);
    m_queueCv.wait(lock, [this] { return (m_queue.empty() && m_processing == 0) || m_stopWorker; });
}

void CLinkageManager::workerLoop()
{
    std::unique_lock<std::mutex> lock(m_queueMutex);
    for (;;) {
        m_queueCv.wait(lock, [this] { return m_stopWorker || !m_queue.empty(); });
        if (m_stopWorker)
            break;
        const auto item = m_queue.front();
        m_queue.pop_front();
        ++m_processing;
        lock.unlock();
        std::string day;
        int notices = processTick(item.first, item.second);
        if (notices & NoticeDay)
            day = dateText(item.second.timeMs / 1000);
        // Listeners hear it from this thread, without the state lock.
        notify(notices, day);
        lock.lock();
        --m_processing;
        m_queueCv.notify_all();
    }
}

int CLinkageManager::processTick(const QString& key, const quoter::CTick& tick)
{
    if (!isEnable() || !(tick.price > 0.0) || !std::isfinite(tick.price))
        return 0;
    const qint64 t = tick.timeMs / 1000;
    const int ymd = ymdOf(t);
    const std::string skey = key.toStdString();
    int notices = 0;

    boost::unique_lock<boost::shared_mutex> lock(m_mutex);
    State& st = m_state;
    if (ymd < st.tradeYmd)
        return 0;
    if (m_profitRunning.load())
        st.lastPrices[skey] = tick.price;
    if (ymd <= st.generatedYmd)
        return 0;
    bool changed = false;
    if (ymd > st.tradeYmd) {
        st.tradeYmd = ymd;
        st.tradeDate = CLocalTimeConverter::dayTag(CLocalTimeConverter::dateOf(t));
        expireBefore(st, ymd);
        notices |= NoticeDay;
        changed = true;
    }
    if (st.liveYmd != ymd) {
        st.liveYmd = ymd;
        st.livePlans.clear();
    }
    st.lastTickTime = std::max(st.lastTickTime, t);
    if (!st.livePlans.count(skey)) {
        planLiveDay(skey, tick);
        changed = changed || !st.livePlans[skey].tasks.empty(); // their tasks are published
    }
    auto planIt = st.livePlans.find(skey);
    if (planIt == st.livePlans.end())
        return notices;
    LivePlan& plan = planIt->second;

    for (LiveOrder& lo : plan.orders) {
        if (!lo.placed) {
            if (lo.placeAt > t)
                continue;
            auto o = std::make_shared<COrderDetail>(*lo.order);
            o->m_timeTag = t;
            o->m_date = dateText(t);
            o->m_time = timeText(t);
            publishOrder(st, o);
            lo.order = o;
            lo.placed = true;
            changed = true;
            continue; // fills start with the next tick
        }
        // The current version: a cancel may have ended it.
        const auto& byId = st.books[BookKey(ymd, skey)].orders[lo.order->m_accountId];
        const auto cur = byId.find(lo.order->m_orderId);
        if (cur != byId.end())
            lo.order = cur->second;
        const auto& o = lo.order;
        if (DataHelper::isFinalOrderStatus(o->m_status) || o->m_tradedVolume >= o->m_volume)
            continue;
        const bool buy = DataHelper::isBuy(*o);
        if (buy ? tick.price > o->m_price : tick.price < o->m_price)
            continue;
        const qint64 lot = DataHelper::isFuturesMarket(o->m_market) ? 1 : 100;
        const qint64 tickLots = std::max<qint64>(1, qint64(tick.volume) / lot / 4);
        lo.order = fillOrder(st, o, tick.price, std::min(tickLots, qint64(3)) * lot, t);
        changed = true;
    }

    for (LiveTask& lt : plan.tasks) {
        auto accIt = st.tasks.find(lt.accountId);
        if (accIt == st.tasks.end() || !accIt->second.count(lt.taskId))
            continue;
        while (lt.nextItem < lt.itemTimes.size() && lt.itemTimes[lt.nextItem] <= t) {
            const auto task = accIt->second[lt.taskId];
            if (task->m_status != DataHelper::kTaskRunning && task->m_status != DataHelper::kTaskWaiting)
                break;
            auto o = std::make_shared<COrderDetail>();
            o->m_accountId = lt.accountId;
            o->m_orderId = nextOrderId(st, lt.accountId, ymd);
            o->m_timeTag = t;
            o->m_date = dateText(t);
            o->m_time = timeText(t);
            o->m_market = task->m_market;
            o->m_code = task->m_code;
            o->m_instrumentName = task->m_instrumentName;
            const bool futures = DataHelper::isFuturesMarket(task->m_market);
            const bool buy = DataHelper::isBuy(task->m_operation);
            o->m_direction = buy ? DataHelper::kDirectionBuy : DataHelper::kDirectionSell;
            o->m_offsetFlag = futures ? DataHelper::kOffsetOpen : DataHelper::kOffsetNone;
            o->m_price = tick.price;
            o->m_volume = lt.itemVolumes[lt.nextItem];
            o->m_priceType = task->m_priceType;
            o->m_strategyName = task->m_strategyName;
            o->m_taskId = lt.taskId;
            publishOrder(st, o);
            refreshTask(st, lt.taskId, lt.accountId, o);
            fillOrder(st, o, tick.price, o->m_volume, t);
            ++lt.nextItem;
            auto next = std::make_shared<CTaskDetail>(*accIt->second[lt.taskId]);
            next->m_status =
                lt.nextItem >= lt.itemTimes.size() ? DataHelper::kTaskFinished : DataHelper::kTaskRunning;
            if (next->m_status == DataHelper::kTaskFinished)
                next->m_endTime = int(t);
            accIt->second[lt.taskId] = next;
            changed = true;
        }
    }
    if (changed) {
        ++m_revision;
        notices |= NoticeDatas;
    }
    return notices;
}

void CLinkageManager::expireBefore(State& st, int ymd)
{
    for (auto& entry : st.books) {
        if (entry.first.first >= ymd)
            continue;
        for (auto& acc : entry.second.orders)
            for (auto& o : acc.second) {
                if (DataHelper::isFinalOrderStatus(o.second->m_status))
                    continue;
                auto next = std::make_shared<COrderDetail>(*o.second);
                next->m_cancelVolume = next->m_volume - next->m_tradedVolume;
                next->m_status =
                    next->m_tradedVolume > 0 ? DataHelper::kOrderPartCancelled : DataHelper::kOrderCancelled;
                o.second = next;
            }
    }
    for (auto& acc : st.tasks)
        for (auto& t : acc.second) {
            const auto task = t.second;
            if (task->m_startTime == CTaskDetail::kUnsetTime || ymdOf(task->m_startTime) >= ymd)
                continue;
            if (!DataHelper::isCancelableTask(task->m_status) && task->m_status != DataHelper::kTaskWaiting)
                continue;
            refreshTask(st, task->m_taskId, acc.first);
            auto next = std::make_shared<CTaskDetail>(*t.second);
            next->m_status = DataHelper::kTaskStopped;
            next->m_endTime = next->m_planEndTime;
            t.second = next;
        }
}

void CLinkageManager::planLiveDay(const std::string& key, const quoter::CTick& tick)
{
    State& st = m_state;
    LivePlan& plan = st.livePlans[key];
    const QString qkey = QString::fromStdString(key);
    const auto detail = m_store->instrument(qkey);
    if (!detail)
        return;
    const QVector<CTradingSession> sessions = m_store->sessions(QString::fromStdString(detail->market));
    if (sessions.isEmpty())
        return;
    const qint64 t = tick.timeMs / 1000;
    const QDate date = CLocalTimeConverter::dateOf(t);
    const int ymd = st.liveYmd;
    const bool futures = DataHelper::isFuturesMarket(detail->market);
    const double lot = futures ? 1.0 : 100.0;
    const double priceTick = detail->priceTick > 0.0 ? detail->priceTick : 0.01;
    const double ref = tick.price;
    // Times of the day's sessions, as offsets into their minutes.
    int sessionMinutes = 0;
    for (const CTradingSession& s : sessions)
        sessionMinutes += s.endMinute - s.startMinute;
    auto timeAtOffset = [&](int minute) {
        for (const CTradingSession& s : sessions) {
            const int len = s.endMinute - s.startMinute;
            if (minute < len)
                return CLocalTimeConverter::timeAt(date, s.startMinute + minute) + 1;
            minute -= len;
        }
        return CLocalTimeConverter::timeAt(date, sessions.last().endMinute);
    };

    for (const auto& accStocks : st.accountStocks) {
        const std::string& accountId = accStocks.first;
        if (std::find(accStocks.second.begin(), accStocks.second.end(), key) == accStocks.second.end())
            continue;
        const auto* acc = account(st, accountId);
        CSampleRandom rng(
            m_seed ^ CSampleRandom::hash((accountId + "/live/" + key + "/" + std::to_string(ymd)).c_str()));
        const int orders = 2 + rng.below(3);
        for (int i = 0; i < orders; ++i) {
            const bool buy = rng.uniform() < 0.5;
            auto o = std::make_shared<COrderDetail>();
            o->m_accountId = accountId;
            o->m_orderId = nextOrderId(st, accountId, ymd);
            o->m_market = detail->market;
            o->m_code = detail->code;
            o->m_instrumentName = detail->name;
            o->m_direction = buy ? DataHelper::kDirectionBuy : DataHelper::kDirectionSell;
            o->m_offsetFlag = futures ? DataHelper::kOffsetOpen : DataHelper::kOffsetNone;
            const double offset = priceTick * rng.below(4);
            o->m_price =
                std::max(priceTick, std::round((ref + (buy ? -offset : offset)) / priceTick) * priceTick);
            o->m_volume = qint64(lot) * (1 + rng.below(futures ? 8 : 15));
            o->m_priceType = DataHelper::kPriceFixed;
            o->m_status = DataHelper::kOrderReported;
            if (rng.uniform() >= 0.3)
                o->m_strategyName = st.strategies[size_t(rng.below(3))];
            LiveOrder lo;
            lo.order = o;
            lo.placeAt = timeAtOffset(rng.below(sessionMinutes));
            plan.orders.push_back(lo);
        }

        // One task: items every few minutes over an hour or two.
        auto task = std::make_shared<CTaskDetail>();
        task->m_taskId = st.nextTaskId++;
        task->m_sessionId = acc ? acc->sessionId : 0;
        task->m_accountId = accountId;
        task->m_market = detail->market;
        task->m_code = detail->code;
        task->m_instrumentName = detail->name;
        task->m_itemCount = 8;
        task->m_operation = futures ? DataHelper::kOpOpenLong
                                    : (rng.uniform() < 0.5 ? DataHelper::kOpBuy : DataHelper::kOpSell);
        task->m_priceType = DataHelper::kPriceCounterparty;
        task->m_strategyName = st.strategies[3];
        task->m_status = DataHelper::kTaskWaiting;
        const int startMinute = rng.below(std::max(1, sessionMinutes - 130));
        const int span = 60 + rng.below(60);
        LiveTask lt;
        lt.accountId = accountId;
        lt.taskId = task->m_taskId;
        for (int k = 0; k < task->m_itemCount; ++k) {
            lt.itemTimes.push_back(timeAtOffset(startMinute + span * k / (task->m_itemCount - 1)));
            lt.itemVolumes.push_back(qint64(lot) * (1 + rng.below(futures ? 2 : 5)));
            task->m_totalVolume += lt.itemVolumes.back();
        }
        task->m_quantity = double(task->m_totalVolume);
        task->m_startTime = int(lt.itemTimes.front());
        task->m_planEndTime = int(lt.itemTimes.back());
        task->m_date = dateText(task->m_startTime);
        task->m_orderPrice = ref;
        st.tasks[accountId][task->m_taskId] = task;
        plan.tasks.push_back(lt);
    }
}

} // namespace TC
