// Real time: keeping live requests up to date from the simulator's ticks.
#include "platform/config/QLLog.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/formula/service/CFormulaResultOps.h"

namespace TC {

void CFormulaManager::slotInstrumentTicked(const QString& key)
{
    // Callbacks may cancel or re-request anything, so work from a snapshot
    // and look every request up again before using it.
    QVector<QPair<QString, quint64>> live;
    for (auto it = m_requests.cbegin(); it != m_requests.cend(); ++it) {
        if (it->answered && it->onRealtime && it->result && it->tickKeys.contains(key))
            live.append(qMakePair(it.key(), it->serial));
    }
    std::sort(live.begin(), live.end());
    for (const auto& entry : live) {
        auto it = m_requests.find(entry.first);
        if (it == m_requests.end() || it->serial != entry.second)
            continue;
        if (it->reload) {
            reloadRequest(entry.first, entry.second);
            continue;
        }
        CFormulaBackend::Updates updates;
        QString error;
        if (!m_backend.computeTail || !m_backend.computeTail(it->param, *it->result, updates, &error)) {
            QLLOG_INFO(qlog::kFormulaLogger, "real time of %1% lost track (%2%), answering afresh",
                       entry.first, error);
            reloadRequest(entry.first, entry.second);
            continue;
        }
        for (const auto& update : updates) {
            it = m_requests.find(entry.first);
            if (it == m_requests.end() || it->serial != entry.second)
                break;
            if (!CFormulaResultOps::apply(*it->result, update.first, update.second))
                continue;
            const RealtimeCallback onRealtime = it->onRealtime;
            if (onRealtime)
                onRealtime(update.first, entry.first,
                           std::make_shared<se::RPCFormulaInstantResult>(update.second));
        }
        if (!updates.empty())
            afterHistory(entry.first);
    }
}

void CFormulaManager::reloadRequest(const QString& id, quint64 serial)
{
    auto it = m_requests.find(id);
    if (it == m_requests.end() || it->serial != serial)
        return;
    auto meta = std::make_shared<se::RPCFormulaMetaResult>();
    auto result = std::make_shared<se::RPCFormulaResult>();
    QString error;
    it->reload = false;
    if (!computeRecord(it->param, *meta, *result, error))
        return; // keep what the requester has; the next update tries again
    it->meta = meta;
    it->result = std::make_shared<se::RPCFormulaResult>(*result);
    const HistoryCallback onHistory = it->onHistory;
    afterHistory(id);
    if (onHistory)
        onHistory(meta, result, id, kHistoryReload, QString(), true);
}

void CFormulaManager::removeData(const QString& stockKey)
{
    int marked = 0;
    for (CRequest& r : m_requests) {
        if (r.tickKeys.contains(stockKey) || r.param.stockKey() == stockKey) {
            r.reload = true;
            ++marked;
        }
    }
    QLLOG_INFO(qlog::kStdLogger, "cached data of %1% dropped, %2% request(s) to answer afresh", stockKey,
               marked);
}

void CFormulaManager::removeData(const CFormulaParam& param)
{
    removeData(param.stockKey());
}

} // namespace TC
