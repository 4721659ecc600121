#pragma once

#include <memory>
#include <vector>

#include <QMap>
#include <QString>

#include "platform/formula/lang/CFormulaInput.h"
#include "platform/formula/lang/CFormulaProgram.h"
#include "platform/formula/lang/CFormulaRunResult.h"

namespace TC {
namespace flang {

// Runs a compiled program bar by bar and keeps what the next bars need, so
// that a real-time update of the newest bar, or new bars after it, costs
// time independent of the history length.
//
// Every expression node keeps its values over the bars its consumers look
// back on (a window of constant length N keeps N bars, REF with a series
// length all of them), and every recursive or moving function keeps its
// running state as it stood before the newest bar. advance() restarts
// from that state at the newest bar, so covering the newest bar any number
// of times, or appending bars, recomputes only those bars. The running
// states are the ones the function library itself runs on
// (CFormulaRunning.h) and the window functions rescan their kept inputs,
// so the values are bit for bit those of CFormulaEvaluator over the whole
// series (no rounding difference anywhere).
//
// follows() refuses programs whose newest bar can change older values, or
// whose values the kept bars cannot give: functions looking at later bars
// (CONST, BACKSET, XMA, ZIG, PEAK, TROUGH, DRAWLINE, POLYLINE), values of
// the whole series (CURRBARSCOUNT, ISLASTBAR, TOTALBARSCOUNT), a number
// argument given as a series (its newest value counts for every bar), data
// of another instrument or period, external data, and the functions not
// implemented here (see the list in the source); the caller runs those in
// full each time.
class CFormulaLiveEvaluator
{
public:
    CFormulaLiveEvaluator();
    ~CFormulaLiveEvaluator();
    CFormulaLiveEvaluator(const CFormulaLiveEvaluator&) = delete;
    CFormulaLiveEvaluator& operator=(const CFormulaLiveEvaluator&) = delete;

    // Whether the program can be followed bar by bar; *why names the first
    // thing it cannot.
    static bool follows(const CFormulaProgram& program, QString* why);

    // Evaluates every bar of `input`. `out` receives the outputs over all
    // bars, as CFormulaEvaluator::run gives them. False (nothing kept) when
    // the program cannot be followed or a parameter is missing.
    bool start(std::shared_ptr<const CFormulaProgram> program, const QMap<QString, double>& params,
               const CFormulaInput& input, CFormulaRunResult& out, QString* why);

    // Replaces the newest bar and appends the rest: `tail` holds the bars
    // from index barCount() - 1 on (at least one). `out` receives the
    // outputs of those bars only. Only after a successful start().
    void advance(const CFormulaInput& tail, CFormulaRunResult& out);

    size_t barCount() const;

private:
    struct CState;
    std::unique_ptr<CState> m_state;
};

} // namespace flang
} // namespace TC
