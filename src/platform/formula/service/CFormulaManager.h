#pragma once

#include <memory>
#include <string>
#include <vector>

#include <boost/function.hpp>

#include <QHash>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <QVariant>
#include <QVector>

#include "platform/formula/CFormulaParam.h"
#include "platform/formula/CHistoryDataParam.h"
#include "platform/formula/LongHuBangRankListInfo.h"
#include "platform/formula/RPCFormulaInstantResult.h"
#include "platform/formula/RPCFormulaMetaResult.h"
#include "platform/formula/RPCFormulaResult.h"
#include "platform/formula/RPCGroupResult.h"
#include "platform/formula/service/CFormulaBackend.h"

namespace TC {

class CMarketSimulator;

// The formula service's request manager (stand-in): answers the chart's
// formula requests from the formula engine over the market store
// (CFormulaEngine::store()) and keeps live requests up to date from the
// market simulator. GUI thread only, except where a member says otherwise.
//
// Answers
//  - requestFormulas: every record is answered once by the history callback,
//    always from the event loop (never inside the call): all records asked
//    for during one turn are computed and answered in the next, in request
//    order. Data type kHistoryComplete (1) with the result; a record that
//    cannot be computed gets empty (non-null) records, the error text and
//    data type kHistoryFailed (0), and stays registered without real time.
//    Then, while the request lives, the real-time callback receives data
//    type 1 (append) per new bar and 2 (cover) for a changed last bar, with
//    values equal to what a fresh history request gives. When the engine
//    can no longer extend its copy (history rewritten under it, removeData),
//    the history callback is called again with kHistoryReload (2), quiet.
//  - A record without a request id gets se::IdGenerator::uniqueId("formula");
//    the callbacks carry it. Re-requesting a live id replaces that request
//    (callbacks included) and answers its history again.
//  - requestFormulasSync answers at once; records subscribe to real time
//    only through the variant that takes a real-time callback, and only
//    when the whole batch succeeds. Its history callback, when given, is
//    called only for the kHistoryReload answers of those records.
//  - unrequestFormulas / removeFormulaCallBackFuncMap: nothing more is said
//    for these ids, not even a history answer already queued. A request
//    without callbacks has no one to answer, so dropping the callbacks ends
//    the request as well. Unknown ids are ignored.
//  - Response back is per request batch: the callback given with
//    requestFormulas (or attached later with setResponseBackCallback) is
//    told whenever the service moves one of those requests to a new id
//    (remapRequestId; the merging manager when it splits a request off).
//
// Group models (formulas the backend reports as group models) are run at
// once by this stand-in over the chart instrument alone, so a group has one
// instrument and its progress is complete (1 of 1) as soon as its history
// was answered. The demo trade rule: long only, 100 units, buy at the bar's
// close when the first output's line crosses above the second output's line
// (above 0 when there is one output), sell when it crosses back below.
class CFormulaManager : public QObject
{
    Q_OBJECT

public:
    using MetaPtr = std::shared_ptr<se::RPCFormulaMetaResult>;
    using ResultPtr = std::shared_ptr<se::RPCFormulaResult>;
    using InstantPtr = std::shared_ptr<se::RPCFormulaInstantResult>;
    using HistoryCallback = boost::function<void(const MetaPtr&, const ResultPtr&, QString reqId,
                                                 int dataType, QString text, bool quiet)>;
    using RealtimeCallback = boost::function<void(int dataType, QString reqId, const InstantPtr&)>;
    using ResponseBackCallback =
        boost::function<void(const QVector<QString>&, const QVector<CFormulaParam>&)>;
    using RankListByDay = QMap<qint64, QVector<std::shared_ptr<se::LongHuBangRankListInfo>>>;
    // Ranking-list answer: the instrument's market and code as 8-bit texts
    // (market + code is its key), the records by day (local midnight, ms) and
    // the request type (kLongHuBangLocal or kLongHuBangNetwork). Called on a
    // worker thread.
    using LongHuBangCallback = boost::function<void(const std::string& market, const std::string& code,
                                                    const RankListByDay&, int requestType)>;
    using SuppleProgressCallback = boost::function<void(int done, int total, QString text, QString key)>;

