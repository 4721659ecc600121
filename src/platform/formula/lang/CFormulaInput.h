#pragma once

#include <vector>

#include <QtGlobal>

namespace TC {
namespace flang {

// The market data a formula runs over: one contiguous array per field, one
// value per bar, oldest bar first. "No value" is the largest double (or NaN).
// An empty array means the field is not supplied: every bar of it has no value.
// A non-empty array must hold at least barCount values, otherwise the run fails.
// times (bar time tags) is optional and only carried along for callers.
struct CFormulaInput {
    int barCount = 0;
    std::vector<double> open;
    std::vector<double> high;
    std::vector<double> low;
    std::vector<double> close;
    std::vector<double> volume;
    std::vector<double> amount;
    std::vector<qint64> times;
};

// Data names of the language and what they read.
enum class EFormulaField { Open, High, Low, Close, Volume, Amount, IsUp, IsDown };

} // namespace flang
} // namespace TC
