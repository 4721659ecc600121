#pragma once

#include <utility>
#include <vector>

#include <boost/shared_ptr.hpp>

#include <QString>

#include "platform/formula/CFormulaParam.h"
#include "platform/formula/RPCFormulaInstantResult.h"
#include "platform/formula/RPCFormulaMetaResult.h"
#include "platform/formula/RPCFormulaResult.h"

namespace TC {

class CFormulaDetail;
class CMarketStore;
namespace flang {
struct CFormulaInput;
struct CFormulaRunResult;
}
struct CFormulaEngineOutput;
struct CFormulaEngineRun;
struct CFormulaLiveRun;

// Computes formula results from the market store: the service's history
// answer (compute) and its real-time updates (computeTail).
//
// Input series
//  - Instrument: p.stockKey(). A custom index (market "CD") is built from
//    p.components: at every bar time of any component, each component's
//    close (open, high, low) divided by its base close, averaged with equal
//    weights and multiplied by the base point (p.indexBasePoint, 1000 when not
//    positive). The base close is the component's last close at or before
//    p.indexBaseDate (yyyyMMdd), or its first close when that date is unset
//    or earlier; a component without a bar yet at some time carries no
//    weight there, one that stopped trading carries its last close forward.
//    Volume and amount are the components' sums.
//  - Period: p.periodMs / 1000 seconds. 0 is the tick chart: one bar per tick
//    of the store's last day (the last day's one-minute bars when the
//    instrument has no ticks); ex-rights do not apply to it. 60 up to a day
//    in whole minutes and the calendar periods come from the store as they
//    are; any other whole multiple of a day, an hour or a minute means N
//    days, N hours, N minutes. Other periods fail.
//  - Ex-rights type p.drType (0..4), as the store adjusts.
//
// Output window
//  Formulas always run over the whole history so that every value is the one
//  an unlimited run gives. The range then selects bars: TIME_START, TIME_START2
//  and (-1, 0) at the start mean the first bar, TIME_LASTED and (-1, 0) at the
//  end the newest; explicit millisecond times clip (inclusive). Of those bars
//  the newest p.countLimit are kept (a limit below 1 means no limit).
//  basicData holds the input bars of the window, parallel to times.
//
// Parameters
//  p.params[name] (case-insensitive) overrides the catalogue default; text
//  that is not a number falls back to the default; values are clamped to the
//  catalogue's [min, max] (when min < max).
//
// Records
//  Output i owns consecutive column numbers, the column map is the identity
//  (column k is data vector k). texts/barColors/numbers hold one vector per
//  output, empty unless the output uses it (DRAWTEXT texts, DRAWNUMBER
//  numbers; its price is the data column). barFlags and outputInts are all 1,
//  meta outputInts all 0. "No value" is the largest double.
//
// Native formulas (computed here, not in the formula language)
//  - "KLINE": output "KLINE" style 12, columns 0..3 open, high, low, close
//    (name group "OPEN", "HIGH", "LOW", "CLOSE"); "成交量" column 4 and
//    "成交额" column 5 without style.
//  - "TICKDATA": over the last day's ticks (period 0) or one-minute bars
//    (other periods): "价格" style 101 (price / close), "成交量" without style
//    (volume), "均价" style 0 (cumulative amount / cumulative volume of the
//    day; no value while the day has no volume).
//  - "TICKVOL": the same bars, "成交量" style 10.
//  - "价位线": style 102, one column: the previous close of each bar's
//    trading day, no value for the first day of the history. Tick, intraday
//    and day bars: the store's previous close for raw prices (on an ex-date
//    the ex-rights reference price), the adjusted close of the day before
//    for drType 1..4. Longer bars and custom indexes: the previous bar's
//    (previous day's) close in the series itself.
//
// Data of another instrument or period ("SH000001$CLOSE", CLOSE#WEEK, BETA's
// index) come from the store with the record's ex-rights type: the other
// series at the requested period (the record's when none), aligned to the
// chart's bars by time: each chart bar takes the latest bar whose time is at
// or before its own (day and longer bars are stamped at their day's start,
// intraday bars at their end, so an intraday bar sees its own day's day bar).
// An unknown instrument or a period the store cannot give yields no value.
//
// Language formulas run the catalogue record's run handle, or, when the
// record holds none, a program compiled once per (name, source) and cached.
// Python, VBA and group-model records run their companion source likewise.
//
// Real time
//  computeTail keeps, per request id, what the next tick needs: the newest
//  two input bars, the record's running state (CFormulaLiveEvaluator) and
//  the newest bar as answered. A tick then reads from the store only the
//  bars from the one before the newest on (CMarketStore::barsSince) and
//  recomputes the newest bar and any new ones, from the state as it stood
//  before the newest bar: the cost does not grow with the history, and the
//  values are bit for bit those of compute(). The whole series is computed
//  again, and the state built afresh from it, when
//  - nothing is kept for the id yet, or the record (formula, instrument,
//    period, ex-rights, parameters, range, count limit, catalogue source)
//    differs from the one kept;
//  - `previous` does not end on the bar last answered;
//  - an older bar changed (the store's revision of the instrument moved, the
//    bar before the newest differs, the newest moved to another time);
//  - the record is not followed bar by bar at all: ticks (period 0), the
//    tick series, 价位线, a custom index, explicit range ends, and language
//    formulas the live evaluator refuses: ones looking at later bars (CONST,
//    BACKSET, XMA, ZIG, PEAK, TROUGH, DRAWLINE, POLYLINE), ones reading the
//    whole series (CURRBARSCOUNT, ISLASTBAR, TOTALBARSCOUNT), data of
//    another instrument or period ("SH000001$CLOSE", CLOSE#WEEK, BETA),
//    EXTDATA, a window length given as a series, and functions the live
//    evaluator does not implement;
//  - building the state gives other values than the full run (logged).
//  forgetLive drops an id's state (the request managers call it when a
//  request ends); states of ids never forgotten are dropped least recently
//  used first beyond a fixed number.
//
// Every call is thread-safe; nothing throws.
class CFormulaEngine
{
public:
    // History result of one record. False with a message for an unknown
    // formula or instrument, an unsupported period, or a compile/run failure.
    static bool compute(const CFormulaParam& p, se::RPCFormulaMetaResult& meta, se::RPCFormulaResult& result,
                        QString* error);
    // The same with the formula record given (not looked up in the catalogue).
    static bool compute(const CFormulaParam& p, const CFormulaDetail& detail, se::RPCFormulaMetaResult& meta,
                        se::RPCFormulaResult& result, QString* error);

