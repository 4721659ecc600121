#include "platform/formula/lang/CFormulaFunctions.h"
#include "platform/formula/lang/CFormulaRunning.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace TC {
namespace flang {

namespace {
const double kNaN = std::numeric_limits<double>::quiet_NaN();
} // namespace

void CFormulaFunctions::count(const Vec& x, double n, Vec& out)
{
    Vec flags(x.size());
    for (size_t i = 0; i < x.size(); ++i)
        flags[i] = std::isnan(x[i]) ? kNaN : (x[i] != 0.0 ? 1.0 : 0.0);
    sum(flags, n, out);
}

void CFormulaFunctions::every(const Vec& x, double n, bool all, Vec& out)
{
    count(x, n, out);
    long long len = 0;
    if (!windowLength(n, len))
        return;
    long long validSoFar = 0; // for N=0: bars since the first valid one
    for (size_t i = 0; i < out.size(); ++i) {
        if (!std::isnan(x[i]))
            ++validSoFar;
        if (std::isnan(out[i]))
            continue;
        const double need = len == 0 ? double(validSoFar) : double(len);
        out[i] = all ? (out[i] == need ? 1.0 : 0.0) : (out[i] > 0.0 ? 1.0 : 0.0);
    }
}

void CFormulaFunctions::cross(const Vec& a, const Vec& b, Vec& out)
{
    const size_t size = std::min(a.size(), b.size());
    out.assign(size, kNaN);
    for (size_t i = 1; i < size; ++i) {
        if (std::isnan(a[i]) || std::isnan(b[i]) || std::isnan(a[i - 1]) || std::isnan(b[i - 1]))
            continue;
        out[i] = (a[i - 1] < b[i - 1] && a[i] > b[i]) ? 1.0 : 0.0;
    }
}

void CFormulaFunctions::longCross(const Vec& a, const Vec& b, double n, Vec& out)
{
    const size_t size = std::min(a.size(), b.size());
    out.assign(size, kNaN);
    long long len = 0;
    if (!windowLength(n, len) || len == 0)
        return;
    long long below = 0; // bars in a row with A<B, ending at the previous bar
    bool valid = false;  // the previous bar had both values
    for (size_t i = 0; i < size; ++i) {
        if (std::isnan(a[i]) || std::isnan(b[i])) {
            below = 0;
            valid = false;
            continue;
        }
        if (valid && i >= size_t(len))
            out[i] = (below >= len && a[i] > b[i]) ? 1.0 : 0.0;
        below = a[i] < b[i] ? below + 1 : 0;
        valid = true;
    }
}

void CFormulaFunctions::lastHolds(const Vec& x, double from, double to, Vec& out)
{
    const size_t size = x.size();
    out.assign(size, kNaN);
    long long a = 0;
    long long b = 0;
    if (!windowLength(from, a) || !windowLength(to, b) || (a != 0 && a < b))
        return;
    // prefix counts of bars where X holds, and of bars with no value
    std::vector<long long> holds(size + 1, 0);
    std::vector<long long> holes(size + 1, 0);
    for (size_t i = 0; i < size; ++i) {
        holds[i + 1] = holds[i] + ((!std::isnan(x[i]) && x[i] != 0.0) ? 1 : 0);
        holes[i + 1] = holes[i] + (std::isnan(x[i]) ? 1 : 0);
    }
    for (size_t i = 0; i < size; ++i) {
        const long long bar = static_cast<long long>(i);
        const long long first = a == 0 ? 0 : bar - a;
        const long long last = bar - b;
        if (first < 0 || last < first)
            continue;
        const size_t f = size_t(first);
        const size_t e = size_t(last) + 1;
        if (holes[e] != holes[f])
            continue;
        out[i] = holds[e] - holds[f] == last - first + 1 ? 1.0 : 0.0;
    }
}

void CFormulaFunctions::backSet(const Vec& x, const Vec& n, Vec& out)
{
    const size_t size = std::min(x.size(), n.size());
    out.assign(size, kNaN);
    // from the newest bar back: `reach` is the oldest bar a later signal covers
    long long reach = std::numeric_limits<long long>::max();
    for (size_t k = size; k-- > 0;) {
        const long long bar = static_cast<long long>(k);
        long long len = 0;
        if (!std::isnan(x[k]) && x[k] != 0.0 && windowLength(n[k], len) && len > 0)
            reach = std::min(reach, bar - len + 1);
        if (bar >= reach)
            out[k] = 1.0;
        else if (!std::isnan(x[k]))
            out[k] = 0.0;
    }
}

void CFormulaFunctions::barsLast(const Vec& x, Vec& out)
{
    out.assign(x.size(), kNaN);
    bool seen = false;
    size_t last = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        if (!std::isnan(x[i]) && x[i] != 0.0) {
            last = i;
            seen = true;
        }
        if (seen)
            out[i] = double(i - last);
    }
}

void CFormulaFunctions::barsCount(const Vec& x, Vec& out)
{
    out.assign(x.size(), kNaN);
    const auto first = std::find_if(x.begin(), x.end(), [](double v) { return !std::isnan(v); });
    for (size_t i = size_t(first - x.begin()); i < x.size(); ++i)
        out[i] = double(i - size_t(first - x.begin()) + 1);
}

void CFormulaFunctions::filter(const Vec& x, double n, Vec& out)
{
    out.assign(x.size(), kNaN);
    long long len = 0;
    if (!windowLength(n, len))
        return;
    long long quietUntil = -1; // last bar of the suppression after a signal
    for (size_t i = 0; i < x.size(); ++i) {
        if (std::isnan(x[i]))
            continue;
        const long long bar = static_cast<long long>(i);
        if (bar <= quietUntil) {
            out[i] = 0.0;
        } else if (x[i] != 0.0) {
            out[i] = 1.0;
            quietUntil = bar + len;
        } else {
            out[i] = 0.0;
        }
    }
}

void CFormulaFunctions::valueWhen(const Vec& cond, const Vec& x, Vec& out)
{
    const size_t size = std::min(cond.size(), x.size());
    out.assign(size, kNaN);
    bool seen = false;
    double v = kNaN;
    for (size_t i = 0; i < size; ++i) {
        if (!std::isnan(cond[i]) && cond[i] != 0.0) {
            v = x[i];
            seen = true;
        }
        if (seen)
            out[i] = v;
    }
}

void CFormulaFunctions::sar(const Vec& high, const Vec& low, const Vec& close, double n, double step,
                            double maxStep, Vec& out)
{
    const size_t size = std::min(high.size(), std::min(low.size(), close.size()));
    out.assign(size, kNaN);
    long long len = 0;
    if (!windowLength(n, len) || !CSarRun::accepts(len, step, maxStep))
        return;
    const double s = step / 100.0;
    const double m = maxStep / 100.0;
    auto at = [](const Vec& v) { return [&v](long long j) { return v[size_t(j)]; }; };
    const auto h = at(high);
    const auto l = at(low);
    const auto c = at(close);
    CSarRun run;
    for (size_t i = 0; i < size; ++i)
        out[i] = run.step(static_cast<long long>(i), h, l, c, len, s, m);
}

} // namespace flang
} // namespace TC
