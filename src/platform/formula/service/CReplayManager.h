#pragma once

#include <memory>

#include <QMap>
#include <QObject>
#include <QString>
#include <QVector>

#include "platform/formula/service/CFormulaManager.h"

namespace TC {

// Replay of history as if it were live: a replay request is answered with
// the history up to the replay time, then every step() feeds each replay
// request its next bar as a real-time append (data type 1), until its
// history is exhausted.
//
// The records are computed with CFormulaManager's backend over the whole
// history when their answer is due (from the event loop, never inside
// requestFormulas, in request order). The replay time (ms) applies to the
// requests made after setReplayTime; 0, the default, means none: the whole
// history is answered and nothing is left to feed. Bars at the replay time
// belong to the history. A record that cannot be computed is answered like
// CFormulaManager does (data type 0, empty records, the error as text).
// GUI thread only.
class CReplayManager : public QObject
{
    Q_OBJECT

public:
    CReplayManager();
    static CReplayManager* instance();

    void setReplayTime(qint64 ms) { m_replayTimeMs = ms; }
    qint64 replayTime() const { return m_replayTimeMs; }

    // key: the requester's instrument key (logged).
    void requestFormulas(const QString& key, const QVector<CFormulaParam>& params,
                         CFormulaManager::HistoryCallback onHistory,
                         CFormulaManager::RealtimeCallback onRealtime);
    // No further answers for these ids (a queued history included).
    void unrequestFormulas(const QVector<QString>& ids);
    // Drops the entries and their callbacks; the same as unrequestFormulas here.
    void deleteFormulas(const QVector<QString>& ids);

    // Feeds one bar to every answered replay request (id order); returns how
    // many bars were sent.
    int step();
    // Bars still to feed for an id (0 for unknown ids).
    int remainingBars(const QString& id) const;

private:
    struct CEntry {
        CFormulaParam param;
        CFormulaManager::HistoryCallback onHistory;
        CFormulaManager::RealtimeCallback onRealtime;
        qint64 replayTimeMs = 0;
        quint64 serial = 0;
        bool answered = false;
        std::shared_ptr<se::RPCFormulaResult> full; // the whole history
        int next = 0;                               // next bar to feed
    };

    void flushHistory();

    qint64 m_replayTimeMs = 0;
    QMap<QString, CEntry> m_entries;
    QVector<QPair<QString, quint64>> m_pending;
    bool m_flushQueued = false;
    quint64 m_nextSerial = 1;
};

} // namespace TC
