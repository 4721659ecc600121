#pragma once

#include <vector>

namespace TC {
namespace flang {

// The function library, vectorised: each call fills a whole output array in
// O(n) (AVEDEV and SLOPE in O(n*N)). Inside the library "no value" is NaN;
// any NaN input at a bar gives NaN at that bar, and a window that reaches a
// NaN (or reaches before the first bar) gives NaN: a partial window never
// yields a value. A window length N must be a non-negative integer; a
// negative, non-integer, NaN or zero-where-not-allowed N gives NaN everywhere.
// Recursive averages (EMA, SMA, DMA, EXPMEMA) skip a NaN bar: it reports NaN
// and the running state carries over to the next valid bar.
//
//   MA(X,N)        simple mean of the last N values.
//   EMA(X,N)       Y=(2X+(N-1)Y')/(N+1), seeded with X at the first valid bar.
//   SMA(X,N,M)     Y=(M*X+(N-M)Y')/N, seeded with X; needs N>0 and 0<M<=N.
//   WMA(X,N)       weights 1..N, the newest value weighs N.
//   DMA(X,A)       Y=A*X+(1-A)Y', A per bar in (0,1], seeded with X.
//   EXPMEMA(X,N)   EMA seeded with MA(X,N) at its first value; nothing before.
//   REF(X,N)       X N bars ago; N may vary per bar; before the first bar: NaN.
//   HHV/LLV(X,N)   highest/lowest of the last N; N=0: since the first valid bar.
//   HHVBARS/LLVBARS(X,N) bars since that extreme (the newest one on ties).
//   SUM(X,N)       sum of the last N; N=0: cumulative since the first valid bar.
//   STD/STDP(X,N)  sample (N-1) / population standard deviation.
//   AVEDEV(X,N)    mean absolute deviation from the window's mean.
//   COUNT(X,N)     bars with X<>0 among the last N; N=0: since the first valid bar.
//   EVERY/EXIST(X,N) X<>0 on every / on some bar of the last N (N=0: since first).
//   CROSS(A,B)     1 where A<=B on the previous bar and A>B now, else 0.
//   BARSLAST(X)    bars since X<>0 last (0 on that bar); NaN before the first.
//   BARSCOUNT(X)   bars since X's first valid value, that bar counting as 1.
//   FILTER(X,N)    X<>0 gives 1 and suppresses the next N bars (0 there).
//   VALUEWHEN(C,X) X at the last bar where C<>0; NaN before the first.
//   SLOPE(X,N)     least-squares slope over the last N values (N>=2).
//   SAR(N,S,M)     Wilder's parabolic SAR over high/low; S and M in percent
//                  (step and maximum acceleration). The first value is at bar
//                  N-1: rising when that bar's close >= the close N-1 bars
//                  before (SAR starts at the window's lowest low, the extreme
//                  at its highest high), falling otherwise. Each bar:
//                  SAR += AF*(EP-SAR), kept outside the previous two bars'
//                  range; a bar crossing it reverses (SAR = old EP, AF = S);
//                  a new extreme raises AF by S up to M.
// Element-wise functions (IF, ABS, MAX, MIN, SQRT, MOD, POW, LN, LOG, EXP,
// SIGN, INTPART) live in the evaluator; a result that is not a finite number
// (SQRT of a negative, LN of 0, MOD by 0) is NaN.
class CFormulaFunctions
{
public:
    using Vec = std::vector<double>;

    // Window length from a numeric argument; false for NaN, negative,
    // non-integer or absurdly large values.
    static bool windowLength(double n, long long& len);

    static void ma(const Vec& x, double n, Vec& out);
    static void ema(const Vec& x, double n, Vec& out);
    static void sma(const Vec& x, double n, double m, Vec& out);
    static void wma(const Vec& x, double n, Vec& out);
    static void dma(const Vec& x, const Vec& a, Vec& out);
    static void expmema(const Vec& x, double n, Vec& out);

    static void ref(const Vec& x, const Vec& n, Vec& out);
    static void sum(const Vec& x, double n, Vec& out);
    // highest (or lowest) value, or with barsSince the distance to it
    static void extreme(const Vec& x, double n, bool highest, bool barsSince, Vec& out);
    static void stddev(const Vec& x, double n, bool sample, Vec& out);
    static void avedev(const Vec& x, double n, Vec& out);
    static void slope(const Vec& x, double n, Vec& out);

    static void count(const Vec& x, double n, Vec& out);
    static void every(const Vec& x, double n, bool all, Vec& out);
    static void cross(const Vec& a, const Vec& b, Vec& out);
    static void barsLast(const Vec& x, Vec& out);
    static void barsCount(const Vec& x, Vec& out);
    static void filter(const Vec& x, double n, Vec& out);
    static void valueWhen(const Vec& cond, const Vec& x, Vec& out);

    static void sar(const Vec& high, const Vec& low, const Vec& close, double n, double step, double maxStep,
                    Vec& out);
};

} // namespace flang
} // namespace TC
