#pragma once

#include <functional>
#include <utility>
#include <vector>

#include <QString>
#include <QtGlobal>

namespace TC {
namespace flang {

// The market data a formula runs over: one contiguous array per field, one
// value per bar, oldest bar first. "No value" is the largest double (or NaN).
// An empty array means the field is not supplied: every bar of it has no value.
// A non-empty array must hold at least barCount values, otherwise the run fails.
// times (bar time tags, seconds) feed DATE, TIME and the like (no value
// without them). periodSec (PERIOD; -1 unknown), instrumentKey (BETA's
// index), reference (data of another instrument or period) and external
// (stored external series) are optional.
struct CFormulaInput;
// Fills `aligned` with the bars of instrument `key` (empty: the chart's own)
// at period `periodSec` (0: the chart's), one per chart bar: the latest bar
// at or before the chart bar's time, no value where there is none. False
// when there is no such data (an unknown instrument): no value everywhere.
using CFormulaReference = std::function<bool(const QString& key, qint64 periodSec, CFormulaInput& aligned)>;
// The points of the stored external series `name` (EXTDATA): (time ms,
// value) pairs in ascending time. False when there is no such series.
using CFormulaExternal = std::function<bool(const QString& name, std::vector<std::pair<qint64, double>>& points)>;

struct CFormulaInput {
    int barCount = 0;
    std::vector<double> open;
    std::vector<double> high;
    std::vector<double> low;
    std::vector<double> close;
    std::vector<double> volume;
    std::vector<double> amount;
    std::vector<qint64> times;
    qint64 periodSec = -1;
    QString instrumentKey;
    CFormulaReference reference;
    CFormulaExternal external;
};

// Data names of the language and what they read.
enum class EFormulaField { Open, High, Low, Close, Volume, Amount, IsUp, IsDown };

} // namespace flang
} // namespace TC
