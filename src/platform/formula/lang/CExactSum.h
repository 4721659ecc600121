#pragma once

#include <cmath>

namespace TC {
namespace flang {

// A running sum kept as an unevaluated pair hi + lo (double-double): every
// addition and product enters with its rounding error, so moving windows
// that add and remove values for 100 000 bars do not drift, and centred
// sums (sum of squares minus the squared sum over n) keep their precision
// where the plain formula cancels catastrophically.
class CExactSum
{
public:
    CExactSum() = default;
    CExactSum(double hi, double lo) : m_hi(hi), m_lo(lo) {}

    void clear() { m_hi = m_lo = 0.0; }
    double value() const { return m_hi + m_lo; }
    double hi() const { return m_hi; }
    double lo() const { return m_lo; }

    void add(double x)
    {
        // Knuth's two-sum: s + e == m_hi + x exactly
        const double s = m_hi + x;
        const double bp = s - m_hi;
        const double e = (m_hi - (s - bp)) + (x - bp);
        normalise(s, m_lo + e);
    }
    void add(const CExactSum& other)
    {
        add(other.m_hi);
        add(other.m_lo);
    }
    // adds a*b with the product's rounding error (fma gives it exactly)
    void addProduct(double a, double b)
    {
        const double p = a * b;
        add(p);
        add(std::fma(a, b, -p));
    }
    CExactSum negated() const { return CExactSum(-m_hi, -m_lo); }

    // this * other, to double-double precision
    CExactSum times(const CExactSum& other) const
    {
        const double p = m_hi * other.m_hi;
        const double e = std::fma(m_hi, other.m_hi, -p) + (m_hi * other.m_lo + m_lo * other.m_hi);
        CExactSum r;
        r.normalise(p, e);
        return r;
    }
    // this / k, to double-double precision
    CExactSum dividedBy(double k) const
    {
        const double q1 = m_hi / k;
        CExactSum r = *this;
        r.addProduct(-q1, k); // exact remainder
        const double q2 = r.value() / k;
        CExactSum q;
        q.normalise(q1, q2);
        return q;
    }

private:
    void normalise(double hi, double lo)
    {
        // two-sum again: lo may outweigh hi after a cancellation
        const double s = hi + lo;
        const double bp = s - hi;
        m_lo = (hi - (s - bp)) + (lo - bp);
        m_hi = s;
    }

    double m_hi = 0.0;
    double m_lo = 0.0;
};

} // namespace flang
} // namespace TC
