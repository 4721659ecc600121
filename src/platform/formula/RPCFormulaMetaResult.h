#pragma once

#include <string>
#include <vector>

#include <QtGlobal>

namespace se {

// Description of a formula's outputs, parallel vectors indexed by output.
//
// An output draws the data vectors named by its column numbers (through the
// result's column map): one column for a line, four (open, high, low, close)
// for a K-line, two for a stick between two prices. Output i has a style code
// when i < styles.size() and styles[i] >= 0; an output without one is not
// drawn (its values still show in titles).
struct RPCFormulaMetaResult {
    static constexpr unsigned kDefaultColor = 0xFFFFFFFFu; // the drawing library picks

    std::string formulaName;
    std::string stockKey;
    std::string requestId;
    qint64 periodMs = 0;

    std::vector<std::string> names;          // output names ("DIF", "KLINE", "成交量")
    std::vector<int> styles;                 // style code per output (-1: none)
    std::vector<unsigned> colors;            // 0x00BBGGRR per output, kDefaultColor for the theme's
    std::vector<int> widths;                 // line width per output (1..9)
    std::vector<std::vector<int>> columns;   // column numbers per output
    std::vector<int> outputInts;             // per-output switch: 1 the colour vector's entry is forced
                                             // (superposed instruments), 0 free
    std::vector<double> params1, params2;    // drawing parameters per output (icon number, stick
                                             // width, hollow flag ...)
    // Output names in groups: the names of one output's columns, in column
    // order. The first group of "KLINE" is {"OPEN", "HIGH", "LOW", "CLOSE"}.
    std::vector<std::vector<std::string>> nameGroups;
    std::vector<int> decimals; // decimals per output, -1 unset

    int outputCount() const { return int(names.size()); }
    bool hasStyle(int i) const { return i >= 0 && i < int(styles.size()) && styles[size_t(i)] >= 0; }
    int style(int i) const { return hasStyle(i) ? styles[size_t(i)] : -1; }
};

} // namespace se
