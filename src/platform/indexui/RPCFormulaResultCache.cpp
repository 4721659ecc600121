#include "platform/indexui/RPCFormulaResultCache.h"

#include <cfloat>
#include <utility>

namespace TC {

namespace {
const std::vector<int> kNoColumns;

// Only the outputs that keep per-bar entries (one per bar so far) take one.
template <typename T>
void appendEntries(std::vector<std::vector<T>>& perOutput, const std::vector<T>& instant, size_t barsBefore)
{
    for (size_t i = 0; i < perOutput.size() && i < instant.size(); ++i)
        if (perOutput[i].size() == barsBefore)
            perOutput[i].push_back(instant[i]);
}

template <typename T>
void coverEntries(std::vector<std::vector<T>>& perOutput, const std::vector<T>& instant)
{
    for (size_t i = 0; i < perOutput.size() && i < instant.size(); ++i)
        if (!perOutput[i].empty())
            perOutput[i].back() = instant[i];
}
} // namespace

RPCFormulaResultCache::RPCFormulaResultCache(const se::RPCFormulaMetaResult& m, const se::RPCFormulaResult& r)
    : meta(std::make_shared<se::RPCFormulaMetaResult>(m)), result(std::make_shared<se::RPCFormulaResult>(r))
{
}

RPCFormulaResultCache::RPCFormulaResultCache(se::RPCFormulaMetaResult&& m, se::RPCFormulaResult&& r)
    : meta(std::make_shared<se::RPCFormulaMetaResult>(std::move(m))),
      result(std::make_shared<se::RPCFormulaResult>(std::move(r)))
{
}

void RPCFormulaResultCache::detach()
{
    // Copies of a cache share their records; a write gets its own.
    if (result && result.use_count() > 1)
        result = std::make_shared<se::RPCFormulaResult>(*result);
}

const std::vector<int>& RPCFormulaResultCache::columnsOf(int output) const
{
    if (!meta || output < 0 || output >= int(meta->columns.size()))
        return kNoColumns;
    return meta->columns[size_t(output)];
}

const std::vector<double>* RPCFormulaResultCache::data(int output, int k) const
{
    const std::vector<int>& cols = columnsOf(output);
    if (!result || k < 0 || k >= int(cols.size()))
        return nullptr;
    return result->column(cols[size_t(k)]);
}

double RPCFormulaResultCache::value(int output, int bar, int k) const
{
    const std::vector<double>* v = data(output, k);
    if (!v || bar < 0 || bar >= int(v->size()))
        return DBL_MAX;
    return (*v)[size_t(bar)];
}

bool RPCFormulaResultCache::barValid(int bar) const
{
    if (!result || bar < 0 || bar >= int(result->barFlags.size()))
        return false;
    return result->barFlags[size_t(bar)] != 0;
}

qint64 RPCFormulaResultCache::barTimeMs(int bar) const
{
    if (!result || bar < 0 || bar >= result->barCount())
        return 0;
    return result->times[size_t(bar)].timeMs;
}

bool RPCFormulaResultCache::appendBar(const se::RPCFormulaInstantResult& instant)
{
    if (!result)
        return false;
    detach();
    se::RPCFormulaResult& r = *result;
    const size_t before = r.times.size();
    r.times.push_back(instant.time);
    for (size_t i = 0; i < r.values.size(); ++i)
        r.values[i].push_back(i < instant.values.size() ? instant.values[i] : DBL_MAX);
    appendEntries(r.texts, instant.texts, before);
    appendEntries(r.barColors, instant.barColors, before);
    appendEntries(r.numbers, instant.numbers, before);
    if (instant.hasBasic && r.basicData.size() == before)
        r.basicData.push_back(instant.basic);
    r.barFlags.push_back(1);
    return true;
}

bool RPCFormulaResultCache::coverLastBar(const se::RPCFormulaInstantResult& instant)
{
    if (!result || result->times.empty())
        return false;
    detach();
    se::RPCFormulaResult& r = *result;
    r.times.back() = instant.time;
    for (size_t i = 0; i < r.values.size() && i < instant.values.size(); ++i)
        if (!r.values[i].empty())
            r.values[i].back() = instant.values[i];
    coverEntries(r.texts, instant.texts);
    coverEntries(r.barColors, instant.barColors);
    coverEntries(r.numbers, instant.numbers);
    if (instant.hasBasic && r.basicData.size() == r.times.size())
        r.basicData.back() = instant.basic;
    if (r.barFlags.size() < r.times.size())
        r.barFlags.resize(r.times.size(), 1);
    r.barFlags.back() = 1;
    return true;
}

void RPCFormulaResultCache::appendPlaceholder(const se::RPCTimeItem& time)
{
    if (!result)
        return;
    detach();
    se::RPCFormulaResult& r = *result;
    r.times.push_back(time);
    for (auto& v : r.values)
        v.push_back(DBL_MAX);
    const size_t before = r.times.size() - 1;
    if (r.basicData.size() == before && before > 0) {
        quoter::CBar empty;
        empty.time = time.timeMs;
        r.basicData.push_back(empty);
    }
    for (auto& v : r.texts)
        if (v.size() == before && before > 0)
            v.emplace_back();
    for (auto& v : r.barColors)
        if (v.size() == before && before > 0)
            v.push_back(se::RPCFormulaMetaResult::kDefaultColor);
    for (auto& v : r.numbers)
        if (v.size() == before && before > 0)
            v.push_back(DBL_MAX);
    r.barFlags.push_back(0);
}

} // namespace TC
