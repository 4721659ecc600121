// The request side of a series: building request records, sending and
// cancelling them.
#include <algorithm>

#include <boost/bind/bind.hpp>

#include <QDateTime>
#include <QSet>

#include "model/CKLineUiParam.h"
#include "platform/config/CAppConfig.h"
#include "platform/config/CUserConfig.h"
#include "platform/config/QLLog.h"
#include "platform/formula/IdGenerator.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/formula/service/CMergeRequestManager.h"
#include "platform/formula/service/CReplayManager.h"
#include "platform/formula/service/CWindDataManager.h"
#include "platform/market/CStockManager.h"
#include "platform/market/InstrumentAccess.h"
#include "series/CCustomFormulaBaseAxis.h"
#include "series/CFormulaBaseAxis.h"
#include "series/CGroupResultManager.h"
#include "platform/config/TimeText.h"
#include "platform/indexui/CSubScriptLogInfo.h"
#include "platform/indexui/CModifyModelParamDialog.h"
#include "series/CKLineData.h"

using namespace boost::placeholders;

namespace TC {

namespace {

const char* const kPriceLine = "价位线";

bool isFuturesMarket(const QString& m)
{
    static const QSet<QString> markets{"DF", "DCE", "ZF", "CZCE", "SF", "SHFE", "IF", "CFFEX", "INE"};
    return markets.contains(m);
}

} // namespace

QString CKLineData::baseKey() const
{
    return m_pUiParam && m_pUiParam->formulaBase ? m_pUiParam->formulaBase->getStock() : QString();
}

void CKLineData::request(int mode, bool flag)
{
    if (!m_pUiParam)
        return;
    if (!m_tradeModels.isEmpty()) {
        const QString base = baseKey();
        QVector<CFormulaKey> keys;
        for (const QString& f : m_tradeModels) {
            keys << CFormulaKey(base, f);
            if (m_paneRole == 0 && isMainGraph(f) && !m_pUiParam->tickGraph)
                for (const auto& s : m_pUiParam->addStockList)
                    keys << CFormulaKey(getDetailQsKey(s), f);
        }
        QVector<CFormulaParam> records;
        buildRecords(keys, records, mode, QStringLiteral("tradeModel"));
        if (!records.isEmpty())
            (void)sendRecords(records, true, flag);
        return;
    }

    QVector<CFormulaParam> records;
    collectParams(records, mode);
    if (records.isEmpty())
        return;
    if (m_paneRole == 0) {
        for (const CFormulaParam& r : records) {
            const QString text = QStringLiteral("%1%2,period:%3,dataDemand:%4,level:%5")
                                     .arg(r.market, r.code)
                                     .arg(r.periodMs)
                                     .arg(r.dataDemand)
                                     .arg(r.level);
            QLLOG_INFO(qlog::kStdLogger, "mainID:%1%, requstID:%2%, range:%3% - %4%, key:%5%",
                       m_pUiParam->getMainPanelID(), r.requestId, utils::millisecondsToTime(r.rangeStart.time),
                       utils::millisecondsToTime(r.rangeEnd.time), text);
        }
    }
    if (!sendRecords(records, isMergedSubPane(), flag))
        return;

    const bool modelStart = (hasGroupModelIndex() && m_pUiParam->isShowGroupIndexGraph()) || hasPythonIndex();
    deliverEvent(modelStart && !isMergedSubPane() ? 3084 : 3086, 0, 0, QString(), nullptr);

    if (m_paneRole == 0)
        requestRankList();
}

void CKLineData::requestRankList()
{
    if (!m_pUiParam)
        return;
    const QString market = m_pUiParam->getCurrMarket();
    const QString code = m_pUiParam->getCurrCode();
    if (qlservice::StockTypeCenter::isTypedStock(market, code, kStockTypeRankList)) {
        {
            boost::unique_lock<boost::shared_mutex> lock(m_lhbLock);
            m_lhbState = 0;
            // A new instrument starts afresh: its days never gain the
            // previous instrument's records.
            if (m_lhbKey != market + code) {
                m_lhbKey.clear();
                m_lhbRecords.clear();
            }
        }
        // Runs on the service's worker: it touches no chart object and never
        // owns the series, whose last reference must go on the GUI thread.
        CFormulaManager::LongHuBangCallback cb = [weak = weak_from_this(), serial = ++m_lhbSerial](
                                                     const std::string& m, const std::string& c,
                                                     const CFormulaManager::RankListByDay& data, int type) {
            postRankList(weak, serial, m, c, data, type);
        };
        CFormulaManager::instance()->getLongHuBangDataFromLocalSqlite(market, code, cb);
        CFormulaManager::instance()->requestLonghubangData(market, code, cb);
    } else {
        boost::unique_lock<boost::shared_mutex> lock(m_lhbLock);
        m_lhbKey.clear();
        m_lhbRecords.clear();
    }
}

bool CKLineData::sendRecords(const QVector<CFormulaParam>& records, bool viaMerge, bool flag)
{
    const boost::shared_ptr<CKLineData> self = weak_from_this().lock();
    if (!self) {
        QLLOG_ERROR(qlog::kStdLogger, "series is not owned by a shared pointer, %1% records not sent",
                    records.size());
        for (const CFormulaParam& r : records)
            m_req.removeReq(r.requestId);
        return false;
    }
    CFormulaManager::HistoryCallback history =
        boost::bind(&CKLineData::formulaHistoryCallback, self, _1, _2, _3, _4, _5, _6, flag);
    CFormulaManager::RealtimeCallback realtime =
        boost::bind(&CKLineData::formulaRealtimeCallback, self, _1, _2, _3);
    CFormulaManager::ResponseBackCallback responseBack =
        boost::bind(&CKLineData::formulaResponseBack, self, _1, _2);
    if (viaMerge)
        CMergeRequestManager::instance()->requestFormulas(m_pUiParam->mergeKey, records, history, realtime,
                                                          responseBack);
    else
        CFormulaManager::instance()->requestFormulas(records, history, realtime, responseBack);
    return true;
}

void CKLineData::requestReplay(int mode)
{
    if (!m_pUiParam)
        return;
    QVector<CFormulaParam> records;
    collectParams(records, mode);
    if (records.isEmpty())
        return;
    const boost::shared_ptr<CKLineData> self = weak_from_this().lock();
    if (!self) {
        for (const CFormulaParam& r : records)
            m_req.removeReq(r.requestId);
        return;
    }
    CReplayManager::instance()->requestFormulas(
        m_pUiParam->getCurrKey(), records,
        boost::bind(&CKLineData::formulaHistoryCallback, self, _1, _2, _3, _4, _5, _6, true),
        boost::bind(&CKLineData::formulaRealtimeCallback, self, _1, _2, _3));
    const bool modelStart = (hasGroupModelIndex() && m_pUiParam->isShowGroupIndexGraph()) || hasPythonIndex();
    deliverEvent(modelStart && !isMergedSubPane() ? 3084 : 3086, 0, 0, QString(), nullptr);
}

void CKLineData::collectParams(QVector<CFormulaParam>& records, int mode)
{
    const QString base = baseKey();
    if (m_paneRole == 0 && m_pUiParam->getCurrKey() != m_dividKey)
        loadDividData();
    QSet<CFormulaKey> wanted;
    QVector<CFormulaKey> order; // the set decides membership; order only keeps sends stable
    auto want = [&](const CFormulaKey& k) {
        if (!wanted.contains(k)) {
            wanted.insert(k);
            order << k;
        }
    };
    for (const QString& f : m_formulas) {
        const bool mainGraph = isMainGraph(f);
        want(CFormulaKey(base, f));
        if (base.startsWith(QLatin1String("ED")) && mainGraph)
            want(CFormulaKey(base, QString::fromUtf8(kPriceLine)));
        if (m_paneRole == 0 && mainGraph && !m_pUiParam->tickGraph) {
            for (const auto& s : m_pUiParam->addStockList) {
                const QString sk = getDetailQsKey(s);
                want(CFormulaKey(sk, sk.startsWith(QLatin1String("ED")) ? QString::fromUtf8(kPriceLine) : f));
            }
        }
    }

    QVector<QString> dropped;
    for (int i = m_req.count() - 1; i >= 0; --i) {
        const IndexBaseDataReq::Item item = m_req[i];
        if (!wanted.contains(item.key) && !m_tradeModels.contains(item.key.formula)) {
            dropped.prepend(item.reqId);
            m_req.removeAt(i);
        }
    }
    unrequestIds(dropped);

    buildRecords(order, records, mode, QString());
}

void CKLineData::buildRecords(const QVector<CFormulaKey>& keys, QVector<CFormulaParam>& records, int mode,
                              const QString& /*builder*/)
{
    for (const CFormulaKey& key : keys) {
        if (m_req.findKey(key))
            continue;
        const auto detail = CFormulaOperateManager::getFormula(key.formula);
        if (!detail)
            continue;
        CFormulaParam param;
        if (!fillParam(param, key.stock, key.formula, mode))
            continue;
        m_modelRun = 0;
        if (mode == 1) {
            param.runHandle = detail->getRunHandle();
            m_modelRun = 1;
        }
        param.requestId = se::IdGenerator::genId(m_pUiParam->getMainPanelID(), key.formula, key.stock);
        if (!m_pUiParam->formulaAccount.isEmpty())
            param.params.insert(QStringLiteral("__sys__account"), m_pUiParam->formulaAccount);
        if (!m_req.add(key, param.requestId))
            continue;
        subscribeScriptLog(key.formula, param.requestId);
        records.append(param);
    }
}

bool CKLineData::fillParam(CFormulaParam& param, const QString& stockKey, const QString& formula, int)
{
    const auto detail = CFormulaOperateManager::getFormula(formula);
    if (!detail || !m_pUiParam)
        return false;
    const auto catalog = CWindDataManager::getCatalogByFormula(formula);
    CKLineUiParam& ui = *m_pUiParam;

    param.baseKind = ui.indexType;
    param.applyArg = ui.applyIndexArg;
    const boost::shared_ptr<CKLineData> self = weak_from_this().lock();
    if (ui.isSuperPosStock(stockKey) || ui.isSuperPosCustomIndex(stockKey)) {
        if (ui.isSuperPosCustomIndex(stockKey)) {
            param.baseKind = 1;
            CCustomFormulaBaseAxis(this, m_pUiParam).fillParam(param, stockKey, self);
        } else {
            const auto d = ui.getStockDetail(stockKey);
            param.market = getDetailQsMarket(d);
            param.code = getDetailQsCode(d);
        }
    } else if (ui.formulaBase) {
        ui.formulaBase->fillParam(param, stockKey, self);
    }

    param.requestKind = 0;
    param.drType = ui.drType;
    param.dataDemand = ui.mergeKey.isEmpty() ? 3 : 4;

    param.language = detail->getLanguage();
    param.timing = detail->getTiming();
    if (detail->getLanguage() == 1) {
        param.formula = getPythonDir() + QStringLiteral("\\%1.py").arg(detail->getName().toUpper());
    } else {
        param.formula = detail->getName();
        if (detail->getLanguage() == 0) {
            CFormulaOperateManager::genLuaFormula(detail);
            if (m_paneRole == 1)
                if (const CUserConfig* cfg = getUserConfig())
                    param.timing = cfg->formulaTimingSeconds() * 1000;
        }
    }

    param.periodMs = ui.period * 1000;
    param.rangeStart = quoter::TimeSeq::TIME_START2;
    param.rangeEnd = quoter::TimeSeq::TIME_LASTED;
    if (!ui.tickGraph) {
        if (param.market == QLatin1String("ED")) {
            param.rangeStart = quoter::TimeSeq{-1, 0};
            param.rangeEnd = quoter::TimeSeq{-1, 0};
        }
    } else {
        if (!ui.curStock && ui.indexType != 1)
            return false;
        const CUserConfig* cfg = getUserConfig();
        const bool useRange = ui.getTickRangeFunc && (CAppConfig::isClientType(3) || ui.klineModel == 1 ||
                                                      (cfg && !cfg->rangeOverride()));
        if (useRange) {
            const std::pair<qint64, qint64> range = ui.getTickRangeFunc(ui.curStock);
            param.rangeStart = quoter::TimeSeq{range.first, 0};
            param.rangeEnd = quoter::TimeSeq{range.second, 0};
            if (isFuturesMarket(param.market))
                param.rangeStart.time -= 300000;
            if (range.second / 1000 < ui.lastTradingDay)
                param.dataDemand = 1;
            else if (param.dataDemand == 3)
                param.dataDemand = 6;
        } else if (param.dataDemand == 3) {
            param.dataDemand = 6;
        }
    }

    param.countLimit = 0x7fffffff;
    if (detail->getCountLimit() > 0 && !isMainGraph(formula))
        param.countLimit = detail->getCountLimit();
    if (m_viewType == 3)
        if (const CUserConfig* cfg = getUserConfig())
            if (cfg->historyCountLimit() > 0)
                param.countLimit = std::min(param.countLimit, cfg->historyCountLimit());

    // The pane's parameter text of the formula ("12,26,9"): entries that are
    // missing or no number take the default, the rest is kept in range.
    const QVector<CFormulaParamDef>& defs = detail->getParams();
    const QVector<double> values =
        CModifyModelParamDialog::parseParamText(m_paramTexts.value(formula.trimmed().toUpper()), defs);
    for (int i = 0; i < defs.size(); ++i)
        param.params.insert(defs[i].name, QString::number(i < values.size() ? values[i] : defs[i].defaultValue));
    if (catalog) {
        param.params.insert(QStringLiteral("start"), catalog->start);
        param.params.insert(QStringLiteral("end"), catalog->end);
        param.params.insert(QStringLiteral("field"), catalog->field);
        param.params.insert(QStringLiteral("name"), catalog->name);
        param.params.insert(QStringLiteral("unit"), catalog->unit);
    }

    const qint64 p = ui.period;
    if (p == 10 || p == 11 || p == 13) {
        int n = 0;
        deliverEvent(221, int(p), 0, QString(), &n);
        n = std::max(n, 1);
        const qint64 unit = p == 10 ? 86400000 : (p == 11 ? 3600000 : 60000);
        param.periodMs = n * unit;
    }
    if (ui.tickGraph) {
        param.periodMs = 0;
        param.requestKind = 2;
    }
    param.level = (ui.klineModel == 1 || ui.quoteLevel == 1) ? 1 : 2;
    return true;
}

void CKLineData::subscribeScriptLog(const QString& formula, const QString& reqId)
{
    if (!m_pUiParam)
        return;
    const auto it = m_pUiParam->scriptLogSubscribers.constFind(formula);
    if (it != m_pUiParam->scriptLogSubscribers.constEnd() && *it)
        CSubScriptLogInfo::subscribe(*it, formula, reqId);
}

void CKLineData::unrequest()
{
    const QVector<QString> ids = m_req.reqIds();
    if (!ids.isEmpty()) {
        std::vector<std::string> narrow;
        for (const QString& id : ids)
            narrow.push_back(id.toStdString());
        CFormulaManager::instance()->removeFormulaCallBackFuncMap(narrow);
        m_req.clear();
        if (m_paneRole == 0 && m_pUiParam)
            QLLOG_INFO(qlog::kStdLogger, "mainID:%1%, unrequestIds: %2%", m_pUiParam->getMainPanelID(),
                       QStringList(ids.toList()).join(QLatin1Char(',')));
        unrequestIds(ids);
    }
    CReplayManager::instance()->deleteFormulas(ids);
}

void CKLineData::updateFormula(const QString& name, const QString& mergeGroup)
{
    unrequest();
    clearSeries();
    m_formulas.clear();
    addFormula(name);
    m_mergeGroup = mergeGroup;
}

void CKLineData::setParamText(const QString& formula, const QString& text)
{
    const QString upper = formula.trimmed().toUpper();
    if (text.isEmpty())
        m_paramTexts.remove(upper);
    else
        m_paramTexts.insert(upper, text);
}

void CKLineData::removeFormula(const QString& name)
{
    const QString upper = name.trimmed().toUpper();
    m_paramTexts.remove(upper);
    QString listName;
    if (const auto detail = CFormulaOperateManager::getFormula(upper))
        listName = detail->getName();
    else if (m_formulas.contains(upper))
        listName = upper;
    if (!listName.isEmpty())
        m_formulas.removeAll(listName);

    const CFormulaKey key(baseKey(), listName.isEmpty() ? upper : listName);
    QString id;
    if (m_req.getReq(id, key)) {
        m_req.removeKey(key);
        CReplayManager::instance()->deleteFormulas({id});
        unrequestId(id);
    }
    m_data.remove(key);
    m_nonBaseData.remove(key);

    for (int i = 0; i < m_req.count(); ++i)
        if (!m_data.contains(m_req[i].key))
            return;
    deliverEvent(192, 0, 0, QString(), nullptr);
}

void CKLineData::unrequestId(const QString& id)
{
    if (id.isEmpty())
        return;
    updateStrategyBacktestData({id});
    if (isMergedSubPane()) {
        CMergeRequestManager::instance()->unrequestFormula({id});
        return;
    }
    CFormulaManager::instance()->unrequestFormula(id);
    utils::CSingletonT<CGroupResultManager>::instance()->removeData(id);
}

void CKLineData::unrequestIds(const QVector<QString>& ids)
{
    if (ids.isEmpty())
        return;
    updateStrategyBacktestData(ids);
    if (isMergedSubPane()) {
        CMergeRequestManager::instance()->unrequestFormula(ids);
        return;
    }
    CFormulaManager::instance()->unrequestFormulas(ids);
    for (const QString& id : ids)
        utils::CSingletonT<CGroupResultManager>::instance()->removeData(id);
}

} // namespace TC
