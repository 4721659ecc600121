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
        // Knuth's two-sum: s + e == m_hi + x exactly; the errors gather in
        // m_lo (their own rounding is of the order of eps^2 of the sum)
        const double s = m_hi + x;
        const double bp = s - m_hi;
        m_lo += (m_hi - (s - bp)) + (x - bp);
        m_hi = s;
    }
    void add(const CExactSum& other)
    {
        add(other.m_hi);
        add(other.m_lo);
    }
    // adds a*b with the product's rounding error
    void addProduct(double a, double b)
    {
        const double p = a * b;
        add(p);
        add(productError(a, b, p));
    }
    // a*b - p exactly, for p = a*b rounded: one fma where the CPU has it,
    // else Dekker's split (a library fma without hardware support is slow)
    static double productError(double a, double b, double p)
    {
#ifdef __FMA__
        return std::fma(a, b, -p);
#else
        const double split = 134217729.0; // 2^27 + 1
        const double ca = split * a;
        const double ah = ca - (ca - a);
        const double al = a - ah;
        const double cb = split * b;
        const double bh = cb - (cb - b);
        const double bl = b - bh;
        return ((ah * bh - p) + ah * bl + al * bh) + al * bl;
#endif
    }
    CExactSum negated() const
    {
        return CExactSum(-m_hi, -m_lo);
    }

    // this * other, to double-double precision
    CExactSum times(const CExactSum& other) const
    {
        const CExactSum a = normalised();
        const CExactSum b = other.normalised();
        const double p = a.m_hi * b.m_hi;
        const double e = productError(a.m_hi, b.m_hi, p) + (a.m_hi * b.m_lo + a.m_lo * b.m_hi);
        CExactSum r;
        r.normalise(p, e);
        return r;
    }
    // this / k, to double-double precision
    CExactSum dividedBy(double k) const
    {
        CExactSum r = normalised();
        const double q1 = r.m_hi / k;
        r.addProduct(-q1, k); // exact remainder
        const double q2 = r.value() / k;
        CExactSum q;
        q.normalise(q1, q2);
        return q;
    }
    // dividedBy(k).value() bit for bit, at a third less work: the remainder
    // hi - q1*k of the rounded quotient q1 is exact (the two-product gives
    // q1*k as p + e, and hi - p is exact since p is within a factor of two
    // of hi), so it needs no double-double sum of its own
    double quotient(double k) const
    {
        const CExactSum r = normalised();
        const double q1 = r.m_hi / k;
        const double p = q1 * k;
        const double rest = ((r.m_hi - p) - productError(q1, k, p)) + r.m_lo;
        return q1 + rest / k;
    }
    // The same with 1/k given, for a divisor used bar after bar: q1 may be an
    // ulp off the rounded quotient, which the exact remainder corrects, so
    // the result differs from quotient(k) at most in a rounding tie.
    double quotient(double k, double inverse) const
    {
        const CExactSum r = normalised();
        const double q1 = r.m_hi * inverse;
        const double p = q1 * k;
        const double rest = ((r.m_hi - p) - productError(q1, k, p)) + r.m_lo;
        return q1 + rest * inverse;
    }

private:
    // the same value with |lo| no more than half an ulp of hi
    CExactSum normalised() const
    {
        CExactSum r;
        r.normalise(m_hi, m_lo);
        return r;
    }
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
