#pragma once

#include <string>
#include <vector>

namespace TC {

// One output of an engine run over the whole series, before the output
// window is cut: its drawing description and one value per bar and column.
struct CFormulaEngineOutput {
    std::string name;
    int style = -1;               // -1: not drawn
    unsigned color = 0xFFFFFFFFu; // the drawing library picks
    int width = 1;
    double param1 = 0.0;
    double param2 = 0.0;
    std::vector<std::string> columnNames;     // one per column
    std::vector<std::vector<double>> columns; // per column: one value per bar
    std::vector<std::string> texts;           // per bar, or empty
    std::vector<double> numbers;              // per bar, or empty
    std::vector<unsigned> barColors;          // per bar (0x00BBGGRR), or empty
};

} // namespace TC
