#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QMap>
#include <QString>

#include "platform/formula/RPCTimeItem.h"
#include "platform/formula/engine/CFormulaEngineOutput.h"
#include "platform/market/CBar.h"

namespace TC {

namespace flang {
class CFormulaProgram;
}

// Everything one record computes over the whole series: the input bars with
// their time entries and the outputs, all full length.
struct CFormulaEngineRun {
    std::string formulaName; // the name results report
    std::vector<quoter::CBar> bars;
    std::vector<se::RPCTimeItem> times; // parallel to bars
    std::vector<CFormulaEngineOutput> outputs;
    // a language formula's program and the parameter values it ran with
    std::shared_ptr<const flang::CFormulaProgram> program;
    QMap<QString, double> params;

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
