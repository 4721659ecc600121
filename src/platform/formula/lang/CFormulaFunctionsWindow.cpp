#include "platform/formula/lang/CFormulaFunctions.h"

#include <cmath>
#include <limits>

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
    const size_t size = x.size();
    out.assign(size, kNaN);
    long long len = 0;
    if (!windowLength(n, len))
        return;
    double s = 0.0;
    if (len == 0) {
        for (size_t i = 0; i < size; ++i) {
            if (std::isnan(x[i]))
                continue;
            s += x[i];
            out[i] = s;
        }
        return;
    }
    long long run = 0;
    for (size_t i = 0; i < size; ++i) {
        if (std::isnan(x[i])) {
            run = 0;
            s = 0.0;
            continue;
        }
        s += x[i];
        if (++run > len)
            s -= x[i - size_t(len)];
        if (run >= len)
            out[i] = s;
    }
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

void CFormulaFunctions::stddev(const Vec& x, double n, bool sample, Vec& out)
{
    const size_t size = x.size();
    out.assign(size, kNaN);
    long long len = 0;
    if (!windowLength(n, len) || len < (sample ? 2 : 1))
        return;
    const double k = double(len);
    // sums of deviations from the stretch's first value, to keep the
    // subtraction in the variance away from catastrophic cancellation
    double shift = 0.0;
    double s = 0.0;
    double ss = 0.0;
    long long run = 0;
    for (size_t i = 0; i < size; ++i) {
        if (std::isnan(x[i])) {
            run = 0;
            continue;
        }
        if (run == 0) {
            shift = x[i];
            s = ss = 0.0;
        }
        const double d = x[i] - shift;
        s += d;
        ss += d * d;
        if (++run > len) {
            const double o = x[i - size_t(len)] - shift;
            s -= o;
            ss -= o * o;
        }
        if (run > len && run % 4096 == 0) {
            // re-centre now and then so a long drifting series keeps its precision
            shift = x[i + 1 - size_t(len)];
            s = ss = 0.0;
            for (size_t j = i + 1 - size_t(len); j <= i; ++j) {
                const double e = x[j] - shift;
                s += e;
                ss += e * e;
            }
        }
        if (run >= len) {
            const double var = (ss - s * s / k) / (sample ? k - 1.0 : k);
            out[i] = var > 0.0 ? std::sqrt(var) : 0.0;
        }
    }
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
    Vec valid;
    ma(x, n, valid); // a value exactly where a full valid window exists
    const size_t size = x.size();
    out.assign(size, kNaN);
    long long len = 0;
    if (!windowLength(n, len) || len < 2)
        return;
    const double k = double(len);
    const double st = k * (k - 1.0) / 2.0;
    const double stt = (k - 1.0) * k * (2.0 * k - 1.0) / 6.0;
    for (size_t i = 0; i < size; ++i) {
        if (std::isnan(valid[i]))
            continue;
        double sy = 0.0;
        double sty = 0.0;
        const size_t first = i + 1 - size_t(len);
        for (size_t j = first; j <= i; ++j) {
            sy += x[j];
            sty += double(j - first) * x[j];
        }
        out[i] = (k * sty - st * sy) / (k * stt - st * st);
    }
}

} // namespace flang
} // namespace TC
