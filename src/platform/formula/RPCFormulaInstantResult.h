#pragma once

#include <string>
#include <vector>

#include "platform/formula/RPCTimeItem.h"
#include "platform/market/CBar.h"

namespace se {

// Real-time update of one bar: appended as a new bar (data type 1) or
// written over the last bar (data type 2).
struct RPCFormulaInstantResult {
    RPCTimeItem time;
    std::vector<double> values;        // one per data vector of the result
    std::vector<std::string> texts;    // one per output, or empty when the formula draws no text
    std::vector<unsigned> barColors;   // one per output, or empty
    std::vector<double> numbers;       // one per output, or empty
    // The input bar of this bar (the result's basicData entry), so volume
    // sticks of live bars keep their rise/fall colour.
    quoter::CBar basic;
    bool hasBasic = false;
};

} // namespace se
