#include "platform/formula/lang/CFormulaFunctions.h"

#include <cmath>
#include <limits>

namespace TC {
namespace flang {

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Turning points of the zigzag over the valid bars of x: the first valid bar,
// every confirmed extreme, the last valid bar. A move counts once it reaches
// `percent` of the running extreme.
std::vector<size_t> pivots(const std::vector<double>& x, double percent)
{
    std::vector<size_t> out;
    if (!(percent > 0.0) || !std::isfinite(percent))
        return out;
    const double f = percent / 100.0;
    int trend = 0; // 1 rising, -1 falling, 0 not known yet
    size_t extreme = 0;
    size_t last = 0;
    bool any = false;
    for (size_t i = 0; i < x.size(); ++i) {
        const double v = x[i];
        if (std::isnan(v))
            continue;
        last = i;
        if (!any) {
            out.push_back(i);
            extreme = i;
            any = true;
            continue;
        }
        const double e = x[extreme];
        if (trend == 0) {
            const double s = x[out.front()];
            if (v >= s + std::fabs(s) * f) {
                trend = 1;
                extreme = i;
            } else if (v <= s - std::fabs(s) * f) {
                trend = -1;
                extreme = i;
            }
        } else if (trend > 0) {
            if (v > e) {
                extreme = i;
            } else if (v <= e - std::fabs(e) * f) {
                out.push_back(extreme);
                trend = -1;
                extreme = i;
            }
        } else {
            if (v < e) {
                extreme = i;
            } else if (v >= e + std::fabs(e) * f) {
                out.push_back(extreme);
                trend = 1;
                extreme = i;
            }
        }
    }
    if (!any)
        return out;
    if (trend != 0 && extreme != out.back())
        out.push_back(extreme);
    if (last != out.back())
        out.push_back(last);
    return out;
}

} // namespace

void CFormulaFunctions::zig(const Vec& x, double percent, Vec& out)
{
    out.assign(x.size(), kNaN);
    const std::vector<size_t> p = pivots(x, percent);
    if (p.empty())
        return;
    out[p.front()] = x[p.front()];
    for (size_t k = 1; k < p.size(); ++k) {
        const size_t a = p[k - 1];
        const size_t b = p[k];
        const double step = (x[b] - x[a]) / double(b - a);
        for (size_t i = a + 1; i < b; ++i) {
            if (!std::isnan(x[i]))
                out[i] = x[a] + step * double(i - a);
        }
        out[b] = x[b];
    }
}

void CFormulaFunctions::peakTrough(const Vec& x, double percent, double m, bool peak, Vec& out)
{
    out.assign(x.size(), kNaN);
    long long nth = 0;
    if (!windowLength(m, nth) || nth < 1)
        return;
    const std::vector<size_t> p = pivots(x, percent);
    // inner turning points of the wanted kind, oldest first
    std::vector<size_t> turns;
    for (size_t k = 1; k + 1 < p.size(); ++k) {
        const double v = x[p[k]];
        const bool high = v > x[p[k - 1]] && v > x[p[k + 1]];
        const bool low = v < x[p[k - 1]] && v < x[p[k + 1]];
        if (peak ? high : low)
            turns.push_back(p[k]);
    }
    size_t seen = 0; // turning points at or before bar i
    for (size_t i = 0; i < x.size(); ++i) {
        while (seen < turns.size() && turns[seen] <= i)
            ++seen;
        if (seen >= size_t(nth))
            out[i] = x[turns[seen - size_t(nth)]];
    }
}

} // namespace flang
} // namespace TC
