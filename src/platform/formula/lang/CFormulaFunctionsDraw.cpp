#include "platform/formula/lang/CFormulaFunctions.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace TC {
namespace flang {

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

bool holds(const std::vector<double>& c, size_t i)
{
    return i < c.size() && !std::isnan(c[i]) && c[i] != 0.0;
}

// The straight line through (a, va) and (b, vb) over bars from..to into out.
void fillLine(std::vector<double>& out, size_t a, double va, size_t b, double vb, size_t from, size_t to)
{
    const double step = (vb - va) / double(b - a);
    for (size_t i = from; i <= to && i < out.size(); ++i)
        out[i] = va + step * (double(i) - double(a));
}

} // namespace

void CFormulaFunctions::drawLine(const Vec& c1, const Vec& p1, const Vec& c2, const Vec& p2, double expand,
                                 Vec& first, Vec& second)
{
    const size_t size = std::min(std::min(c1.size(), p1.size()), std::min(c2.size(), p2.size()));
    first.assign(size, kNaN);
    second.assign(size, kNaN);
    struct Segment {
        size_t a;
        double va;
        size_t b;
        double vb;
    };
    std::vector<Segment> segments;
    bool pending = false;
    size_t start = 0;
    for (size_t i = 0; i < size; ++i) {
        // an end is looked for first, so one bar can end a segment and start the next
        if (pending && i > start && holds(c2, i) && !std::isnan(p2[i])) {
            segments.push_back({start, p1[start], i, p2[i]});
            pending = false;
        }
        if (holds(c1, i) && !std::isnan(p1[i])) {
            start = i;
            pending = true;
        }
    }
    // only 1, 10 and 11 mean anything; a huge value must not reach the int cast
    const int e = std::isfinite(expand) && std::fabs(expand) < 100 ? int(expand) : 0;
    const bool right = e == 1 || e == 11;
    const bool left = e == 10 || e == 11;
    for (size_t k = 0; k < segments.size(); ++k) {
        const Segment& s = segments[k];
        Vec& out = (k % 2 == 0) ? first : second;
        size_t from = s.a;
        size_t to = s.b;
        // extensions stop short of the neighbouring segments
        if (left)
            from = k == 0 ? 0 : std::min(s.a, segments[k - 1].b + 1);
        if (right && size > 0)
            to = k + 1 == segments.size() ? size - 1 : std::max(s.b, segments[k + 1].a - 1);
        fillLine(out, s.a, s.va, s.b, s.vb, from, to);
    }
}

void CFormulaFunctions::polyLine(const Vec& cond, const Vec& price, Vec& out)
{
    const size_t size = std::min(cond.size(), price.size());
    out.assign(size, kNaN);
    bool have = false;
    size_t prev = 0;
    for (size_t i = 0; i < size; ++i) {
        if (!holds(cond, i) || std::isnan(price[i]))
            continue;
        if (have)
            fillLine(out, prev, price[prev], i, price[i], prev, i);
        else
            out[i] = price[i];
        prev = i;
        have = true;
    }
}

} // namespace flang
} // namespace TC
