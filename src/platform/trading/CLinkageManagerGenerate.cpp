#include <algorithm>
#include <cmath>
#include <map>

#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"
#include "platform/market/CSampleRandom.h"
#include "platform/trading/CLinkageManager.h"
#include "platform/trading/DataHelper.h"

namespace TC {

using qlservice::CAccountDetail;
using qlservice::COrderDetail;
using qlservice::CTaskDetail;
using qlservice::DataHelper;

namespace {

// One step of a day's price path: a tick (from == to) or a minute bar
// (the seconds it covers, end inclusive).
struct Slot {
    qint64 from = 0;
    qint64 to = 0;
    double low = 0.0;
    double high = 0.0;
    double close = 0.0;
};

struct AccountPlan {
    const char* id;
    const char* name;
    int kind;
    int session;
    std::vector<const char*> stocks;
};

const std::vector<AccountPlan>& accountPlans()
{
    static const std::vector<AccountPlan> plans = {
        {"8800123401", "股票账户一", 2, 11, {"SH600000", "SH600519", "SZ000651"}},
        {"8800123402", "股票账户二", 2, 12, {"SH600000", "SZ000063"}},
        {"9100200301", "期货账户一", 1, 21, {"SFrb888"}},
    };
    return plans;
}

const std::vector<std::string>& strategyNames()
{
    static const std::vector<std::string> names = {"双均线趋势", "网格做T", "开盘突破", "算法拆单"};
    return names;
}

double lotOf(const qlservice::CInstrumentDetail& d)
{
    return DataHelper::isFuturesMarket(d.market) ? 1.0 : 100.0;
}

qint64 timeIn(const Slot& s, CSampleRandom& rng)
{
    return s.from + rng.below(int(s.to - s.from + 1));
}

// Price of a fill inside the slot no worse than the limit (buy: at most,
// sell: at least); the slot must reach the limit.
double fillPrice(const Slot& s, bool buy, double limit)
{
    if (buy)
        return std::max(s.low, std::min(limit, s.close));
    return std::min(s.high, std::max(limit, s.close));
}

bool reaches(const Slot& s, bool buy, double limit)
{
    return buy ? s.low <= limit : s.high >= limit;
}

// Codes of a side: stocks buy/sell, futures open or close a position.
void sideCodes(bool futures, bool buy, bool open, int& direction, int& offset)
{
    if (!futures) {
        direction = buy ? DataHelper::kDirectionBuy : DataHelper::kDirectionSell;
        offset = DataHelper::kOffsetNone;
        return;
    }
    offset = open ? DataHelper::kOffsetOpen : DataHelper::kOffsetClose;
    // Closing a short buys, closing a long sells.
    direction = (buy == open) ? DataHelper::kDirectionBuy : DataHelper::kDirectionSell;
}

std::uint64_t comboSeed(quint64 seed, const std::string& account, const std::string& key, int ymd)
{
    const std::string text = account + "/" + key + "/" + std::to_string(ymd);
    return seed ^ CSampleRandom::hash(text.c_str());
}

} // namespace

void CLinkageManager::generate(State& st, CMarketStore* store, quint64 seed)
{
    const QDate today = store->today();
    st.tradeYmd = today.year() * 10000 + today.month() * 100 + today.day();
    st.generatedYmd = st.tradeYmd;
    st.tradeDate = CLocalTimeConverter::dayTag(today);

    for (const AccountPlan& p : accountPlans()) {
        CAccountDetail acc;
        acc.accountId = p.id;
        acc.accountName = p.name;
        acc.kind = p.kind;
        acc.sessionId = p.session;
        st.accounts.push_back(acc);
        for (const char* s : p.stocks)
            if (store->hasInstrument(QString::fromLatin1(s)))
                st.accountStocks[p.id].push_back(s);
    }
    st.strategies = strategyNames();

    CLocalTimeConverter converter;
    for (const AccountPlan& p : accountPlans()) {
        const std::string accountId = p.id;
        for (const std::string& key : st.accountStocks[accountId]) {
            const QString qkey = QString::fromStdString(key);
            const auto detail = store->instrument(qkey);
            if (!detail)
                continue;
            const bool futures = DataHelper::isFuturesMarket(detail->market);
            const double lot = lotOf(*detail);
            const double tick = detail->priceTick > 0.0 ? detail->priceTick : 0.01;

            // The days with minute bars, last kHistoryDays of them.
            const QVector<quoter::CBar> minutes = store->minuteBars(qkey);
            const QVector<quoter::CTick> ticks = store->ticks(qkey);
            std::vector<std::pair<int, std::vector<Slot>>> days;
            for (const quoter::CBar& b : minutes) {
                QDate d;
                int minute = 0;
                converter.split(b.time, d, minute);
                const int ymd = d.year() * 10000 + d.month() * 100 + d.day();
                if (days.empty() || days.back().first != ymd)
                    days.push_back({ymd, {}});
                days.back().second.push_back({b.time - 59, b.time, b.low, b.high, b.close});
            }
            if (int(days.size()) > kHistoryDays)
                days.erase(days.begin(), days.end() - kHistoryDays);
            // A day with ticks walks its ticks instead.
            std::map<int, std::vector<Slot>> tickDays;
            for (const quoter::CTick& t : ticks) {
                const qint64 s = t.timeMs / 1000;
                QDate d;
                int minute = 0;
                converter.split(s, d, minute);
                tickDays[d.year() * 10000 + d.month() * 100 + d.day()].push_back(
                    {s, s, t.price, t.price, t.price});
            }
            for (auto& day : days) {
                auto it = tickDays.find(day.first);
                if (it != tickDays.end())
                    day.second.swap(it->second);
            }

            for (const auto& day : days) {
                const int ymd = day.first;
                const std::vector<Slot>& path = day.second;
                const int n = int(path.size());
                if (n < 20)
                    continue;
                CSampleRandom rng(comboSeed(seed, accountId, key, ymd));

                // Orders.
                const int orderCount = 2 + rng.below(4);
                for (int i = 0; i < orderCount; ++i) {
                    const int s = rng.below(n * 4 / 5);
                    const bool buy = rng.uniform() < 0.5;
                    const bool open = rng.uniform() < 0.6;
                    auto o = std::make_shared<COrderDetail>();
                    o->m_accountId = accountId;
                    o->m_orderId = nextOrderId(st, accountId, ymd);
                    o->m_timeTag = timeIn(path[s], rng);
                    o->m_date = dateText(o->m_timeTag);
                    o->m_time = timeText(o->m_timeTag);
                    o->m_market = detail->market;
                    o->m_code = detail->code;
                    o->m_instrumentName = detail->name;
                    sideCodes(futures, buy, open, o->m_direction, o->m_offsetFlag);
                    const double offset = tick * rng.below(6);
                    double limit = path[s].close + (buy ? -offset : offset);
                    limit = std::round(limit / tick) * tick;
                    if (!(limit > 0.0))
                        limit = path[s].close;
                    o->m_price = limit;
                    o->m_volume = qint64(lot) * (1 + rng.below(futures ? 10 : 20));
                    o->m_priceType = DataHelper::kPriceFixed;
                    if (rng.uniform() >= 0.25)
                        o->m_strategyName = st.strategies[size_t(rng.below(3))];
                    o->m_status = DataHelper::kOrderReported;
                    publishOrder(st, o);
                    const int cancelAt = rng.uniform() < 0.3 ? s + 10 + rng.below(60) : n;

                    std::shared_ptr<COrderDetail> cur = o;
                    for (int j = s + 1; j < n && j < cancelAt && cur->m_tradedVolume < cur->m_volume; ++j) {
                        if (!reaches(path[j], buy, limit) || rng.uniform() >= 0.4)
                            continue;
                        const qint64 remainingLots = (cur->m_volume - cur->m_tradedVolume) / qint64(lot);
                        const qint64 lots = 1 + rng.below(int(std::max<qint64>(1, remainingLots / 2 + 1)));
                        cur = fillOrder(st, cur, fillPrice(path[j], buy, limit), lots * qint64(lot),
                                        timeIn(path[j], rng));
                    }
                    if (cur->m_tradedVolume < cur->m_volume) {
                        // Cancelled by the user, or expired at the close.
                        auto end = std::make_shared<COrderDetail>(*cur);
                        end->m_cancelVolume = end->m_volume - end->m_tradedVolume;
                        end->m_status = end->m_tradedVolume > 0 ? DataHelper::kOrderPartCancelled
                                                                : DataHelper::kOrderCancelled;
                        publishOrder(st, end);
                    }
                }

                // One algorithmic task on most days.
                if (rng.uniform() >= 0.6)
                    continue;
                auto task = std::make_shared<CTaskDetail>();
                task->m_taskId = st.nextTaskId++;
                task->m_sessionId = p.session;
                task->m_accountId = accountId;
                task->m_market = detail->market;
                task->m_code = detail->code;
                task->m_instrumentName = detail->name;
                task->m_itemCount = 6 + rng.below(7);
                const int s0 = rng.below(n * 2 / 5);
                const int s1 = std::min(n - 1, s0 + n * 3 / 10 + rng.below(n * 3 / 10));
                task->m_startTime = int(path[s0].from);
                task->m_planEndTime = int(path[s1].to);
                task->m_date = dateText(task->m_startTime);
                const double r = rng.uniform();
                if (futures)
                    task->m_operation = r < 0.35   ? DataHelper::kOpOpenLong
                                        : r < 0.7  ? DataHelper::kOpOpenShort
                                        : r < 0.85 ? DataHelper::kOpCloseLongHistory
                                                   : DataHelper::kOpCloseShortHistory;
                else
                    task->m_operation = r < 0.4    ? DataHelper::kOpBuy
                                        : r < 0.75 ? DataHelper::kOpSell
                                                   : DataHelper::kOpBuyAmount;
                const int types[] = {DataHelper::kPriceCounterparty, DataHelper::kPriceLatest,
                                     DataHelper::kPriceMarket};
                task->m_priceType = types[rng.below(3)];
                task->m_strategyName = rng.uniform() < 0.7 ? st.strategies[3] : std::string();
                const bool buy = DataHelper::isBuy(task->m_operation);
                const bool open = futures && (task->m_operation == DataHelper::kOpOpenLong ||
                                              task->m_operation == DataHelper::kOpOpenShort);
                const double itemValue = 10000.0 * (1 + rng.below(5));

                // How far it got: an earlier day's task finished or was
                // cancelled part way; the trade date's may still run.
                const int items = task->m_itemCount;
                int placed = items;
                int status = DataHelper::kTaskFinished;
                const double fate = rng.uniform();
                if (ymd == st.tradeYmd) {
                    if (fate < 0.3)
                        status = DataHelper::kTaskRunning;
                    else if (fate < 0.6)
                        status = DataHelper::kTaskPaused;
                } else if (fate < 0.25) {
                    status = DataHelper::kTaskCancelled;
                }
                if (status != DataHelper::kTaskFinished)
                    placed = 1 + rng.below(items - 1);

                std::vector<qint64> volumes;
                for (int k = 0; k < items; ++k) {
                    qint64 v = 0;
                    if (task->m_operation == DataHelper::kOpBuyAmount)
                        v = std::max<qint64>(1, qint64(itemValue / path[s0].close / lot)) * qint64(lot);
                    else
                        v = qint64(lot) * (1 + rng.below(futures ? 3 : 5));
                    volumes.push_back(v);
                    task->m_totalVolume += v;
                }
                task->m_quantity = task->m_operation == DataHelper::kOpBuyAmount
                                       ? itemValue * items
                                       : double(task->m_totalVolume);
                task->m_status = status;
                st.tasks[accountId][task->m_taskId] = task;

                qint64 lastItemTime = task->m_startTime;
                for (int k = 0; k < placed; ++k) {
                    const int si = items > 1 ? s0 + (s1 - s0) * k / (items - 1) : s0;
                    auto o = std::make_shared<COrderDetail>();
                    o->m_accountId = accountId;
                    o->m_orderId = nextOrderId(st, accountId, ymd);
                    o->m_timeTag = std::max<qint64>(task->m_startTime, timeIn(path[si], rng));
                    o->m_date = dateText(o->m_timeTag);
                    o->m_time = timeText(o->m_timeTag);
                    o->m_market = detail->market;
                    o->m_code = detail->code;
                    o->m_instrumentName = detail->name;
                    sideCodes(futures, buy, open, o->m_direction, o->m_offsetFlag);
                    o->m_price = path[si].close;
                    o->m_volume = volumes[size_t(k)];
                    o->m_priceType = task->m_priceType;
                    o->m_strategyName = task->m_strategyName;
                    o->m_taskId = task->m_taskId;
                    publishOrder(st, o);
                    refreshTask(st, task->m_taskId, accountId, o);
                    // The running task's newest item is still filling.
                    qint64 fill = o->m_volume;
                    if (k == placed - 1 && status == DataHelper::kTaskRunning &&
                        o->m_volume >= 2 * qint64(lot))
                        fill = o->m_volume / 2 / qint64(lot) * qint64(lot);
                    fillOrder(st, o, path[si].close, fill, o->m_timeTag);
                    lastItemTime = o->m_timeTag;
                }
                auto done = std::make_shared<CTaskDetail>(*st.tasks[accountId][task->m_taskId]);
                if (status == DataHelper::kTaskFinished)
                    done->m_endTime = int(lastItemTime);
                else if (status == DataHelper::kTaskCancelled)
                    done->m_endTime = int(lastItemTime) + 1;
                st.tasks[accountId][task->m_taskId] = done;
            }
        }
    }
}

} // namespace TC
