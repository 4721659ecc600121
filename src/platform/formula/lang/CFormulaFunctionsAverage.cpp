#include "platform/formula/lang/CFormulaFunctions.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/formula/lang/CExactSum.h"
#include "platform/formula/lang/CFormulaRunning.h"

namespace TC {
namespace flang {

namespace {
const double kNaN = std::numeric_limits<double>::quiet_NaN();
} // namespace

bool CFormulaFunctions::windowLength(double n, long long& len)
{
    if (!(n >= 0.0) || n > 1e9)
        return false;
    const double r = std::round(n);
    // computed lengths such as M/2.5+1 may carry rounding noise
    if (std::fabs(n - r) > 1e-9)
        return false;
    len = static_cast<long long>(r);
    return true;
}

void CFormulaFunctions::ma(const Vec& x, double n, Vec& out)
{
    long long len = 0;
    if (!windowLength(n, len) || len == 0) {
        out.assign(x.size(), kNaN);
        return;
    }
    movingSum(x, n, true, out);
}

void CFormulaFunctions::ema(const Vec& x, double n, Vec& out)
{
    long long len = 0;
    if (!windowLength(n, len) || len == 0) {
        out.assign(x.size(), kNaN);
        return;
    }
    // EMA(X,N) = (2X + (N-1)Y')/(N+1) is SMA(X, N+1, 2).
    sma(x, double(len + 1), 2.0, out);
}

void CFormulaFunctions::sma(const Vec& x, double n, double m, Vec& out)
{
    const size_t size = x.size();
    out.assign(size, kNaN);
    long long len = 0;
    if (!windowLength(n, len) || len == 0 || !(m > 0.0) || m > double(len))
        return;
    const double k = double(len);
    CRecursiveRun run;
    for (size_t i = 0; i < size; ++i)
        out[i] = run.sma(x[i], k, m);
}

void CFormulaFunctions::wma(const Vec& x, double n, Vec& out)
{
    const size_t size = x.size();
    out.assign(size, kNaN);
    long long len = 0;
    if (!windowLength(n, len) || len == 0)
        return;
    const double k = double(len);
    const double weights = k * (k + 1.0) / 2.0;
    CExactSum plain;    // sum of the window
    CExactSum weighted; // sum of weight*value, newest weighs len
    long long run = 0;
    long long same = 0; // bars ending here equal to this one
    for (size_t i = 0; i < size; ++i) {
        if (std::isnan(x[i])) {
            run = same = 0;
            plain.clear();
            weighted.clear();
            continue;
        }
        same = (run > 0 && x[i] == x[i - 1]) ? same + 1 : 1;
        ++run;
        if (run <= len) {
            weighted.addProduct(double(run), x[i]);
            plain.add(x[i]);
        } else {
            // every older value loses one unit of weight, the oldest drops out
            weighted.addProduct(k, x[i]);
            weighted.add(plain.negated());
            plain.add(x[i]);
            plain.add(-x[i - size_t(len)]);
        }
        if (run >= len)
            out[i] = same >= len ? x[i] : weighted.quotient(weights);
    }
}

void CFormulaFunctions::dma(const Vec& x, const Vec& a, Vec& out)
{
    const size_t size = x.size();
    out.assign(size, kNaN);
    CRecursiveRun run;
    for (size_t i = 0; i < size && i < a.size(); ++i)
        out[i] = run.dma(x[i], a[i]);
}

void CFormulaFunctions::expmema(const Vec& x, double n, Vec& out)
{
    Vec seed;
    ma(x, n, seed);
    const size_t size = x.size();
    out.assign(size, kNaN);
    long long len = 0;
    if (!windowLength(n, len) || len == 0)
        return;
    const double k = double(len);
    bool seeded = false;
    double y = 0.0;
    for (size_t i = 0; i < size; ++i) {
        if (!seeded) {
            if (std::isnan(seed[i]))
                continue;
            y = seed[i];
            seeded = true;
        } else {
            if (std::isnan(x[i]))
                continue;
            y = (2.0 * x[i] + (k - 1.0) * y) / (k + 1.0);
        }
        out[i] = y;
    }
}

void CFormulaFunctions::mema(const Vec& x, double n, Vec& out)
{
    Vec seed;
    ma(x, n, seed);
    const size_t size = x.size();
    out.assign(size, kNaN);
    long long len = 0;
    if (!windowLength(n, len) || len == 0)
        return;
    const double k = double(len);
    bool seeded = false;
    double y = 0.0;
    for (size_t i = 0; i < size; ++i) {
        if (!seeded) {
            if (std::isnan(seed[i]))
                continue;
            y = seed[i];
            seeded = true;
        } else {
            if (std::isnan(x[i]))
                continue;
            y = (x[i] + (k - 1.0) * y) / k;
        }
        out[i] = y;
    }
}

void CFormulaFunctions::tma(const Vec& x, double a, double b, Vec& out)
{
    const size_t size = x.size();
    out.assign(size, kNaN);
    if (!std::isfinite(a) || !std::isfinite(b))
        return;
    bool seeded = false;
    double y = 0.0;
    for (size_t i = 0; i < size; ++i) {
        if (std::isnan(x[i]))
            continue;
        y = seeded ? a * y + b * x[i] : x[i];
        seeded = true;
        out[i] = y;
    }
}

void CFormulaFunctions::xma(const Vec& x, double n, Vec& out)
{
    const size_t size = x.size();
    out.assign(size, kNaN);
    long long len = 0;
    if (!windowLength(n, len) || len == 0 || size == 0)
        return;
    const long long before = len / 2;
    const long long after = len - 1 - before;
    // prefix sums (exact) and prefix NaN counts: any window is then O(1)
    std::vector<CExactSum> prefix(size + 1);
    std::vector<size_t> holes(size + 1, 0);
    for (size_t i = 0; i < size; ++i) {
        prefix[i + 1] = prefix[i];
        holes[i + 1] = holes[i];
        if (std::isnan(x[i]))
            ++holes[i + 1];
        else
            prefix[i + 1].add(x[i]);
    }
    const long long last = static_cast<long long>(size) - 1;
    for (long long i = 0; i <= last; ++i) {
        const size_t from = size_t(std::max(0LL, i - before));
        const size_t to = size_t(std::min(last, i + after)) + 1; // exclusive
        if (std::isnan(x[size_t(i)]) || holes[to] != holes[from])
            continue;
        CExactSum s = prefix[to];
        s.add(prefix[from].negated());
        out[size_t(i)] = s.quotient(double(to - from));
    }
}

} // namespace flang
} // namespace TC
