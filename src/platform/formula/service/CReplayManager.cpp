#include "platform/formula/service/CReplayManager.h"

#include "platform/config/CSingletonT.h"
#include "platform/config/QLLog.h"
#include "platform/formula/IdGenerator.h"
#include "platform/formula/service/CFormulaResultOps.h"

namespace TC {

CReplayManager::CReplayManager() = default;

CReplayManager* CReplayManager::instance()
{
    return utils::CSingletonT<CReplayManager>::instance();
}

void CReplayManager::requestFormulas(const QString& key, const QVector<CFormulaParam>& params,
                                     CFormulaManager::HistoryCallback onHistory,
                                     CFormulaManager::RealtimeCallback onRealtime)
{
    for (CFormulaParam p : params) {
        if (p.requestId.isEmpty())
            p.requestId = se::IdGenerator::uniqueId(QStringLiteral("replay"));
        CEntry e;
        e.param = p;
        e.onHistory = onHistory;
        e.onRealtime = onRealtime;
        e.replayTimeMs = m_replayTimeMs;
        e.serial = m_nextSerial++;
        m_pending.append(qMakePair(p.requestId, e.serial));
        m_entries.insert(p.requestId, std::move(e));
        QLLOG_INFO(qlog::kStdLogger, "replay request %1% of %2% up to %3%", p.requestId, key, m_replayTimeMs);
    }
    if (!m_flushQueued && !m_pending.isEmpty()) {
        m_flushQueued = true;
        QMetaObject::invokeMethod(
            this, [this] { flushHistory(); }, Qt::QueuedConnection);
    }
}

void CReplayManager::flushHistory()
{
    m_flushQueued = false;
    const QVector<QPair<QString, quint64>> pending = std::move(m_pending);
    m_pending.clear();
    const CFormulaBackend& backend = CFormulaManager::instance()->backend();
    for (const auto& entry : pending) {
        auto it = m_entries.find(entry.first);
        if (it == m_entries.end() || it->serial != entry.second || it->answered)
            continue;
        auto meta = std::make_shared<se::RPCFormulaMetaResult>();
        auto full = std::make_shared<se::RPCFormulaResult>();
        QString error;
        const bool ok = backend.compute && backend.compute(it->param, *meta, *full, &error);
        if (!ok) {
            *meta = se::RPCFormulaMetaResult();
            *full = se::RPCFormulaResult();
            if (error.isEmpty())
                error = QStringLiteral("formula %1 failed").arg(it->param.formula);
        }
        meta->requestId = full->requestId = entry.first.toStdString();
        int shown = full->barCount();
        if (ok && it->replayTimeMs > 0) {
            shown = 0;
            while (shown < full->barCount() && full->times[size_t(shown)].timeMs <= it->replayTimeMs)
                ++shown;
        }
        auto history = std::make_shared<se::RPCFormulaResult>(*full);
        CFormulaResultOps::truncate(*history, shown);
        it->answered = true;
        it->full = full;
        it->next = shown;
        const CFormulaManager::HistoryCallback onHistory = it->onHistory;
        if (onHistory) {
            onHistory(meta, history, entry.first,
                      ok ? CFormulaManager::kHistoryComplete : CFormulaManager::kHistoryFailed, error, false);
        }
    }
}

void CReplayManager::unrequestFormulas(const QVector<QString>& ids)
{
    for (const QString& id : ids)
        m_entries.remove(id);
}

void CReplayManager::deleteFormulas(const QVector<QString>& ids)
{
    unrequestFormulas(ids);
}

int CReplayManager::step()
{
    int fed = 0;
    const QStringList ids = m_entries.keys();
    for (const QString& id : ids) {
        auto it = m_entries.find(id);
        if (it == m_entries.end() || !it->answered || !it->full || it->next >= it->full->barCount())
            continue;
        auto instant =
            std::make_shared<se::RPCFormulaInstantResult>(CFormulaResultOps::instantAt(*it->full, it->next));
        ++it->next;
        const CFormulaManager::RealtimeCallback onRealtime = it->onRealtime;
        ++fed;
        if (onRealtime)
            onRealtime(CFormulaResultOps::kAppend, id, instant);
    }
    return fed;
}

int CReplayManager::remainingBars(const QString& id) const
{
    auto it = m_entries.constFind(id);
    if (it == m_entries.cend() || !it->full)
        return 0;
    return std::max(0, it->full->barCount() - it->next);
}

} // namespace TC
