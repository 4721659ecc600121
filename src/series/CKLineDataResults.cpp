// The result side of a series: history, real time, id re-mapping and
// satellite data from the formula service, and ranking-list records.
#include <algorithm>
#include <cfloat>
#include <cmath>

#include <QCoreApplication>
#include <QDateTime>
#include <QThread>

#include "model/CKLineUiParam.h"
#include "platform/config/QLLog.h"
#include "platform/config/ThreadHandOff.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/market/CStockManager.h"
#include "platform/market/InstrumentAccess.h"
#include "series/CFormulaBaseAxis.h"
#include "series/CGroupResultManager.h"
#include "platform/config/TimeText.h"
#include "platform/indexui/CSubScriptLogInfo.h"
#include "series/CKLineData.h"

namespace TC {

namespace {

bool isStockMarket(const QString& m)
{
    return m == QLatin1String("SH") || m == QLatin1String("SZ") || m == QLatin1String("SSE") ||
           m == QLatin1String("SZSE");
}

qint64 tagOf(const se::RPCTimeItem& t)
{
    return t.timeMs / 1000;
}

} // namespace

void CKLineData::formulaHistoryCallback(const MetaPtr& meta, const ResultPtr& result, QString reqId,
                                        int dataType, QString, bool quiet, bool flag)
{
    if (!m_pUiParam)
        return;
    if (m_paneRole == 0) {
        const int bars = result ? result->barCount() : 0;
        QLLOG_INFO(qlog::kStdLogger,
                   "mainID:%1%, reqid = %2%, dataType = %3%, basic data size = %4%, data range:%5% - %6%",
                   m_pUiParam->getMainPanelID(), reqId, dataType, result ? result->basicData.size() : 0,
                   utils::millisecondsToTime(bars ? result->times.front().timeMs : 0),
                   utils::millisecondsToTime(bars ? result->times.back().timeMs : 0));
    }
    CFormulaKey key;
    if (!m_req.getKey(key, reqId)) {
        QLLOG_INFO(qlog::kFormulaLogger, "KLINE formula history callback, req id not found, return.");
        unrequestId(reqId);
        return;
    }
    if (!meta || !result)
        return;
    ResultPtr received = result;
    // processHistory works on copies, so a tick series passes on as it came;
    // one of an instrument the service no longer knows is shown empty.
    if (m_pUiParam->tickGraph && !CStockManager::getInstrumentDetail(key.stock)) {
        auto empty = std::make_shared<se::RPCFormulaResult>(*result);
        empty->times.clear();
        for (auto& v : empty->values)
            v.clear();
        for (auto& v : empty->texts)
            v.clear();
        for (auto& v : empty->barColors)
            v.clear();
        for (auto& v : empty->numbers)
            v.clear();
        empty->barFlags.clear();
        empty->basicData.clear();
        received = empty;
    }
    processHistory(meta, received, reqId, dataType, key, isMainGraph(key.formula), quiet, flag);
}

void CKLineData::processHistory(const MetaPtr& meta, const ResultPtr& result, const QString& reqId, int,
                                const CFormulaKey& key, bool isMain, bool quiet, bool flag)
{
    if (!meta || !result || !m_pUiParam)
        return;
    CKLineUiParam& ui = *m_pUiParam;
    std::shared_ptr<const se::RPCFormulaMetaResult> keptMeta;
    std::shared_ptr<const se::RPCFormulaResult> kept;
    {
        se::RPCFormulaMetaResult m = *meta;
        se::RPCFormulaResult r = *result;

        if (!ui.addStockList.isEmpty() && ui.isSuperPosStock(key.stock) && m_paneRole == 0) {
            const unsigned colour =
                ui.superposeColorMap.value(key.stock, se::RPCFormulaMetaResult::kDefaultColor);
            if (m.colors.empty())
                m.colors.push_back(colour);
            else
                m.colors[0] = colour;
            if (m.outputInts.empty())
                m.outputInts.push_back(1);
            else
                m.outputInts[0] = 1;
        }
        if (key.formula.contains(QLatin1String("TICKDATA")) && m.outputInts.size() > 1 &&
            r.outputInts.size() > 1) {
            m.outputInts[1] = 0;
            r.outputInts[1] = 0;
        }
        // The working copies move into the cache: a long history is not held
        // twice. What follows reads the cached records (a later write to the
        // cache detaches from them).
        RPCFormulaResultCache cache(std::move(m), std::move(r));
        keptMeta = cache.meta;
        kept = cache.result;
        m_data.insert(key, std::move(cache));
    }
    const se::RPCFormulaMetaResult& m = *keptMeta;
    const se::RPCFormulaResult& r = *kept;
    updateStrategyBacktestData({reqId});

    int k = -1;
    bool listRebuilt = false;
    const QString base = baseKey();
    const bool isBase = key.stock == base;
    if (m_paneRole == 1 || !isMain) {
        if (!quiet)
            deliverEvent(180, 0, 0, QString(), nullptr);
    } else {
        if (!isBase)
            m_nonBaseData.insert(key, m_data.value(key));
        for (const auto& s : ui.addStockList)
            reindexSuperposed(CFormulaKey(getDetailQsKey(s), key.formula));

        if (isBase) {
            ++m_lockRestoreCount;
            if (!(m_lockRestoreCount < 2 && ui.lockCursor)) {
                m_lockRestoreCount = 0;
                const int bars = r.barCount();
                if (ui.lockedTimeTag != -1) {
                    auto it =
                        std::lower_bound(r.times.begin(), r.times.end(), qint64(ui.lockedTimeTag),
                                         [](const se::RPCTimeItem& t, qint64 v) { return tagOf(t) < v; });
                    if (it != r.times.end() && tagOf(*it) == ui.lockedTimeTag)
                        k = int(it - r.times.begin());
                }
                if (k == -1)
                    k = bars - 1;
                if (k != -1) {
                    ui.lockedIndex = k;
                    ui.crossIndex = k;
                } else if (ui.curStock && ui.curStock->auxStatus != 0) {
                    ui.lockedIndex = ui.getLastIndex();
                    ui.crossIndex = ui.getLastIndex();
                }
            }

            ui.m_tradeDateList.clear();
            ui.m_tradeDateList.reserve(r.barCount());
            for (const se::RPCTimeItem& t : r.times)
                ui.m_tradeDateList.append(tagOf(t));
            listRebuilt = true;
            const qint64 day = ui.getTradeDateFunc
                                   ? qint64(ui.getTradeDateFunc())
                                   : qint64(CStockManager::getLastTradingDay(ui.getCurrMarket()));
            const RPCFormulaResultCache& cache = m_data[key];
            const bool hasClose = !m.nameGroups.empty() && m.nameGroups.front().size() >= 4;
            for (int i = 0; i < r.barCount(); ++i) {
                if (tagOf(r.times[size_t(i)]) != day || !hasClose)
                    continue;
                const double close = cache.value(0, i == 0 ? 0 : i - 1, 3);
                if (close < DBL_MAX)
                    deliverEvent(3073, 0, int(day), QString::number(close, 'g', 6), nullptr);
            }
            if (ui.getCurrMarket() == QLatin1String("OF") && r.barCount() > 0) {
                const double last = cache.value(0, r.barCount() - 1, 0);
                if (last < DBL_MAX)
                    deliverEvent(3074, 0, int(day), QString::number(last, 'g', 6), nullptr);
            }
            if (k != -1 && ui.lockedTimeTag != -1)
                deliverEvent(3087, 0, k, QString(), nullptr);
        }
    }

    const bool groupModel = hasGroupModelIndex();
    const bool python = hasPythonIndex();
    const bool vbaRun =
        !m_formulas.isEmpty() && CFormulaOperateManager::isVbaIndex(m_formulas.front()) && m_modelRun;
    if (groupModel || python || vbaRun) {
        updateGroupResult(reqId);
        int done = 0;
        int total = 0;
        CFormulaManager::instance()->getGroupRunProgress(done, total, reqId);
        if (done == total)
            deliverEvent(3085, 0, 0, QString(), nullptr);
    }
    if (m_paneRole == 1)
        deliverEvent(3089, 0, 0, QString(), nullptr);
    if (!groupModel && !python)
        deliverEvent(3086, 0, 0, QString(), nullptr);
    if (listRebuilt)
        deliverEvent(196, 0, flag ? 1 : 0, QString(), nullptr);
    if (k != -1 && ui.lockedTimeTag != -1)
        deliverEvent(180, 0, 0, QString(), nullptr);
    deliverEvent(3205, m_paneRole, m_paneNo, QString(), nullptr);
}

void CKLineData::reindexSuperposed(const CFormulaKey& superKey)
{
    if (!m_req.findKey(superKey) || !m_data.contains(superKey) || !m_nonBaseData.contains(superKey))
        return;
    const QString base = baseKey();
    // The main series: the base instrument's result of the same formula,
    // else any main-graph result of the base instrument.
    const RPCFormulaResultCache* mainEntry = nullptr;
    auto exact = m_data.constFind(CFormulaKey(base, superKey.formula));
    if (exact != m_data.constEnd()) {
        mainEntry = &exact.value();
    } else {
        for (auto it = m_data.constBegin(); it != m_data.constEnd(); ++it)
            if (it.key().stock.startsWith(base) && isMainGraph(it.key().formula)) {
                mainEntry = &it.value();
                break;
            }
    }
    const RPCFormulaResultCache& received = m_nonBaseData[superKey];
    if (!mainEntry || !mainEntry->isValid() || !received.isValid())
        return;
    const se::RPCFormulaResult& main = *mainEntry->result;
    const se::RPCFormulaResult& sup = *received.result;
    if (sup.times.empty())
        return;
    std::vector<qint64> tags;
    tags.reserve(sup.times.size());
    for (const se::RPCTimeItem& t : sup.times)
        tags.push_back(tagOf(t));

    se::RPCFormulaResult out;
    out.formulaName = main.formulaName;
    out.stockKey = main.stockKey;
    out.requestId = main.requestId;
    out.periodMs = main.periodMs;
    out.drType = main.drType;
    out.times = main.times;
    out.columnMap = sup.columnMap;
    out.outputInts = sup.outputInts;
    const size_t n = main.times.size();
    out.values.assign(sup.values.size(), std::vector<double>(n, 0.0));
    out.barFlags.assign(n, 0);
    for (size_t i = 0; i < n; ++i) {
        const qint64 t = tagOf(main.times[i]);
        auto it = std::lower_bound(tags.begin(), tags.end(), t);
        if (it == tags.end() || *it != t)
            continue;
        const size_t j = size_t(it - tags.begin());
        for (size_t v = 0; v < sup.values.size(); ++v)
            out.values[v][i] = j < sup.values[v].size() ? sup.values[v][j] : 0.0;
        out.barFlags[i] = 1;
    }
    m_data.insert(superKey, RPCFormulaResultCache(*m_data[superKey].meta, out));
}

void CKLineData::formulaRealtimeCallback(int dataType, QString reqId, const InstantPtr& instant)
{
    CFormulaKey key;
    if (!m_req.getKey(key, reqId)) {
        unrequestId(reqId);
        return;
    }
    auto found = m_data.find(key);
    if (found == m_data.end() || !found->isValid()) {
        QLLOG_INFO(qlog::kStdLogger, "kline call back exception!");
        return;
    }
    if (!instant || !m_pUiParam)
        return;
    CKLineUiParam& ui = *m_pUiParam;
    RPCFormulaResultCache& cache = found.value();
    const se::RPCFormulaResult& r = *cache.result;

    if (r.times.empty() && ui.tickGraph && m_paneRole == 0) {
        bool usual = false;
        if (instant->values.size() > 4) {
            if (!ui.curStock)
                return;
            const QString market = getDetailQsMarket(ui.curStock);
            const int status = int(instant->values[4]);
            usual = isStockMarket(market) &&
                    qlservice::StockTypeCenter::isTypedStock(market, getDetailQsCode(ui.curStock), 100012) &&
                    (status == 12 || status == 18 || status == 19);
        }
        if (!usual && dataType == CFormulaManager::kRealtimeAppend) {
            const std::vector<double>* second = r.values.size() > 1 ? &r.values[1] : nullptr;
            const bool changed = r.values.size() < 2 || instant->values.size() < 2 || !second ||
                                 second->empty() || std::fabs(second->back() - instant->values[1]) > 0.00001;
            if (!changed)
                return;
        }
    }
    if (!r.times.empty() && r.times.back().timeMs > instant->time.timeMs)
        return;
    // A bar chart holds one bar per time: an append of the bar it already has
    // is a repeated message, no newer than the covers that followed it (tick
    // lines may have several ticks in one millisecond).
    if (dataType == CFormulaManager::kRealtimeAppend && !ui.tickGraph && !r.times.empty() &&
        r.times.back().timeMs == instant->time.timeMs)
        return;

    const bool mainSeries = m_paneRole == 0 && isMainGraph(key.formula) && !ui.isSuperPosStock(key.stock);
    const qint64 tag = tagOf(instant->time);
    if (dataType == CFormulaManager::kRealtimeAppend) {
        cache.appendBar(*instant);
        if (mainSeries) {
            if (ui.m_tradeDateList.isEmpty() || ui.m_tradeDateList.last() < tag)
                ui.m_tradeDateList.append(tag);
            fillSuperposedPlaceholders(instant->time);
            deliverEvent(197, 0, 0, QString(), nullptr);
            deliverEvent(3266, 0, 0, QString(), nullptr);
            return;
        }
    } else if (dataType == CFormulaManager::kRealtimeCover) {
        if (r.times.empty())
            return;
        cache.coverLastBar(*instant);
        if (mainSeries) {
            if (!ui.m_tradeDateList.isEmpty()) {
                ui.m_tradeDateList.last() = tag;
            } else {
                ui.m_tradeDateList.append(tag);
                QLLOG_WARN(qlog::kStdLogger,
                           "m_pUiParam->m_tradeDateList is empty, data type is cover. time:%1%", tag);
            }
        }
    }
    m_realtimeRepaint = true;
    deliverEvent(180, 0, 0, QString(), nullptr);
    m_realtimeRepaint = false;
}

void CKLineData::fillSuperposedPlaceholders(const se::RPCTimeItem& time)
{
    QMap<QString, QVector<QPair<qint64, qint64>>> sessions;
    bool asked = false;
    for (auto it = m_data.begin(); it != m_data.end(); ++it) {
        if (!m_pUiParam->isSuperPosStock(it.key().stock) || !it->isValid())
            continue;
        // Another main-graph series of this chart may have added the bar already.
        if (!it->result->times.empty() && it->result->times.back().timeMs >= time.timeMs)
            continue;
        if (!asked) {
            CFormulaManager::instance()->requestMarketOpenCloseTime(sessions);
            asked = true;
        }
        const QString market = getDetailQsMarket(m_pUiParam->getStockDetail(it.key().stock));
        bool trading = false;
        for (const auto& s : sessions.value(market))
            if (s.first <= time.timeMs && time.timeMs <= s.second) {
                trading = true;
                break;
            }
        if (!trading)
            it->appendPlaceholder(time);
    }
}

void CKLineData::formulaResponseBack(const QVector<QString>& reqIds, const QVector<CFormulaParam>& params)
{
    const int n = std::min(reqIds.size(), params.size());
    for (int i = 0; i < n; ++i) {
        const CFormulaParam& p = params[i];
        const QString stock =
            p.market == QLatin1String("CD")
                ? p.code
                : QString::fromStdString(utils::nvStockKey(p.market.toStdString(), p.code.toStdString()));
        QString name = p.formula;
        const int slash = std::max(name.lastIndexOf(QLatin1Char('\\')), name.lastIndexOf(QLatin1Char('/')));
        if (slash >= 0)
            name = name.mid(slash + 1);
        if (name.contains(QLatin1String(".py")))
            name.chop(3);
        const auto detail = CFormulaOperateManager::getFormulaByRealName(name);
        if (!detail)
            continue;
        const CFormulaKey key(stock, detail->getName());
        QString oldId;
        if (!m_req.getReq(oldId, key)) {
            unrequestId(reqIds[i]);
            continue;
        }
        QLLOG_INFO(qlog::kStdLogger, "KLINE formulaResponseBack, remove id %1%.", oldId);
        m_req.removeKey(key);
        QLLOG_INFO(qlog::kStdLogger, "KLINE formulaResponseBack, add id %1%.", reqIds[i]);
        m_req.add(key, reqIds[i]);
        subscribeScriptLog(key.formula, reqIds[i]);
    }
}

void CKLineData::satelliteFormulaDataCallback(const MetaPtr& meta, const ResultPtr& result,
                                              const QString& reqId, const QString& formulaName, int dataType)
{
    if (!meta || !result || !m_pUiParam)
        return;
    QLLOG_INFO(qlog::kFormulaLogger,
               "KLINE satelliteFormulaDataCallback, req id = %1%, meta size = %2%, basic data size = %3%.",
               reqId, meta->names.size(), result->basicData.size());
    const CFormulaKey key(QString::fromStdString(utils::nvStockKey(m_pUiParam->getCurrMarket().toStdString(),
                                                                   m_pUiParam->getCurrCode().toStdString())),
                          formulaName);
    const ResultPtr aligned = alignSatellite(key, *result);
    processHistory(meta, aligned, reqId, dataType, key, true, false, true);
}

CKLineData::ResultPtr CKLineData::alignSatellite(const CFormulaKey& key,
                                                 const se::RPCFormulaResult& received) const
{
    const qint64 period = m_pUiParam->tickGraph ? 0 : m_pUiParam->period;
    // Bucket of a time tag (seconds); two bars of one bucket share a chart bar.
    auto bucketOf = [period](qint64 tag) -> qint64 {
        if (period == 10)
            return tag / 259200;
        if (period == 11)
            return tag / 10800;
        if (period == 13)
            return tag / 180;
        if (period == 0)
            return tag / 3;
        return tag / period;
    };

    // Stored bars before the first new one, then the new ones.
    std::vector<size_t> order;
    std::vector<const se::RPCFormulaResult*> from;
    auto stored = m_data.constFind(key);
    const se::RPCFormulaResult* old =
        stored != m_data.constEnd() && stored->isValid() ? stored->result.get() : nullptr;
    const qint64 firstNew = received.times.empty() ? LLONG_MAX : received.times.front().timeMs;
    if (old)
        for (size_t i = 0; i < old->times.size() && old->times[i].timeMs < firstNew; ++i) {
            order.push_back(i);
            from.push_back(old);
        }
    for (size_t i = 0; i < received.times.size(); ++i) {
        order.push_back(i);
        from.push_back(&received);
    }

    QVector<qint64> axis;
    if (period == 86400)
        CStockManager::getTradeDateList(m_pUiParam->getCurrMarket(), axis);
    else
        axis = m_pUiParam->m_tradeDateList;

    auto out = std::make_shared<se::RPCFormulaResult>();
    out->formulaName = received.formulaName;
    out->stockKey = received.stockKey;
    out->requestId = received.requestId;
    out->periodMs = received.periodMs;
    out->drType = received.drType;
    out->columnMap = received.columnMap;
    out->outputInts = received.outputInts;
    out->basicData = received.basicData;
    const size_t vectors = received.values.size();
    out->values.assign(vectors, {});
    if (axis.isEmpty())
        return out;

    const qint64 bucketSecs =
        period == 0 ? 3 : (period == 10 ? 259200 : (period == 11 ? 10800 : (period == 13 ? 180 : period)));
    QMap<qint64, int> barOfBucket;
    for (int i = 0; i < axis.size(); ++i)
        barOfBucket.insert(bucketOf(axis[i]), i);
    const bool subPane = m_paneRole == 1;
    const QVector<qint64>& list = m_pUiParam->m_tradeDateList;

    out->times.resize(size_t(axis.size()));
    for (int i = 0; i < axis.size(); ++i)
        out->times[size_t(i)].timeMs = axis[i] * 1000;
    for (auto& v : out->values)
        v.assign(size_t(axis.size()), DBL_MAX);
    out->barFlags.assign(size_t(axis.size()), 0);
    for (size_t n = 0; n < order.size(); ++n) {
        const se::RPCFormulaResult& src = *from[n];
        const size_t j = order[n];
        const qint64 tag = tagOf(src.times[j]);
        if (subPane && (list.isEmpty() || tag < list.first() || tag >= list.last() + bucketSecs))
            continue;
        auto hit = barOfBucket.constFind(bucketOf(tag));
        if (hit == barOfBucket.constEnd())
            continue;
        // Later bars of a bucket overwrite earlier ones: the latest wins.
        const size_t i = size_t(hit.value());
        for (size_t v = 0; v < vectors && v < src.values.size(); ++v)
            if (j < src.values[v].size())
                out->values[v][i] = src.values[v][j];
        out->barFlags[i] = 1;
    }
    return out;
}

// The queued call of one ranking-list answer. Qt copies it into its event
// from the posting thread; the hand-off is told to ThreadSanitizer on the
// final copy's address, which the GUI thread has without reading it.
struct CKLineData::CRankListAnswer {
    boost::weak_ptr<CKLineData> weak;
    quint64 serial;
    std::string market;
    std::string code;
    RankListByDay records;
    int requestType;