    // Real-time: after the store changed, the updates that bring `previous`
    // (an earlier answer to the same record) up to date: a cover (data type 2)
    // of the bar `previous` ended on when its values changed, then an append
    // (data type 1) per newer bar inside the range. Values equal what a fresh
    // compute() gives. False with a message when the record fails, or when
    // `previous` does not fit the series any more (its last bar vanished, or
    // its data vectors differ in number); the caller then asks for history.
    static bool computeTail(const CFormulaParam& p, const se::RPCFormulaResult& previous,
                            std::vector<std::pair<int, se::RPCFormulaInstantResult>>& updates,
                            QString* error);

    // Drops what computeTail keeps for a request id.
    static void forgetLive(const QString& requestId);
    // Whether computeTail keeps a state for the id (its next tick is a tail).
    static bool followsLive(const QString& requestId);

    // The store the engine reads; null restores the process-wide instance.
    static void setStore(CMarketStore* store);
    static CMarketStore* store();

    // Lookup name of a record's formula text: the name upper case, or for a
    // Python file path its base name without ".py".
    static QString formulaNameOf(const QString& formulaText);

    static constexpr int kAppend = 1;
    static constexpr int kCover = 2;

private:
    // The catalogue record of the record's formula; null for a native formula
    // the catalogue does not list. False when neither applies.
    static bool resolve(const CFormulaParam& p, boost::shared_ptr<CFormulaDetail>& detail, QString* error);
    // resolve + run + window, logging a failure; shared by compute and computeTail.
    static bool prepare(const CFormulaParam& p, boost::shared_ptr<CFormulaDetail>& detail, CFormulaEngineRun& r,
                        int& first, int& last, QString* error);
    // Input bars, times and full-length outputs of one record.
    static bool run(const CFormulaParam& p, const CFormulaDetail* detail, CFormulaEngineRun& out,
                    QString* error);
    static bool loadBars(const CFormulaParam& p, bool lastDayOnly, CFormulaEngineRun& out, QString* error);
    static bool loadCustomIndex(const CFormulaParam& p, qint64 periodSec, CFormulaEngineRun& out,
                                QString* error);
    static void fillTradeDays(CFormulaEngineRun& out, bool dayBars);

    // The bars of `key` (empty: the record's instrument) at `periodSec` (0: the
    // record's period) aligned to the run's bars; false when there are none.
    static bool loadReference(const CFormulaParam& p, const QString& key, qint64 periodSec,
                              const CFormulaEngineRun& run, flang::CFormulaInput& aligned);

    static bool runNative(const QString& name, const CFormulaParam& p, CFormulaEngineRun& out);
    static bool runLanguage(const CFormulaParam& p, const CFormulaDetail& detail, CFormulaEngineRun& out,
                            QString* error);

    // [first, last] bar indexes the record shows; first > last when none.
    static void window(const CFormulaParam& p, const CFormulaEngineRun& run, int& first, int& last);
    static void fillMeta(const CFormulaParam& p, const CFormulaDetail* detail, const CFormulaEngineRun& run,
                         se::RPCFormulaMetaResult& meta);
    static void fillResult(const CFormulaParam& p, const CFormulaEngineRun& run, int first, int last,
                           se::RPCFormulaResult& result);
    static se::RPCFormulaInstantResult instantAt(const CFormulaEngineRun& run, int bar);

    // The outputs of a language run over n bars (no value as the largest
    // double, DRAWNUMBER's number in the per-bar numbers).
    static void toOutputs(flang::CFormulaRunResult& result, size_t n, std::vector<CFormulaEngineOutput>& outputs);
    // After a full computeTail: the live state of the record, when it can be followed.
    static void keepLive(const CFormulaParam& p, const CFormulaDetail* detail, const CFormulaEngineRun& r,
                         int last);
    // The updates from the live state; false when the whole series must be computed.
    static bool liveTail(const CFormulaParam& p, const se::RPCFormulaResult& previous, CFormulaLiveRun& live,
                         std::vector<std::pair<int, se::RPCFormulaInstantResult>>& updates);
};

} // namespace TC
