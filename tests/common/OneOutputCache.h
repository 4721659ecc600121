#pragma once
// A formula result of one output over given columns, for drawing-style tests:
// daily bar times, every bar valid, no texts or numbers.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/indexui/RPCFormulaResultCache.h"

namespace ktest {

struct OneOutput {
    // Column names: "OUT" for all, or "OUT0", "OUT1", ... when numbered.
    bool numberedNames = false;
    std::vector<unsigned> barColors;
    // Input bars (open, close), which volume reads its colour from.
    std::vector<std::pair<double, double>> input;
};

inline TC::RPCFormulaResultCache oneOutputCache(int style, const std::vector<std::vector<double>>& columns,
                                                const OneOutput& extra = {})
{
    se::RPCFormulaMetaResult meta;
    se::RPCFormulaResult result;
    meta.names = {"OUT"};
    meta.styles = {style};
    meta.colors = {se::RPCFormulaMetaResult::kDefaultColor};
    meta.widths = {1};
    meta.params1 = {0.0};
    meta.params2 = {0.0};
    meta.decimals = {-1};
    std::vector<int> cols;
    std::vector<std::string> names;
    for (size_t c = 0; c < columns.size(); ++c) {
        result.columnMap[int(c)] = int(c);
        result.values.push_back(columns[c]);
        cols.push_back(int(c));
        names.push_back(extra.numberedNames ? "OUT" + std::to_string(c) : std::string("OUT"));
    }
    meta.columns = {cols};
    meta.nameGroups = {names};
    result.texts.emplace_back();
    result.barColors.push_back(extra.barColors);
    result.numbers.emplace_back();
    const size_t bars = columns.empty() ? 0 : columns[0].size();
    for (size_t i = 0; i < bars; ++i)
        result.times.push_back({qint64(i) * 86400000, qint64(i) * 86400000});
    for (const auto& oc : extra.input) {
        quoter::CBar b;
        b.open = oc.first;
        b.close = oc.second;
        b.high = std::max(oc.first, oc.second);
        b.low = std::min(oc.first, oc.second);
        result.basicData.push_back(b);
    }
    result.barFlags.assign(bars, 1);
    return TC::RPCFormulaResultCache(meta, result);
}

} // namespace ktest