    CRankListAnswer(boost::weak_ptr<CKLineData> w, quint64 s, std::string m, std::string c, RankListByDay r,
                    int t)
        : weak(std::move(w)), serial(s), market(std::move(m)), code(std::move(c)), records(std::move(r)),
          requestType(t)
    {
    }
    CRankListAnswer(CRankListAnswer&& o) noexcept
        : weak(std::move(o.weak)), serial(o.serial), market(std::move(o.market)), code(std::move(o.code)),
          records(std::move(o.records)), requestType(o.requestType)
    {
        utils::handOffRelease(this);
    }
    CRankListAnswer(const CRankListAnswer&) = delete;
    CRankListAnswer& operator=(const CRankListAnswer&) = delete;
    CRankListAnswer& operator=(CRankListAnswer&&) = delete;
    ~CRankListAnswer() { utils::handOffAcquire(this); }

    void operator()()
    {
        utils::handOffAcquire(this);
        const boost::shared_ptr<CKLineData> self = weak.lock();
        // Closed meanwhile, or the answer of an earlier request.
        if (!self || (serial != 0 && serial != self->m_lhbSerial))
            return;
        self->LonghubangCallback(market, code, records, requestType);
    }
};

void CKLineData::postRankList(boost::weak_ptr<CKLineData> weak, quint64 serial, const std::string& market,
                              const std::string& code, const RankListByDay& records, int requestType)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    QMetaObject::invokeMethod(app,
                              CRankListAnswer(std::move(weak), serial, market, code, records, requestType),
                              Qt::QueuedConnection);
}

