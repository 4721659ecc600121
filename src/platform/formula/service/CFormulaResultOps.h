#pragma once

#include "platform/formula/RPCFormulaInstantResult.h"
#include "platform/formula/RPCFormulaResult.h"

namespace TC {

// Bar-level operations on result records, shared by the request managers:
// the service keeps its own copy of each answer up to date with what it sent,
// the way the chart merges real-time updates into its copy.
class CFormulaResultOps
{
public:
    static constexpr int kAppend = 1;
    static constexpr int kCover = 2;

    // Bar `bar` as a real-time record; an empty record when out of range.
    static se::RPCFormulaInstantResult instantAt(const se::RPCFormulaResult& result, int bar);

    // Appends (kAppend) or writes over the last bar (kCover). The further
    // per-output vectors change only where they hold one entry per bar. A
    // cover of an empty result and unknown data types change nothing (false).
    static bool apply(se::RPCFormulaResult& result, int dataType, const se::RPCFormulaInstantResult& instant);

    // Keeps the first `bars` bars.
    static void truncate(se::RPCFormulaResult& result, int bars);
};

} // namespace TC
