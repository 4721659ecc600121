#pragma once

#include <string>
#include <vector>

#include "platform/formula/RPCTimeItem.h"
#include "platform/formula/engine/CFormulaEngineOutput.h"
#include "platform/market/CBar.h"

namespace TC {

// Everything one record computes over the whole series: the input bars with
// their time entries and the outputs, all full length.
struct CFormulaEngineRun {
    std::string formulaName; // the name results report
    std::vector<quoter::CBar> bars;
    std::vector<se::RPCTimeItem> times; // parallel to bars
    std::vector<CFormulaEngineOutput> outputs;

    int barCount() const { return int(bars.size()); }
    int columnCount() const
    {
        int n = 0;
        for (const CFormulaEngineOutput& o : outputs)
            n += int(o.columns.size());
        return n;
    }
};

} // namespace TC