void CKLineData::LonghubangCallback(const std::string& market, const std::string& code,
                                    const RankListByDay& records, int requestType)
{
    if (QThread::currentThread() != thread()) {
        // The view model belongs to the GUI thread: compare keys there.
        postRankList(weak_from_this(), 0, market, code, records, requestType);
        return;
    }
    bool stored = false;
    {
        boost::unique_lock<boost::shared_mutex> lock(m_lhbLock);
        const QString key = QString::fromLocal8Bit(market.c_str()) + QString::fromLocal8Bit(code.c_str());
        const qint64 lastDay = records.isEmpty() ? 0 : records.lastKey();
        QLLOG_INFO(qlog::kStdLogger,
                   "LonghubangCallback, marketCode = %1%, data size = %2%, data last date = %3% .", key,
                   records.size(),
                   lastDay ? utils::millisecondsToDate(lastDay) : QStringLiteral("0"));
        if (m_pUiParam && m_pUiParam->getCurrKey() != key)
            return;
        if (requestType == 0 && m_lhbState) {
            m_lhbState = 0;
            return;
        }
        if (requestType == 1)
            m_lhbState = 1;
        m_lhbKey = key;
        for (auto it = records.constBegin(); it != records.constEnd(); ++it)
            m_lhbRecords[it.key()] += it.value();
        stored = true;
    }
    if (stored)
        emit sigUpdateLonghubangData();
}

} // namespace TC