    static constexpr int kHistoryFailed = 0;
    static constexpr int kHistoryComplete = 1;
    static constexpr int kHistoryReload = 2;
    static constexpr int kRealtimeAppend = 1;
    static constexpr int kRealtimeCover = 2;
    static constexpr int kLongHuBangLocal = 0;
    static constexpr int kLongHuBangNetwork = 1;
    // The one history download this stand-in knows (CKLineMainWidget::downloadData).
    static constexpr const char* kSuppleDataKey = "suppledata";

    CFormulaManager();
    ~CFormulaManager() override;

    static CFormulaManager* instance();

    // What requests are computed with (default: CFormulaBackend::engine()).
    void setBackend(const CFormulaBackend& backend);
    void resetBackend();
    const CFormulaBackend& backend() const { return m_backend; }
    // The tick source of real time; null: CMarketSimulator::instance().
    // Live requests move their subscriptions to the new simulator.
    void setSimulator(CMarketSimulator* simulator);
    CMarketSimulator* simulator();

    // --- requests
    void requestFormulas(const QVector<CFormulaParam>& params, HistoryCallback onHistory,
                         RealtimeCallback onRealtime, ResponseBackCallback onResponseBack = {});
    bool requestFormulasSync(const QVector<CFormulaParam>& params, QVector<MetaPtr>& metas,
                             QVector<ResultPtr>& results);
    bool requestFormulasSync(const QVector<CFormulaParam>& params, QVector<MetaPtr>& metas,
                             QVector<ResultPtr>& results, RealtimeCallback onRealtime,
                             HistoryCallback onReload = HistoryCallback());
    void unrequestFormulas(const QVector<QString>& ids);
    void unrequestFormula(const QString& id);
    void removeFormulaCallBackFuncMap(const QVector<QString>& ids);
    void removeFormulaCallBackFuncMap(const std::vector<std::string>& ids);
    bool isRequested(const QString& id) const { return m_requests.contains(id); }
    QStringList requestIds() const;

    // --- id re-mapping
    void setResponseBackCallback(const QVector<QString>& ids, ResponseBackCallback onResponseBack);
    // Moves a live request to a fresh id and tells its response-back
    // callback; returns the new id, "" for an unknown id.
    QString remapRequestId(const QString& oldId);

    // --- ranking lists: the callback runs on a worker thread of this manager
    // with the store's ranking-list records of market + code by day (local
    // midnight, ms). Type 0 reads the "local database", type 1 the "network";
    // both read the store here.
    void getLongHuBangDataFromLocalSqlite(const QString& market, const QString& code,
                                          LongHuBangCallback callback);
    void requestLonghubangData(const QString& market, const QString& code, LongHuBangCallback callback);
    // Blocks until every ranking-list worker finished (the destructor does too).
    void waitForWorkers();

    // Per market of the store: (open, close) ms pairs of each session of its
    // last trading day, followed by those of the store's today() when that
    // is later.
    void requestMarketOpenCloseTime(QMap<QString, QVector<QPair<qint64, qint64>>>& map) const;

    // --- group models
    // Group results of every live request of that formula, in id order.
    void getGroupResult(const QString& name, std::vector<std::shared_ptr<se::RPCGroupResult>>& results) const;
    // done == total == instruments of the group once answered; 0, 0 otherwise.
    void getGroupRunProgress(int& done, int& total, const QString& id) const;
    std::shared_ptr<se::RPCGroupResult> getFormulaForGroup(const QString& id) const;
    // Extension names of a formula: the output names of its last history
    // answer, kept until clearExtendCache (an empty name clears every entry);
    // without such an answer, the outputs the catalogue's formula declares
    // (and "<NAME>_holding" for a group model).
    void getGroupExtendNames(const QString& name, QStringList& names) const;
    void clearExtendCache(const QString& name = QString());

