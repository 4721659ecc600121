#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/formula/lang/CExactSum.h"

namespace TC {
namespace flang {

// The running state of the library's recursive and moving-sum functions,
// advanced one bar at a time. CFormulaFunctions runs its loops through these,
// and the live evaluator keeps a copy of each state from before the newest
// bar, so a tail continued from that copy gives bit for bit what a run over
// the whole series gives. The caller hands in the neighbouring values a step
// reads (the previous bar's, the one leaving the window); they are only read
// where the current valid stretch holds them.

// MA / SUM / COUNT over len > 0 bars: an exact sum of the current stretch.
struct CMovingSumRun {
    CExactSum s;
    long long run = 0;
    long long same = 0; // bars ending here equal to this one
    // 1/len for the mean, kept: a division per bar is most of a long MA
    long long inverted = 0;
    double inverse = 0.0;

    double step(double x, double prev, double old, long long len, bool mean)
    {
        if (std::isnan(x)) {
            run = same = 0;
            s.clear();
            return std::numeric_limits<double>::quiet_NaN();
        }
        same = (run > 0 && x == prev) ? same + 1 : 1;
        s.add(x);
        if (++run > len)
            s.add(-old);
        if (run < len)
            return std::numeric_limits<double>::quiet_NaN();
        // a flat window gives its value itself
        if (same >= len)
            return mean ? x : x * double(len);
        if (!mean)
            return s.value();
        if (inverted != len) {
            inverted = len;
            inverse = 1.0 / double(len);
        }
        return s.quotient(double(len), inverse);
    }
};

// SUM(X,0): cumulative since the first valid bar.
struct CCumulativeSumRun {
    CExactSum s;

    double step(double x)
    {
        if (std::isnan(x))
            return std::numeric_limits<double>::quiet_NaN();
        s.add(x);
        return s.value();
    }
};

// SMA (and EMA as SMA(X,N+1,2)) and DMA: seeded with the first valid value.
struct CRecursiveRun {
    bool seeded = false;
    double y = 0.0;

    double sma(double x, double k, double m)
    {
        if (std::isnan(x))
            return std::numeric_limits<double>::quiet_NaN();
        y = seeded ? (m * x + (k - m) * y) / k : x;
        seeded = true;
        return y;
    }
    double dma(double x, double a)
    {
        if (std::isnan(x))
            return std::numeric_limits<double>::quiet_NaN();
        if (!seeded) {
            y = x;
            seeded = true;
            return y;
        }
        if (!(a > 0.0 && a <= 1.0))
            return std::numeric_limits<double>::quiet_NaN();
        y = a * x + (1.0 - a) * y;
        return y;
    }
};

// Second moments of a (and b) over len bars, from deviations of the
// stretch's first values (see CFormulaFunctions::moments).
struct CMomentsRun {
    enum class EKind { DevSq, Sample, Population, Variance, PopVariance, Covariance, Correlation };

    double shiftA = 0.0;
    double shiftB = 0.0;
    CExactSum sa, sb, saa, sbb, sab;
    long long run = 0;
    long long sameA = 0;
    long long sameB = 0;

    static long long least(EKind kind) { return (kind == EKind::Sample || kind == EKind::Variance) ? 2 : 1; }

