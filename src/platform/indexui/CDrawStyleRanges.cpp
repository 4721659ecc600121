#include "platform/indexui/CDrawStyle.h"

#include "platform/indexui/IndexBaseData.h"

namespace TC {

namespace {
// Widens [lo, hi] by the valid values of one column over bars b0..b1.
void scanColumn(const RPCFormulaResultCache& cache, const std::vector<double>& col, int b0, int b1,
                double scale, bool& any, double& hi, double& lo)
{
    const int end = qMin(b1, int(col.size()) - 1);
    for (int b = b0; b <= end; ++b) {
        const double raw = col[size_t(b)];
        if (!CDrawStyle::isValue(raw) || !CDrawStyle::isBarValid(cache, b))
            continue;
        const double v = raw * scale;
        if (!CDrawStyle::isValue(v))
            continue;
        if (!any) {
            hi = lo = v;
            any = true;
        } else if (v > hi) {
            hi = v;
        } else if (v < lo) {
            lo = v;
        }
    }
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
