// Requests, cancellation and history answers.
#include "platform/formula/service/CFormulaManager.h"

#include "platform/config/CSingletonT.h"
#include "platform/config/QLLog.h"
#include "platform/formula/IdGenerator.h"
#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/market/CMarketSimulator.h"

namespace TC {

CFormulaManager::CFormulaManager() : m_backend(CFormulaBackend::engine())
{
}

CFormulaManager::~CFormulaManager()
{
    // Workers hold callbacks of this manager's clients: let them finish first.
    m_workers.waitForDone();
    if (m_simulator) {
        for (const CRequest& r : qAsConst(m_requests)) {
            for (const QString& key : r.tickKeys)
                m_simulator->unsubscribe(key);
        }
    }
}

CFormulaManager* CFormulaManager::instance()
{
    return utils::CSingletonT<CFormulaManager>::instance();
}

void CFormulaManager::setBackend(const CFormulaBackend& backend)
{
    m_backend = backend;
}

void CFormulaManager::resetBackend()
{
    m_backend = CFormulaBackend::engine();
}

CMarketSimulator* CFormulaManager::simulator()
{
    if (!m_simulator) {
        m_simulator = CMarketSimulator::instance();
        connect(m_simulator.data(), &CMarketSimulator::sigInstrumentTicked, this,
                &CFormulaManager::slotInstrumentTicked, Qt::UniqueConnection);
    }
    return m_simulator.data();
}

void CFormulaManager::setSimulator(CMarketSimulator* simulator)
{
    CMarketSimulator* old = m_simulator.data();
    if (simulator == nullptr)
        simulator = CMarketSimulator::instance();
    if (old == simulator)
        return;
    if (old) {
        disconnect(old, nullptr, this, nullptr);
        for (const CRequest& r : qAsConst(m_requests)) {
            for (const QString& key : r.tickKeys)
                old->unsubscribe(key);
        }
    }
    m_simulator = simulator;
    connect(simulator, &CMarketSimulator::sigInstrumentTicked, this, &CFormulaManager::slotInstrumentTicked,
            Qt::UniqueConnection);
    for (const CRequest& r : qAsConst(m_requests)) {
        for (const QString& key : r.tickKeys)
            simulator->subscribe(key);
    }
}

QString CFormulaManager::formulaNameOf(const CFormulaParam& param)
{
    return CFormulaEngine::formulaNameOf(param.formula);
}

QStringList CFormulaManager::tickKeysOf(const CFormulaParam& param)
{
    // A custom index moves with its components.
    QStringList keys;
    if (param.market == QLatin1String("CD")) {
        for (const auto& c : param.components)
            keys << c.first + c.second;
    } else {
        keys << param.stockKey();
    }
    keys.removeDuplicates();
    return keys;
}

QString CFormulaManager::registerRequest(CFormulaParam param, HistoryCallback onHistory,
                                         RealtimeCallback onRealtime, ResponseBackCallback onResponseBack)
{
    if (param.requestId.isEmpty())
        param.requestId = se::IdGenerator::uniqueId(QStringLiteral("formula"));
    const QString id = param.requestId;
    if (m_requests.contains(id))
        dropRequest(id);
    CRequest r;
    r.tickKeys = tickKeysOf(param);
    r.param = std::move(param);
    r.onHistory = std::move(onHistory);
    r.onRealtime = std::move(onRealtime);
    r.onResponseBack = std::move(onResponseBack);
    r.serial = m_nextSerial++;
    CMarketSimulator* sim = simulator();
    for (const QString& key : qAsConst(r.tickKeys))
        sim->subscribe(key);
    m_requests.insert(id, std::move(r));
    return id;
}

void CFormulaManager::dropRequest(const QString& id)
{
    auto it = m_requests.find(id);
    if (it == m_requests.end())
        return;
    if (m_simulator) {
        for (const QString& key : qAsConst(it->tickKeys))
            m_simulator->unsubscribe(key);
    }
    m_requests.erase(it);
    m_groups.remove(id);
    CFormulaEngine::forgetLive(id);
}

void CFormulaManager::requestFormulas(const QVector<CFormulaParam>& params, HistoryCallback onHistory,
                                      RealtimeCallback onRealtime, ResponseBackCallback onResponseBack)
{
    if (params.isEmpty())
        return;
    for (const CFormulaParam& p : params) {
        const QString id = registerRequest(p, onHistory, onRealtime, onResponseBack);
        m_pendingHistory.append(qMakePair(id, m_requests.value(id).serial));
        QLLOG_INFO(qlog::kStdLogger, "request %1%: %2%%3% %4% period %5%", id, p.market, p.code, p.formula,
                   p.periodMs);
    }
    if (!m_flushQueued) {
        m_flushQueued = true;
        QMetaObject::invokeMethod(
            this, [this] { flushHistory(); }, Qt::QueuedConnection);
    }
}

bool CFormulaManager::computeRecord(const CFormulaParam& param, se::RPCFormulaMetaResult& meta,
                                    se::RPCFormulaResult& result, QString& error) const
{
    error.clear();
    bool ok = false;
    if (m_backend.compute)
        ok = m_backend.compute(param, meta, result, &error);
    else
        error = QStringLiteral("no formula engine");
    if (!ok) {
        meta = se::RPCFormulaMetaResult();
        result = se::RPCFormulaResult();
        if (error.isEmpty())
            error = QStringLiteral("formula %1 failed").arg(param.formula);
        QLLOG_WARN(qlog::kFormulaLogger, "%1% on %2%: %3%", param.formula, param.stockKey(), error);
    }
    meta.requestId = result.requestId = param.requestId.toStdString();
    return ok;
}

void CFormulaManager::flushHistory()
{
    m_flushQueued = false;
    // A member, so that a callback re-mapping a later record of this flush is seen.
    m_flushing = std::move(m_pendingHistory);
    m_pendingHistory.clear();
    for (int i = 0; i < m_flushing.size(); ++i) {
        const QPair<QString, quint64> entry = m_flushing[i];
        auto it = m_requests.find(entry.first);
        // Cancelled, or replaced by a newer request of the same id.
        if (it == m_requests.end() || it->serial != entry.second || it->answered)
            continue;
        auto meta = std::make_shared<se::RPCFormulaMetaResult>();
        auto result = std::make_shared<se::RPCFormulaResult>();
        QString error;
        const bool ok = computeRecord(it->param, *meta, *result, error);
        it->answered = true;
        it->meta = meta;
        it->result = std::make_shared<se::RPCFormulaResult>(*result);
        if (!ok)
            it->onRealtime.clear(); // nothing to keep up to date
        const HistoryCallback onHistory = it->onHistory;
        afterHistory(entry.first);
        if (onHistory)
            onHistory(meta, result, entry.first, ok ? kHistoryComplete : kHistoryFailed, error, false);
    }
    m_flushing.clear();
}

bool CFormulaManager::requestFormulasSync(const QVector<CFormulaParam>& params, QVector<MetaPtr>& metas,
                                          QVector<ResultPtr>& results)
{
    return requestFormulasSync(params, metas, results, RealtimeCallback());
}

bool CFormulaManager::requestFormulasSync(const QVector<CFormulaParam>& params, QVector<MetaPtr>& metas,
                                          QVector<ResultPtr>& results, RealtimeCallback onRealtime,
                                          HistoryCallback onReload)
{
    metas.clear();
    results.clear();
    QVector<QString> live;
    for (CFormulaParam p : params) {
        if (p.requestId.isEmpty())
            p.requestId = se::IdGenerator::uniqueId(QStringLiteral("formula"));
        auto meta = std::make_shared<se::RPCFormulaMetaResult>();
        auto result = std::make_shared<se::RPCFormulaResult>();
        QString error;
        if (!computeRecord(p, *meta, *result, error)) {
            // The batch failed as a whole for the requester: keep nothing of it live.
            unrequestFormulas(live);
            return false;
        }
        metas.append(meta);
        results.append(result);
        if (onRealtime) {
            // Answered here: the history callback hears only of reloads.
            const QString id = registerRequest(p, onReload, onRealtime, ResponseBackCallback());
            CRequest& r = m_requests[id];
            r.answered = true;
            r.meta = meta;
            r.result = std::make_shared<se::RPCFormulaResult>(*result);
            afterHistory(id);
            live.append(id);
        }
    }
    return true;
}

void CFormulaManager::unrequestFormulas(const QVector<QString>& ids)
{
    for (const QString& id : ids) {
        if (m_requests.contains(id)) {
            QLLOG_INFO(qlog::kStdLogger, "unrequest %1%", id);
            dropRequest(id);
        }
    }
}

void CFormulaManager::unrequestFormula(const QString& id)
{
    unrequestFormulas(QVector<QString>{id});
}

void CFormulaManager::removeFormulaCallBackFuncMap(const QVector<QString>& ids)
{
    unrequestFormulas(ids);
}

void CFormulaManager::removeFormulaCallBackFuncMap(const std::vector<std::string>& ids)
{
    QVector<QString> q;
    for (const std::string& id : ids)
        q.append(QString::fromStdString(id));
    unrequestFormulas(q);
}

QStringList CFormulaManager::requestIds() const
{
    QStringList ids = m_requests.keys();
    ids.sort();
    return ids;
}

void CFormulaManager::setResponseBackCallback(const QVector<QString>& ids,
                                              ResponseBackCallback onResponseBack)
{
    for (const QString& id : ids) {
        auto it = m_requests.find(id);
        if (it != m_requests.end())
            it->onResponseBack = onResponseBack;
    }
}

QString CFormulaManager::remapRequestId(const QString& oldId)
{
    auto it = m_requests.find(oldId);
    if (it == m_requests.end())
        return QString();
    const QString newId = se::IdGenerator::uniqueId(oldId);
    CRequest r = std::move(*it);
    m_requests.erase(it);
    CFormulaEngine::forgetLive(oldId);
    r.param.requestId = newId;
    if (r.meta)
        r.meta->requestId = newId.toStdString();
    if (r.result)
        r.result->requestId = newId.toStdString();
    const ResponseBackCallback onResponseBack = r.onResponseBack;
    const CFormulaParam param = r.param;
    m_requests.insert(newId, std::move(r));
    // A history still queued goes out under the new id.
    for (auto* queue : {&m_pendingHistory, &m_flushing}) {
        for (auto& entry : *queue) {
            if (entry.first == oldId)
                entry.first = newId;
        }
    }
    if (auto g = m_groups.take(oldId)) {
        g->requestId = newId.toStdString();
        m_groups.insert(newId, g);
    }
    QLLOG_INFO(qlog::kStdLogger, "request %1% moved to %2%", oldId, newId);
    if (onResponseBack)
        onResponseBack(QVector<QString>{newId}, QVector<CFormulaParam>{param});
    return newId;
}

} // namespace TC
