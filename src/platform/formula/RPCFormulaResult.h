#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/formula/RPCTimeItem.h"
#include "platform/market/CBar.h"

namespace se {

// History result of one formula on one instrument.
//
// Data vectors hold one double per bar; "no value" is the largest double.
// The column map turns the column numbers of the meta result into data
// vector positions. The three further per-output vectors (texts, colours,
// numbers) have one entry per bar where the output uses them and are empty
// otherwise.
struct RPCFormulaResult {
    std::string formulaName;
    std::string stockKey;
    std::string requestId;
    qint64 periodMs = 0;
    int drType = 0;

    std::vector<RPCTimeItem> times;           // one per bar, ascending
    std::vector<std::vector<double>> values;  // data vectors
    std::map<int, int> columnMap;             // column number -> data vector position
    std::vector<std::vector<std::string>> texts;   // per output: per-bar text (DRAWTEXT)
    std::vector<std::vector<unsigned>> barColors;  // per output: per-bar colour override, 0x00BBGGRR
    std::vector<std::vector<double>> numbers;      // per output: per-bar number (DRAWNUMBER ...)
    std::vector<int> barFlags;                // per bar: 1 valid, 0 placeholder without data
    std::vector<int> outputInts;              // per output: 1 shown, 0 hidden
    std::vector<quoter::CBar> basicData;      // the input bars the formula ran over

    int barCount() const { return int(times.size()); }
    // Data vector of a column; null when the column is not mapped.
    const std::vector<double>* column(int col) const
    {
        auto it = columnMap.find(col);
        if (it == columnMap.end() || it->second < 0 || it->second >= int(values.size()))
            return nullptr;
        return &values[size_t(it->second)];
    }
};

} // namespace se
