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

void CFormulaFunctions::ref(const Vec& x, const Vec& n, Vec& out)
{
    const size_t size = x.size();
    out.assign(size, kNaN);
    for (size_t i = 0; i < size && i < n.size(); ++i) {
        long long k = 0;
        if (windowLength(n[i], k) && k <= static_cast<long long>(i))
            out[i] = x[i - size_t(k)];
    }
}

void CFormulaFunctions::sum(const Vec& x, double n, Vec& out)
{
    movingSum(x, n, false, out);
}

void CFormulaFunctions::movingSum(const Vec& x, double n, bool mean, Vec& out)
{
    const size_t size = x.size();
    out.assign(size, kNaN);
    long long len = 0;
    if (!windowLength(n, len) || (mean && len == 0))
        return;
    if (len == 0) {
        CCumulativeSumRun run;
        for (size_t i = 0; i < size; ++i)
            out[i] = run.step(x[i]);
        return;
    }
    // The exact running sum does not drift however long the series; a flat
    // window gives its value itself (a mean of equal values is that value).
    const double none = std::numeric_limits<double>::quiet_NaN();
    CMovingSumRun run;
    for (size_t i = 0; i < size; ++i)
        out[i] = run.step(x[i], i > 0 ? x[i - 1] : none, i >= size_t(len) ? x[i - size_t(len)] : none, len, mean);
}

void CFormulaFunctions::extreme(const Vec& x, double n, bool highest, bool barsSince, Vec& out)
{
    const size_t size = x.size();
    out.assign(size, kNaN);
    long long len = 0;
    if (!windowLength(n, len))
        return;
    // true when v replaces best; on ties the newer bar wins
    auto beats = [highest](double v, double best) { return highest ? v >= best : v <= best; };
    if (len == 0) {
        bool any = false;
        double best = 0.0;
        size_t at = 0;
        for (size_t i = 0; i < size; ++i) {
            if (std::isnan(x[i]))
                continue;
            if (!any || beats(x[i], best)) {
                best = x[i];
                at = i;
                any = true;
            }
            out[i] = barsSince ? double(i - at) : best;
        }
        return;
    }
    // monotonic deque of indices over the current valid stretch, kept in a
    // flat buffer: every index enters once, so head/tail only move forward
    std::vector<size_t> buf(size);
    size_t head = 0;
    size_t tail = 0;
    long long run = 0;
    for (size_t i = 0; i < size; ++i) {
        if (std::isnan(x[i])) {
            head = tail;
            run = 0;
            continue;
        }
        ++run;
        while (tail > head && beats(x[i], x[buf[tail - 1]]))
            --tail;
        buf[tail++] = i;
        if (i >= size_t(len) && buf[head] <= i - size_t(len))
            ++head;
        if (run >= len)
            out[i] = barsSince ? double(i - buf[head]) : x[buf[head]];
    }
}

void CFormulaFunctions::moments(const Vec& a, const Vec* b, double n, EMoment kind, Vec& out)
{
    const size_t size = b ? std::min(a.size(), b->size()) : a.size();
    out.assign(size, kNaN);
    long long len = 0;
    const long long least = CMomentsRun::least(static_cast<CMomentsRun::EKind>(kind));
    if (!windowLength(n, len) || len < least)
        return;
    auto bAt = [&](size_t i) { return b ? (*b)[i] : a[i]; };
    // Deviations from the stretch's first values, summed exactly: the
    // centred sums then equal a two-pass computation to the last bits.
    const double none = std::numeric_limits<double>::quiet_NaN();
    const auto k = static_cast<CMomentsRun::EKind>(kind);
    CMomentsRun run;
    for (size_t i = 0; i < size; ++i) {
        const bool back = i > 0;
        const bool old = i >= size_t(len);
        out[i] = run.step(a[i], bAt(i), back ? a[i - 1] : none, back ? bAt(i - 1) : none,
                          old ? a[i - size_t(len)] : none, old ? bAt(i - size_t(len)) : none, len, k, b != nullptr);
    }
}

void CFormulaFunctions::stddev(const Vec& x, double n, bool sample, Vec& out)
{
    moments(x, nullptr, n, sample ? EMoment::Sample : EMoment::Population, out);
}

void CFormulaFunctions::avedev(const Vec& x, double n, Vec& out)
{
    Vec mean;
    ma(x, n, mean);
    const size_t size = x.size();
    out.assign(size, kNaN);
    long long len = 0;
    if (!windowLength(n, len) || len == 0)
        return;
    for (size_t i = 0; i < size; ++i) {
        if (std::isnan(mean[i]))
            continue;
        double dev = 0.0;
        for (size_t j = i + 1 - size_t(len); j <= i; ++j)
            dev += std::fabs(x[j] - mean[i]);
        out[i] = dev / double(len);
    }
}

