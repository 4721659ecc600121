#pragma once

#include <QMap>
#include <QSet>
#include <QString>
#include <QVector>

#include "platform/formula/service/CFormulaManager.h"

namespace TC {

// Merged requests: the sub-panes of one chart (and its trade models) share a
// merge key, and the service computes the records of one key together.
//
// Answers are those of CFormulaManager: every record is answered once by
// history from the event loop, then by real time until cancelled. Records
// asked for during one turn of the event loop are computed in one batch in
// the next turn, in request order, so one merge key's answers arrive
// together. A request id is held by one merge key only: when another key asks
// for an id that is live under a different key, that record is split off
// under a fresh id and the batch's response-back callback is told the new id
// at once, inside the call, so the requester knows it before any answer.
// GUI thread only.
class CMergeRequestManager
{
public:
    CMergeRequestManager() = default;
    static CMergeRequestManager* instance();

    void requestFormulas(const QString& mergeKey, const QVector<CFormulaParam>& params,
                         CFormulaManager::HistoryCallback onHistory,
                         CFormulaManager::RealtimeCallback onRealtime,
                         CFormulaManager::ResponseBackCallback onResponseBack = {});
    void unrequestFormula(const QVector<QString>& ids);

    // Live ids of a merge key (sorted); for diagnostics and tests.
    QStringList requestIds(const QString& mergeKey) const;

private:
    QString mergeKeyOf(const QString& id) const;

    QMap<QString, QSet<QString>> m_idsByKey;
};

} // namespace TC