    // two: b is a series of its own (else b == a and its sums are a's)
    double step(double a, double b, double aPrev, double bPrev, double aOld, double bOld, long long len,
                EKind kind, bool two)
    {
        const double none = std::numeric_limits<double>::quiet_NaN();
        if (std::isnan(a) || std::isnan(b)) {
            run = 0;
            return none;
        }
        if (run == 0) {
            shiftA = a;
            shiftB = b;
            sa.clear();
            sb.clear();
            saa.clear();
            sbb.clear();
            sab.clear();
            sameA = sameB = 0;
        }
        sameA = (run > 0 && a == aPrev) ? sameA + 1 : 1;
        sameB = (run > 0 && b == bPrev) ? sameB + 1 : 1;
        put(a - shiftA, b - shiftB, 1.0, two);
        if (++run > len)
            put(aOld - shiftA, bOld - shiftB, -1.0, two);
        if (run < len)
            return none;
        const double k = double(len);
        const CExactSum& sB = two ? sb : sa;
        const CExactSum& sBB = two ? sbb : saa;
        const CExactSum& sAB = two ? sab : saa;
        const bool flatA = sameA >= len;
        const bool flatB = sameB >= len;
        // rounding may leave a sum of squares a hair below 0
        const double devA = flatA ? 0.0 : std::max(0.0, centred(saa, sa, sa, k));
        switch (kind) {
        case EKind::DevSq:
            return devA;
        case EKind::Sample:
            return std::sqrt(devA / (k - 1.0));
        case EKind::Population:
            return std::sqrt(devA / k);
        case EKind::Variance:
            return devA / (k - 1.0);
        case EKind::PopVariance:
            return devA / k;
        case EKind::Covariance:
            return (flatA || flatB) ? 0.0 : centred(sAB, sa, sB, k) / k;
        case EKind::Correlation: {
            // no value for a flat side: the correlation divides by its deviation
            const double devB = flatB ? 0.0 : std::max(0.0, centred(sBB, sB, sB, k));
            const double den = std::sqrt(devA) * std::sqrt(devB);
            return den > 0.0 ? std::min(1.0, std::max(-1.0, centred(sAB, sa, sB, k) / den)) : none;
        }
        }
        return none;
    }

private:
    void put(double da, double db, double sign, bool two)
    {
        sa.add(sign * da);
        saa.addProduct(sign * da, da);
        if (!two)
            return; // one series: its own sums stand for the second
        sb.add(sign * db);
        sbb.addProduct(sign * db, db);
        sab.addProduct(sign * da, db);
    }
    // sum of products of deviations from the window's means: Sxy - Sx*Sy/k
    static double centred(const CExactSum& sxy, const CExactSum& sx, const CExactSum& sy, double k)
    {
        CExactSum r = sxy;
        r.add(sx.times(sy).dividedBy(k).negated());
        return r.value();
    }
};

// Parabolic SAR (see CFormulaFunctions::sar). Bars read: this one, and at
// the first value the len bars ending here (through the accessors).
struct CSarRun {
    bool started = false;
    long long run = 0;
    bool up = false;
    double value = 0.0;
    double ep = 0.0;
    double af = 0.0;
    double highP1 = 0.0, lowP1 = 0.0; // the last valid bar before this one
    double highP2 = 0.0, lowP2 = 0.0; // and the one before it
    bool hasP2 = false;

    static bool accepts(long long len, double step, double maxStep)
    {
        return len > 0 && step > 0.0 && maxStep >= step && std::isfinite(maxStep);
    }

    // high(j), low(j), close(j): the values of bar j, read for j in (i - len, i]
    template <typename At>
    double step(long long i, const At& high, const At& low, const At& close, long long len, double s,
                double m)
    {
        const double none = std::numeric_limits<double>::quiet_NaN();
        const double h = high(i);
        const double l = low(i);
        const bool valid = !std::isnan(h) && !std::isnan(l) && !std::isnan(close(i));
        if (!started) {
            run = valid ? run + 1 : 0;
            if (run < len)
                return none;
            // the first bar that closes a window of len valid bars
            const long long first = i + 1 - len;
            double hi = high(first);
            double lo = low(first);
            for (long long j = first + 1; j <= i; ++j) {
                hi = std::max(hi, high(j));
                lo = std::min(lo, low(j));
            }
            up = close(i) >= close(first);
            value = up ? lo : hi;
            ep = up ? hi : lo;
            af = s;
            started = true;
            hasP2 = len >= 2;
            if (hasP2) {
                highP2 = high(i - 1);
                lowP2 = low(i - 1);
            }
            highP1 = h;
            lowP1 = l;
            return value;
        }
        if (!valid)
            return none;
        double next = value + af * (ep - value);
        if (up) {
            next = std::min(next, lowP1);
            if (hasP2)
                next = std::min(next, lowP2);
            if (l < next) {
                // the new stop is the old extreme, but not inside this bar's
                // or the previous bar's range
                up = false;
                next = std::max(ep, std::max(h, highP1));
                ep = l;
                af = s;
            } else if (h > ep) {
                ep = h;
                af = std::min(af + s, m);
            }
        } else {
            next = std::max(next, highP1);
            if (hasP2)
                next = std::max(next, highP2);
            if (h > next) {
                up = true;
                next = std::min(ep, std::min(l, lowP1));
                ep = h;
                af = s;
            } else if (l < ep) {
                ep = l;
                af = std::min(af + s, m);
            }
        }
        value = next;
        highP2 = highP1;
        lowP2 = lowP1;
        hasP2 = true;
        highP1 = h;
        lowP1 = l;
        return value;
    }
};

} // namespace flang
} // namespace TC
