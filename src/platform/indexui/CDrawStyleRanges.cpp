#include "platform/indexui/CDrawStyle.h"

#include <cfloat>
#include <cmath>

#include "platform/indexui/IndexBaseData.h"

namespace TC {

namespace {
// Widens top / bottom by the values of bars b..e that can be drawn (bars
// below `flagged` also need their flag); true when there was one. Without
// branches on the values: |v| < DBL_MAX is isValue and also false for NaN.
template <bool Flags, bool Scaled>
bool widen(const double* values, const int* flags, int b, int e, double scale, double& top, double& bottom)
{
    double hi = top;
    double lo = bottom;
    bool found = false;
    for (; b <= e; ++b) {
        double v = values[b];
        bool ok = std::fabs(v) < DBL_MAX;
        if (Scaled) {
            v *= scale;
            ok &= std::fabs(v) < DBL_MAX;
        }
        if (Flags)
            ok &= flags[b] != 0;
        const double up = ok ? v : -DBL_MAX;
        const double down = ok ? v : DBL_MAX;
        hi = up > hi ? up : hi;
        lo = down < lo ? down : lo;
        found |= ok;
    }
    top = hi;
    bottom = lo;
    return found;
}

// Widens [lo, hi] by the valid values of one column over bars b0..b1: every
// visible bar of every column of every pane, on each refresh.
void scanColumn(const RPCFormulaResultCache& cache, const std::vector<double>& col, int b0, int b1,
                double scale, bool& any, double& hi, double& lo)
{
    const int end = qMin(b1, int(col.size()) - 1);
    if (b0 > end)
        return;
    const double* values = col.data();
    const std::vector<int>& barFlags = cache.result->barFlags;
    const int* flags = barFlags.data();
    const int flaggedEnd = qMin(end, int(barFlags.size()) - 1); // bars past the flags count as valid
    double top = any ? hi : -DBL_MAX;
    double bottom = any ? lo : DBL_MAX;
    bool found = false;
    const bool scaled = scale != 1.0;
    if (b0 <= flaggedEnd)
        found |= scaled ? widen<true, true>(values, flags, b0, flaggedEnd, scale, top, bottom)
                        : widen<true, false>(values, flags, b0, flaggedEnd, scale, top, bottom);
    const int rest = qMax(b0, flaggedEnd + 1);
    if (rest <= end)
        found |= scaled ? widen<false, true>(values, flags, rest, end, scale, top, bottom)
                        : widen<false, false>(values, flags, rest, end, scale, top, bottom);
    if (!found)
        return;
    hi = top;
    lo = bottom;
    any = true;
}

bool clampWindow(const RPCFormulaResultCache& cache, int& from, int& to)
{
    if (!cache.isValid())
        return false;
    from = qMax(from, 0);
    to = qMin(to, cache.barCount() - 1);
    return from <= to;
}
} // namespace

bool CDrawStyle::calcMaxMin(double& max, double& min, int from, int to, const RPCFormulaResultCache& cache,
                            bool notTick, bool superposed, double scale, bool kLineOnly)
{
    if (!clampWindow(cache, from, to))
        return false;
    bool any = false;
    double hi = 0.0;
    double lo = 0.0;
    for (int o = 0; o < cache.outputCount(); ++o) {
        const int style = cache.styleCode(o);
        if (kLineOnly && style != 12)
            continue;
        if (!IndexBaseData::isNeedYAxis(cache, o, from, to))
            continue;
        const bool scaled = superposed && (style == 0 || style == 11 || style == 12) && isValue(scale);
        const int columns =
            notTick ? int(cache.columnsOf(o).size()) : qMin(1, int(cache.columnsOf(o).size()));
        for (int k = 0; k < columns; ++k)
            if (const std::vector<double>* col = cache.data(o, k))
                scanColumn(cache, *col, from, to, scaled ? scale : 1.0, any, hi, lo);
    }
    if (!any)
        return false;
    max = hi;
    min = lo;
    return true;
}

bool CDrawStyle::calcMaxMin(double& max, double& min, int from, int to, const RPCFormulaResultCache& cache,
                            int output)
{
    if (!clampWindow(cache, from, to))
        return false;
    bool any = false;
    double hi = 0.0;
    double lo = 0.0;
    const int columns = int(cache.columnsOf(output).size());
    for (int k = 0; k < columns; ++k)
        if (const std::vector<double>* col = cache.data(output, k))
            scanColumn(cache, *col, from, to, 1.0, any, hi, lo);
    if (!any)
        return false;
    max = hi;
    min = lo;
    return true;
}

} // namespace TC
