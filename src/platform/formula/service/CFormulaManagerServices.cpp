// Ranking lists, market hours, history download and the live-trading hook.
#include <algorithm>

#include <QRunnable>
#include <QTimer>

#include "platform/config/QLLog.h"
#include "platform/config/ThreadHandOff.h"
#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/formula/service/KelvDataSource.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"

namespace TC {

void CFormulaManager::getLongHuBangDataFromLocalSqlite(const QString& market, const QString& code,
                                                       LongHuBangCallback callback)
{
    startRankListWorker(kLongHuBangLocal, market, code, std::move(callback));
}

void CFormulaManager::requestLonghubangData(const QString& market, const QString& code,
                                            LongHuBangCallback callback)
{
    startRankListWorker(kLongHuBangNetwork, market, code, std::move(callback));
}

namespace {

// One ranking-list answer, worked out on a pool thread from what it was
// given by value: the store (which locks itself), the instrument and the
// callback. It touches nothing of the requester's.
class CRankListTask : public QRunnable
{
public:
    CRankListTask(CMarketStore* store, int type, const QString& market, const QString& code,
                  CFormulaManager::LongHuBangCallback callback)
        : m_store(store), m_type(type), m_key(market + code), m_market(market.toStdString()),
          m_code(code.toStdString()), m_callback(std::move(callback))
    {
    }
    void run() override
    {
        utils::handOffAcquire(this);
        CFormulaManager::RankListByDay byDay;
        const std::string key = m_key.toStdString();
        for (const CRankListRecord& r : m_store->rankList(m_key)) {
            auto info = std::make_shared<se::LongHuBangRankListInfo>();
            info->timeMs = r.time;
            info->key = key;
            info->reason = r.reason.toStdString();
            for (const CRankListRecord::Broker& b : r.buyers) {
                info->buyers.emplace_back(b.name.toStdString(), b.amount);
                info->turnover += b.amount;
            }
            for (const CRankListRecord::Broker& b : r.sellers) {
                info->sellers.emplace_back(b.name.toStdString(), b.amount);
                info->turnover += b.amount;
            }
            byDay[r.time].append(info);
        }
        QLLOG_INFO_S(qlog::kStdLogger, "ranking list of %1% (type %2%): %3% day(s)", m_key, m_type,
                     byDay.size());
        m_callback(m_market, m_code, byDay, m_type);
    }

private:
    CMarketStore* const m_store;
    const int m_type;
    const QString m_key;
    const std::string m_market;
    const std::string m_code;
    const CFormulaManager::LongHuBangCallback m_callback;
};

} // namespace

void CFormulaManager::startRankListWorker(int type, const QString& market, const QString& code,
                                          LongHuBangCallback callback)
{
    if (!callback)
        return;
    // Deliberately off the GUI thread, as the terminal's ranking-list service
    // answers: the requester marshals the records itself.
    auto* task = new CRankListTask(CFormulaEngine::store(), type, market, code, std::move(callback));
    utils::handOffRelease(task);
    m_workers.start(task);
}

void CFormulaManager::waitForWorkers()
{
    m_workers.waitForDone();
}

void CFormulaManager::requestMarketOpenCloseTime(QMap<QString, QVector<QPair<qint64, qint64>>>& map) const
{
    map.clear();
    CMarketStore* store = CFormulaEngine::store();
    const QDate today = store->today();
    for (const QString& market : store->markets()) {
        QVector<QPair<qint64, qint64>> pairs = kelv::getOpenCloseTime(market);
        if (today.isValid() && CLocalTimeConverter::dayTag(today) > store->lastTradingDay(market)) {
            for (const CTradingSession& s : store->sessions(market)) {
                pairs.append(qMakePair(CLocalTimeConverter::timeAt(today, s.startMinute) * 1000,
                                       CLocalTimeConverter::timeAt(today, s.endMinute) * 1000));
            }
        }
        map.insert(market, pairs);
    }
}

namespace {

bool dayBased(qint64 periodMs)
{
    return periodMs >= 86400000LL || periodMs == 10000LL;
}

// Bar times (ms) of `key` at the request's period: ticks, minute-based or
// day-based bars.
QVector<qint64> barTimesMs(CMarketStore* store, const QString& key, qint64 periodMs)
{
    QVector<qint64> out;
    if (periodMs <= 0) {
        for (const quoter::CTick& t : store->ticks(key))
            out.append(t.timeMs);
        return out;
    }
    const QVector<quoter::CBar> bars = dayBased(periodMs) ? store->dayBars(key) : store->minuteBars(key);
    out.reserve(bars.size());
    for (const quoter::CBar& b : bars)
        out.append(qint64(b.time) * 1000);
    return out;
}

} // namespace

void CFormulaManager::suppleDataFromServer(const QString& key, const CHistoryDataParam& historyParam,
                                           SuppleProgressCallback progress)
{
    if (!progress)
        return;
    CMarketStore* store = CFormulaEngine::store();
    QString error;
    QVector<SuppleChunk> chunks;
    if (key != QLatin1String(kSuppleDataKey))
        error = QStringLiteral("未知的补数据请求: %1").arg(key);
    else if (historyParam.markets.isEmpty() || historyParam.markets.size() != historyParam.codes.size())
        error = QStringLiteral("补数据请求没有合约");
    for (int i = 0; error.isEmpty() && i < historyParam.markets.size(); ++i) {
        const QString stock = historyParam.markets.at(i) + historyParam.codes.at(i);
        if (!store->hasInstrument(stock)) {
            error = QStringLiteral("无此合约: %1").arg(stock);
            break;
        }
        const QVector<qint64> times = barTimesMs(store, stock, historyParam.periodMs);
        if (times.isEmpty())
            continue;
        const qint64 from = historyParam.rangeStart.isMark() ? times.first() : historyParam.rangeStart.time;
        const qint64 to = historyParam.rangeEnd.isMark() ? times.last() : historyParam.rangeEnd.time;
        if (from > to)
            continue;
        // Day-based bars come a calendar year at a time, anything finer a day
        // at a time: the chunks a data server answers in.
        const bool years = dayBased(historyParam.periodMs);
        QDate day = CLocalTimeConverter::dateOf(from / 1000);
        const QDate last = CLocalTimeConverter::dateOf(to / 1000);
        while (day.isValid() && day <= last) {
            const QDate next = years ? QDate(day.year() + 1, 1, 1) : day.addDays(1);
            SuppleChunk c;
            c.stockKey = stock;
            c.fromMs = std::max(from, CLocalTimeConverter::dayTag(day) * 1000);
            c.toMs = std::min(to, CLocalTimeConverter::dayTag(next) * 1000 - 1);
            c.label = years ? QString::number(day.year()) : day.toString(QStringLiteral("yyyy/MM/dd"));
            // Days without bars (weekends, holidays) are no chunk of their own.
            const auto lo = std::lower_bound(times.begin(), times.end(), c.fromMs);
            const auto hi = std::upper_bound(lo, times.end(), c.toMs);
            c.bars = int(hi - lo);
            if (c.bars > 0)
                chunks.append(c);
            day = next;
        }
    }
    if (error.isEmpty() && chunks.isEmpty())
        error = QStringLiteral("所选范围内没有数据");
    if (!error.isEmpty()) {
        QLLOG_WARN(qlog::kStdLogger, "%1%", error);
        QTimer::singleShot(0, this, [progress, error, key] { progress(-1, 0, error, key); });
        return;
    }
    QLLOG_INFO(qlog::kStdLogger, "history download of %1%: %2% chunk(s)", historyParam.stockKey(), chunks.size());
    QTimer::singleShot(0, this, [this, key, chunks, progress] { runSuppleStep(key, chunks, 0, progress); });
}

void CFormulaManager::runSuppleStep(const QString& key, const QVector<SuppleChunk>& chunks, int step,
                                    SuppleProgressCallback progress)
{
    const SuppleChunk& c = chunks.at(step);
    const int done = step + 1;
    const int total = chunks.size();
    const QString text = done < total
                             ? QStringLiteral("正在补充数据 %1 %2: %3 条").arg(c.stockKey, c.label).arg(c.bars)
                             : QStringLiteral("补充数据完成");
    progress(done, total, text, key);
    if (done < total)
        QTimer::singleShot(0, this,
                           [this, key, chunks, done, progress] { runSuppleStep(key, chunks, done, progress); });
}

void CFormulaManager::sendTempHandleEvent(int eventId, int p1, int p2, const QString& text, QVariant& answer)
{
    answer = QVariant();
    QLLOG_INFO(qlog::kStdLogger, "temp handle event %1% (%2%, %3%, %4%): no live-trading handler", eventId,
               p1, p2, text);
}

} // namespace TC
