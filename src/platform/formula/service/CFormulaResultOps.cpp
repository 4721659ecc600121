#include "platform/formula/service/CFormulaResultOps.h"

#include <algorithm>
#include <limits>

namespace TC {

namespace {

template <typename T>
void putPerOutput(std::vector<std::vector<T>>& perOutput, const std::vector<T>& entries, int oldBars,
                  bool append)
{
    for (size_t i = 0; i < perOutput.size() && i < entries.size(); ++i) {
        std::vector<T>& v = perOutput[i];
        if (int(v.size()) != oldBars || (v.empty() && !append))
            continue;
        if (append)
            v.push_back(entries[i]);
        else
            v.back() = entries[i];
    }
}

template <typename T> void cut(std::vector<T>& v, size_t n)
{
    if (v.size() > n)
        v.resize(n);
}

} // namespace

se::RPCFormulaInstantResult CFormulaResultOps::instantAt(const se::RPCFormulaResult& result, int bar)
{
    se::RPCFormulaInstantResult out;
    if (bar < 0 || bar >= result.barCount())
        return out;
    const size_t b = size_t(bar);
    out.time = result.times[b];
    if (b < result.basicData.size()) {
        out.basic = result.basicData[b];
        out.hasBasic = true;
    }
    for (const std::vector<double>& v : result.values)
        out.values.push_back(b < v.size() ? v[b] : std::numeric_limits<double>::max());
    const bool anyTexts = std::any_of(result.texts.begin(), result.texts.end(),
                                      [](const std::vector<std::string>& v) { return !v.empty(); });
    if (anyTexts) {
        for (const auto& v : result.texts)
            out.texts.push_back(b < v.size() ? v[b] : std::string());
    }
    const bool anyColors = std::any_of(result.barColors.begin(), result.barColors.end(),
                                       [](const std::vector<unsigned>& v) { return !v.empty(); });
    if (anyColors) {
        for (const auto& v : result.barColors)
            out.barColors.push_back(b < v.size() ? v[b] : 0u);
    }
    const bool anyNumbers = std::any_of(result.numbers.begin(), result.numbers.end(),
                                        [](const std::vector<double>& v) { return !v.empty(); });
    if (anyNumbers) {
        for (const auto& v : result.numbers)
            out.numbers.push_back(b < v.size() ? v[b] : std::numeric_limits<double>::max());
    }
    return out;
}

bool CFormulaResultOps::apply(se::RPCFormulaResult& result, int dataType,
                              const se::RPCFormulaInstantResult& instant)
{
    const int bars = result.barCount();
    if (dataType == kAppend) {
        result.times.push_back(instant.time);
        for (size_t i = 0; i < result.values.size(); ++i) {
            result.values[i].push_back(i < instant.values.size() ? instant.values[i]
                                                                 : std::numeric_limits<double>::max());
        }
        putPerOutput(result.texts, instant.texts, bars, true);
        putPerOutput(result.barColors, instant.barColors, bars, true);
        putPerOutput(result.numbers, instant.numbers, bars, true);
        if (int(result.barFlags.size()) == bars)
            result.barFlags.push_back(1);
        if (instant.hasBasic && int(result.basicData.size()) == bars)
            result.basicData.push_back(instant.basic);
        return true;
    }
    if (dataType != kCover || bars == 0)
        return false;
    result.times.back() = instant.time;
    for (size_t i = 0; i < result.values.size() && i < instant.values.size(); ++i) {
        if (int(result.values[i].size()) == bars)
            result.values[i].back() = instant.values[i];
    }
    putPerOutput(result.texts, instant.texts, bars, false);
    putPerOutput(result.barColors, instant.barColors, bars, false);
    putPerOutput(result.numbers, instant.numbers, bars, false);
    if (int(result.barFlags.size()) == bars)
        result.barFlags.back() = 1;
    if (instant.hasBasic && int(result.basicData.size()) == bars)
        result.basicData.back() = instant.basic;
    return true;
}

void CFormulaResultOps::truncate(se::RPCFormulaResult& result, int bars)
{
    const size_t n = size_t(std::max(0, bars));
    cut(result.times, n);
    for (auto& v : result.values)
        cut(v, n);
    for (auto& v : result.texts)
        cut(v, n);
    for (auto& v : result.barColors)
        cut(v, n);
    for (auto& v : result.numbers)
        cut(v, n);
    cut(result.barFlags, n);
    cut(result.basicData, n);
}

} // namespace TC
