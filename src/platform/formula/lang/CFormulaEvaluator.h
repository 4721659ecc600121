#pragma once

#include <QMap>
#include <QString>

#include "platform/formula/lang/CFormulaInput.h"
#include "platform/formula/lang/CFormulaProgram.h"
#include "platform/formula/lang/CFormulaRunResult.h"

namespace TC {
namespace flang {

// Runs a compiled program over market data, column-wise: each expression
// node yields a whole array (or a scalar, broadcast where needed).
//
// Never throws and never crashes on data: division by zero, windows longer
// than the series, bad window lengths and missing input values all become
// "no value" (DBL_MAX in the result). Comparisons and logic with a missing
// operand are missing too. Where a function expects a number (a window
// length, STICKLINE's width, ...) and gets a series, the series' value at the
// newest bar is used; only REF, DMA and BACKSET follow a series bar by bar.
// Data of another instrument or period and BETA's index come through
// input.reference (no value when it is unset or has no data); DATE, TIME and
// the like read input.times, PERIOD input.periodSec.
//
// run() fails (false, message in *error when given, out cleared) only when
// the call itself is wrong: a parameter of the program missing from params
// (looked up case-insensitively; extra entries are ignored), a negative bar
// count or an input array shorter than the bar count.
class CFormulaEvaluator
{
public:
    static bool run(const CFormulaProgram& program, const CFormulaInput& input,
                    const QMap<QString, double>& params, CFormulaRunResult& out, QString* error);
};

} // namespace flang
} // namespace TC
