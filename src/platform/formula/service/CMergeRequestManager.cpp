#include "platform/formula/service/CMergeRequestManager.h"

#include "platform/config/CSingletonT.h"
#include "platform/config/QLLog.h"
#include "platform/formula/IdGenerator.h"

namespace TC {

CMergeRequestManager* CMergeRequestManager::instance()
{
    return utils::CSingletonT<CMergeRequestManager>::instance();
}

QString CMergeRequestManager::mergeKeyOf(const QString& id) const
{
    for (auto it = m_idsByKey.cbegin(); it != m_idsByKey.cend(); ++it) {
        if (it->contains(id))
            return it.key();
    }
    return QString();
}

void CMergeRequestManager::requestFormulas(const QString& mergeKey, const QVector<CFormulaParam>& params,
                                           CFormulaManager::HistoryCallback onHistory,
                                           CFormulaManager::RealtimeCallback onRealtime,
                                           CFormulaManager::ResponseBackCallback onResponseBack)
{
    CFormulaManager* manager = CFormulaManager::instance();
    QVector<CFormulaParam> records = params;
    QVector<QString> splitIds;
    QVector<CFormulaParam> splitRecords;
    for (CFormulaParam& p : records) {
        if (p.requestId.isEmpty())
            p.requestId = se::IdGenerator::uniqueId(QStringLiteral("merge"));
        const QString owner = mergeKeyOf(p.requestId);
        if (!owner.isEmpty() && owner != mergeKey && manager->isRequested(p.requestId)) {
            const QString newId = se::IdGenerator::uniqueId(p.requestId);
            QLLOG_INFO(qlog::kStdLogger, "request %1% of merge key %2% is held by %3%: split off as %4%",
                       p.requestId, mergeKey, owner, newId);
            p.requestId = newId;
            splitIds.append(newId);
            splitRecords.append(p);
        }
        m_idsByKey[mergeKey].insert(p.requestId);
    }
    manager->requestFormulas(records, onHistory, onRealtime, onResponseBack);
    if (!splitIds.isEmpty() && onResponseBack)
        onResponseBack(splitIds, splitRecords);
    // Drop ids whose requests ended elsewhere (CFormulaManager::unrequestFormulas).
    for (auto it = m_idsByKey.begin(); it != m_idsByKey.end();) {
        for (auto id = it->begin(); id != it->end();)
            id = manager->isRequested(*id) ? std::next(id) : it->erase(id);
        it = it->isEmpty() ? m_idsByKey.erase(it) : std::next(it);
    }
}

void CMergeRequestManager::unrequestFormula(const QVector<QString>& ids)
{
    for (const QString& id : ids) {
        const QString key = mergeKeyOf(id);
        if (key.isEmpty())
            continue;
        m_idsByKey[key].remove(id);
        if (m_idsByKey[key].isEmpty())
            m_idsByKey.remove(key);
    }
    CFormulaManager::instance()->unrequestFormulas(ids);
}

QStringList CMergeRequestManager::requestIds(const QString& mergeKey) const
{
    QStringList ids = m_idsByKey.value(mergeKey).values();
    ids.sort();
    return ids;
}

} // namespace TC