    // --- history download: the range is fetched instrument by instrument
    // in chunks (a calendar year of day-based bars, a trading day of
    // intraday bars or ticks), one chunk per turn of the event loop, each
    // reported as progress(done, total, text, key) once its bars are in; the
    // last has done == total. An unknown key, a request without instruments
    // or an instrument the store does not hold reports done = -1 with the
    // reason as text.
    void suppleDataFromServer(const QString& key, const CHistoryDataParam& historyParam,
                              SuppleProgressCallback progress);

    // Hidden variables (NAME:=expr) of a live request with their values at the
    // bar of timeMs (the last bar at or before it; -1: the newest bar), in
    // source order; "no value" is the largest double. Empty for unknown ids
    // and formulas without hidden variables.
    QVector<QPair<QString, double>> lookHideVar(const QString& id, qint64 timeMs = -1) const;

    // Hook of the terminal's live-trading handlers; the stand-in has none:
    // it logs the call and leaves the answer empty.
    void sendTempHandleEvent(int eventId, int p1, int p2, const QString& text, QVariant& answer);

    // Drops what the service derived from an instrument's data: its live
    // requests are answered afresh (kHistoryReload) at its next update.
    void removeData(const QString& stockKey);
    void removeData(const CFormulaParam& param);

private slots:
    void slotInstrumentTicked(const QString& key);

private:
    struct CRequest {
        CFormulaParam param;
        HistoryCallback onHistory;
        RealtimeCallback onRealtime;
        ResponseBackCallback onResponseBack;
        quint64 serial = 0;    // tells a queued answer of this request from an older one
        bool answered = false; // history sent
        bool reload = false;   // answer afresh at the next update
        QStringList tickKeys;  // instruments whose ticks change the answer
        MetaPtr meta;
        ResultPtr result; // what the requester holds, kept in step with it
    };

    QString registerRequest(CFormulaParam param, HistoryCallback onHistory, RealtimeCallback onRealtime,
                            ResponseBackCallback onResponseBack);
    void dropRequest(const QString& id);
    void flushHistory();
    // Computes a record; on failure meta and result are empty and error is set.
    bool computeRecord(const CFormulaParam& param, se::RPCFormulaMetaResult& meta,
                       se::RPCFormulaResult& result, QString& error) const;
    void afterHistory(const QString& id);
    void reloadRequest(const QString& id, quint64 serial);
    void startRankListWorker(int type, const QString& market, const QString& code,
                             LongHuBangCallback callback);
    struct SuppleChunk {
        QString stockKey;
        qint64 fromMs = 0;
        qint64 toMs = 0;
        QString label;
        int bars = 0;
    };
    void runSuppleStep(const QString& key, const QVector<SuppleChunk>& chunks, int step,
                       SuppleProgressCallback progress);
    static QStringList tickKeysOf(const CFormulaParam& param);
    static QString formulaNameOf(const CFormulaParam& param);
    static std::shared_ptr<se::RPCGroupResult> buildGroupResult(const QString& id, const QString& name,
                                                                const se::RPCFormulaMetaResult& meta,
                                                                const se::RPCFormulaResult& result);

    CFormulaBackend m_backend;
    QPointer<CMarketSimulator> m_simulator;
    QHash<QString, CRequest> m_requests;
    QVector<QPair<QString, quint64>> m_pendingHistory; // (id, serial) in request order
    QVector<QPair<QString, quint64>> m_flushing;       // the batch being answered
    bool m_flushQueued = false;
    quint64 m_nextSerial = 1;
    QMap<QString, std::shared_ptr<se::RPCGroupResult>> m_groups; // request id -> group result
    QHash<QString, QStringList> m_extendNames;                   // formula name -> output names
    QThreadPool m_workers;
};

} // namespace TC