void CFormulaFunctions::slope(const Vec& x, double n, Vec& out)
{
    regression(x, n, false, out);
}

void CFormulaFunctions::forcast(const Vec& x, double n, Vec& out)
{
    regression(x, n, true, out);
}

void CFormulaFunctions::regression(const Vec& x, double n, bool value, Vec& out)
{
    const size_t size = x.size();
    out.assign(size, kNaN);
    long long len = 0;
    if (!windowLength(n, len) || len < 2)
        return;
    const double k = double(len);
    const double st = k * (k - 1.0) / 2.0; // sum of t = 0..k-1
    const double den = k * ((k - 1.0) * k * (2.0 * k - 1.0) / 6.0) - st * st;
    // s = sum of x, t = sum of (bar - first bar of the window) * x, both exact;
    // sliding one bar lowers every offset by one: t -= s - x_old
    CExactSum s;
    CExactSum t;
    long long run = 0;
    for (size_t i = 0; i < size; ++i) {
        if (std::isnan(x[i])) {
            run = 0;
            s.clear();
            t.clear();
            continue;
        }
        if (++run <= len) {
            t.addProduct(double(run - 1), x[i]);
            s.add(x[i]);
        } else {
            const double old = x[i - size_t(len)];
            t.add(s.negated());
            t.add(old);
            t.addProduct(k - 1.0, x[i]);
            s.add(-old);
            s.add(x[i]);
        }
        if (run < len)
            continue;
        CExactSum num = t.times(CExactSum(k, 0.0));
        num.add(s.times(CExactSum(-st, 0.0)));
        const double b = num.value() / den;
        // the line through the window's centre of mass, at the newest bar (t = k-1)
        out[i] = value ? s.quotient(k) + b * ((k - 1.0) - st / k) : b;
    }
}

void CFormulaFunctions::rank(const Vec& x, double n, bool highest, Vec& out)
{
    const size_t size = x.size();
    out.assign(size, kNaN);
    long long len = 0;
    if (!windowLength(n, len))
        return;
    // counts of the window's values by their order among all values (a
    // Fenwick tree): O(n log n) whatever the window
    std::vector<double> order;
    order.reserve(size);
    for (double v : x)
        if (!std::isnan(v))
            order.push_back(v);
    std::sort(order.begin(), order.end());
    order.erase(std::unique(order.begin(), order.end()), order.end());
    std::vector<long long> tree(order.size() + 1, 0);
    auto slot = [&](double v) {
        return size_t(std::lower_bound(order.begin(), order.end(), v) - order.begin()) + 1;
    };
    auto change = [&](double v, long long d) {
        for (size_t j = slot(v); j < tree.size(); j += j & (~j + 1))
            tree[j] += d;
    };
    auto upTo = [&](size_t j) { // values at slots 1..j
        long long c = 0;
        for (; j > 0; j -= j & (~j + 1))
            c += tree[j];
        return c;
    };
    size_t from = 0;    // oldest bar in the tree
    size_t skipped = 0; // bars without a value since `from` (N=0 only)
    for (size_t i = 0; i < size; ++i) {
        if (std::isnan(x[i])) {
            if (len == 0) {
                ++skipped; // N=0 ranks among every valid value so far
                continue;
            }
            for (; from < i; ++from)
                change(x[from], -1);
            from = i + 1;
            continue;
        }
        change(x[i], 1);
        if (len > 0 && i - from + 1 > size_t(len))
            change(x[from++], -1);
        const size_t held = i - from + 1 - skipped;
        if (len > 0 && held < size_t(len))
            continue;
        const size_t at = slot(x[i]);
        const long long better = highest ? (long long)held - upTo(at) : upTo(at - 1);
        out[i] = double(better + 1);
    }
}

void CFormulaFunctions::beta(const Vec& close, const Vec& indexClose, double n, Vec& out)
{
    const size_t size = std::min(close.size(), indexClose.size());
    Vec r(size, kNaN);
    Vec m(size, kNaN);
    for (size_t i = 1; i < size; ++i) {
        if (close[i - 1] != 0.0)
            r[i] = close[i] / close[i - 1] - 1.0;
        if (indexClose[i - 1] != 0.0)
            m[i] = indexClose[i] / indexClose[i - 1] - 1.0;
    }
    Vec cov;
    Vec var;
    moments(r, &m, n, EMoment::Covariance, cov);
    moments(m, nullptr, n, EMoment::PopVariance, var);
    out.assign(size, kNaN);
    for (size_t i = 0; i < size; ++i)
        out[i] = var[i] > 0.0 ? cov[i] / var[i] : kNaN;
}

} // namespace flang
} // namespace TC
