#include "platform/formula/lang/CFormulaFunctions.h"

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
    if (!windowLength(n, len) || len == 0 || !(step > 0.0) || !(maxStep >= step) || !std::isfinite(maxStep))
        return;
    const double s = step / 100.0;
    const double m = maxStep / 100.0;
    auto valid = [&](size_t i) {
        return !std::isnan(high[i]) && !std::isnan(low[i]) && !std::isnan(close[i]);
    };

    // first bar that closes a window of len valid bars
    size_t start = size;
    long long run = 0;
    for (size_t i = 0; i < size; ++i) {
        run = valid(i) ? run + 1 : 0;
        if (run >= len) {
            start = i;
            break;
        }
    }
    if (start >= size)
        return;

    const size_t first = start + 1 - size_t(len);
    double hi = high[first];
    double lo = low[first];
    for (size_t j = first + 1; j <= start; ++j) {
        hi = std::max(hi, high[j]);
        lo = std::min(lo, low[j]);
    }
    bool up = close[start] >= close[first];
    double value = up ? lo : hi;
    double ep = up ? hi : lo;
    double af = s;
    out[start] = value;
    long long prev1 = static_cast<long long>(start); // the last two valid bars before the current one
    long long prev2 = len >= 2 ? prev1 - 1 : -1;

    for (size_t i = start + 1; i < size; ++i) {
        if (!valid(i))
            continue;
        double next = value + af * (ep - value);
        if (up) {
            next = std::min(next, low[size_t(prev1)]);
            if (prev2 >= 0)
                next = std::min(next, low[size_t(prev2)]);
            if (low[i] < next) {
                // the new stop is the old extreme, but not inside this bar's
                // or the previous bar's range
                up = false;
                next = std::max(ep, std::max(high[i], high[size_t(prev1)]));
                ep = low[i];
                af = s;
            } else if (high[i] > ep) {
                ep = high[i];
                af = std::min(af + s, m);
            }
        } else {
            next = std::max(next, high[size_t(prev1)]);
            if (prev2 >= 0)
                next = std::max(next, high[size_t(prev2)]);
            if (high[i] > next) {
                up = true;
                next = std::min(ep, std::min(low[i], low[size_t(prev1)]));
                ep = high[i];
                af = s;
            } else if (low[i] < ep) {
                ep = low[i];
                af = std::min(af + s, m);
            }
        }
        value = next;
        out[i] = value;
        prev2 = prev1;
        prev1 = static_cast<long long>(i);
    }
}

} // namespace flang
} // namespace TC
