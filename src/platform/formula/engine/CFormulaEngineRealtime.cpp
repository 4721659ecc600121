#include <algorithm>

#include "platform/config/QLLog.h"
#include "platform/formula/catalog/CFormulaDetail.h"
#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/formula/engine/CFormulaEngineRun.h"

namespace TC {

namespace {

void setError(QString* error, const QString& message)
{
    if (error)
        *error = message;
}

} // namespace

bool CFormulaEngine::computeTail(const CFormulaParam& p, const se::RPCFormulaResult& previous,
                                 std::vector<std::pair<int, se::RPCFormulaInstantResult>>& updates,
                                 QString* error)
{
    updates.clear();
    boost::shared_ptr<CFormulaDetail> detail;
    CFormulaEngineRun r;
    int first = 0;
    int last = -1;
    // Recomputing the whole series is what keeps the tail equal to a fresh
    // history: recursive averages and SAR depend on every earlier bar.
    if (!prepare(p, detail, r, first, last, error))
        return false;
    if (previous.times.empty()) {
        for (int i = first; i <= last; ++i)
            updates.emplace_back(kAppend, instantAt(r, i));
        return true;
    }
    const int columns = r.columnCount();
    if (int(previous.values.size()) != columns) {
        setError(error, QStringLiteral("previous result has %1 data vectors, the formula %2")
                            .arg(previous.values.size())
                            .arg(columns));
        return false;
    }

    // Ticks may share a millisecond: the previous last bar is the k-th bar of
    // its time, k counted from the previous result's own tail.
    const qint64 lastMs = previous.times.back().timeMs;
    int sameTime = 0;
    for (auto it = previous.times.crbegin(); it != previous.times.crend() && it->timeMs == lastMs; ++it)
        ++sameTime;
    const auto lo = std::lower_bound(r.times.cbegin(), r.times.cend(), lastMs,
                                     [](const se::RPCTimeItem& a, qint64 v) { return a.timeMs < v; });
    const auto hi = std::upper_bound(lo, r.times.cend(), lastMs,
                                     [](qint64 v, const se::RPCTimeItem& a) { return v < a.timeMs; });
    if (hi - lo < sameTime) {
        setError(error, QStringLiteral("the bar at %1 ms is no longer in the series").arg(lastMs));
        return false;
    }
    const int j = int(lo - r.times.cbegin()) + sameTime - 1;

    se::RPCFormulaInstantResult now = instantAt(r, j);
    bool changed = now.time.tradeDayMs != previous.times.back().tradeDayMs;
    for (int c = 0; c < columns && !changed; ++c) {
        const std::vector<double>& v = previous.values[size_t(c)];
        changed = v.empty() || v.back() != now.values[size_t(c)];
    }
    for (size_t o = 0; o < now.texts.size() && !changed; ++o) {
        const auto& t = o < previous.texts.size() ? previous.texts[o] : std::vector<std::string>();
        changed = !t.empty() && t.back() != now.texts[o];
    }
    for (size_t o = 0; o < now.numbers.size() && !changed; ++o) {
        const auto& t = o < previous.numbers.size() ? previous.numbers[o] : std::vector<double>();
        changed = !t.empty() && t.back() != now.numbers[o];
    }
    for (size_t o = 0; o < now.barColors.size() && !changed; ++o) {
        const auto& t = o < previous.barColors.size() ? previous.barColors[o] : std::vector<unsigned>();
        changed = !t.empty() && t.back() != now.barColors[o];
    }
    if (changed && j <= last)
        updates.emplace_back(kCover, std::move(now));
    for (int i = std::max(j + 1, first); i <= last; ++i)
        updates.emplace_back(kAppend, instantAt(r, i));
    return true;
}

} // namespace TC
