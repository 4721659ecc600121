#pragma once

#include <cstddef>
#include <vector>

namespace TC {
namespace flang {

// The function library, vectorised: each call fills a whole output array in
// O(n) (HOD and LOD in O(n log n); AVEDEV in O(n*N), as a deviation from
// each window's own mean needs). Inside the library "no value" is NaN;
// any NaN input at a bar gives NaN at that bar, and a window that reaches a
// NaN (or reaches before the first bar) gives NaN: a partial window never
// yields a value. A window length N must be a non-negative integer; a
// negative, non-integer, NaN or zero-where-not-allowed N gives NaN everywhere.
// Recursive averages (EMA, SMA, DMA, EXPMEMA, MEMA, TMA) skip a NaN bar: it
// reports NaN and the running state carries over to the next valid bar.
// Definitions are the ones the common Chinese terminal formula languages
// (TongDaXin / DZH style) publish for these names; where they leave a
// choice, it is stated here.
//
// Numerics: moving sums (MA, SUM, WMA and everything built on them) and the
// second moments (STD, STDP, VAR, VARP, DEVSQ, COVAR, RELATE, BETA) are kept
// as exact double-double sums of the values (of their deviations from the
// stretch's first value for the moments), so they do not drift over long
// series and agree with a two-pass computation to rounding. A window of
// equal values gives exactly that value for MA and WMA, exactly 0 for the
// deviations (STD, STDP, VAR, VARP, DEVSQ, AVEDEV, COVAR), hence no value
// for anything divided by them (CCI on a suspended stretch, RELATE).
//
// Averages
//   MA(X,N)        simple mean of the last N values.
//   EMA(X,N)       Y=(2X+(N-1)Y')/(N+1), seeded with X at the first valid bar.
//   SMA(X,N,M)     Y=(M*X+(N-M)Y')/N, seeded with X; needs N>0 and 0<M<=N.
//   WMA(X,N)       weights 1..N, the newest value weighs N.
//   DMA(X,A)       Y=A*X+(1-A)Y', A per bar in (0,1], seeded with X.
//   EXPMEMA(X,N)   EMA seeded with MA(X,N) at its first value; nothing before.
//   MEMA(X,N)      Y=(X+(N-1)Y')/N (SMA(X,N,1)), seeded with MA(X,N) at its
//                  first value, nothing before.
//   TMA(X,A,B)     Y=A*Y'+B*X, seeded with X; A and B numbers.
//   XMA(X,N)       centred mean: the N bars from N/2 (integer) bars before to
//                  N-1-N/2 bars after; at either end of the series the window
//                  is cut to the bars that exist (so the newest values change
//                  as bars arrive: looks at future bars).
// Windows
//   REF(X,N)       X N bars ago; N may vary per bar; before the first bar: NaN.
//   HHV/LLV(X,N)   highest/lowest of the last N; N=0: since the first valid bar.
//   HHVBARS/LLVBARS(X,N) bars since that extreme (the newest one on ties).
//   HOD/LOD(X,N)   rank of X among the last N values, 1 for the highest
//                  (lowest): 1 + the number of values above (below) it; N=0:
//                  among every valid value since the first one (as HHV).
//   SUM(X,N)       sum of the last N; N=0: cumulative since the first valid bar.
//   STD/STDP(X,N)  sample (N-1) / population standard deviation.
//   DEVSQ(X,N)     sum of squared deviations from the window's mean.
//   VAR/VARP(X,N)  DEVSQ/(N-1) (N>=2) / DEVSQ/N.
//   COVAR(A,B,N)   population covariance, sum((A-mean A)(B-mean B))/N.
//   RELATE(A,B,N)  Pearson correlation over the window, in [-1,1]; no value
//                  when either side is flat.
//   BETA(N)        beta of the instrument against its market index: with
//                  R = C/REF(C,1)-1 of the instrument and M the same of the
//                  index close, COVAR(R,M,N)/VARP(M,N). The index is
//                  SZ399001 for instruments of SZ markets, SH000001 for any
//                  other; no value when the index has no data or is flat.
//   AVEDEV(X,N)    mean absolute deviation from the window's mean.
//   SLOPE(X,N)     least-squares slope over the last N values (N>=2).
//   FORCAST(X,N)   the least-squares line over the last N values taken at
//                  the current bar (its value, not the next bar's).
// Conditions
//   COUNT(X,N)     bars with X<>0 among the last N; N=0: since the first valid bar.
//   EVERY/EXIST(X,N) X<>0 on every / on some bar of the last N (N=0: since first).
//   LAST(X,A,B)    X<>0 on every bar from A bars ago to B bars ago (A>=B);
//                  A=0: from the first bar; NaN where that stretch does not
//                  exist yet.
//   UPNDAY(X,M)    X rose on each of the last M bars: EVERY(X>REF(X,1),M).
//   DOWNNDAY(X,M)  EVERY(X<REF(X,1),M).
//   NDAY(X,Y,N)    EVERY(X>Y,N).
//   BETWEEN(A,B,C) 1 when A lies between B and C, ends included, in either
//                  order; RANGE(A,B,C) 1 when B<A<C (strict, ordered).
//   CROSS(A,B)     "from below": 1 where A<B on the previous bar and A>B now,
//                  else 0. A bar where A equals B is no crossing and does not
//                  arm one (two averages that both start at the close do not
//                  cross on the second bar).
//   LONGCROSS(A,B,N) 1 where A<B on each of the N previous bars and A>B now.
//   BARSLAST(X)    bars since X<>0 last (0 on that bar); NaN before the first.
//   BARSCOUNT(X)   bars since X's first valid value, that bar counting as 1.
//   FILTER(X,N)    X<>0 gives 1 and suppresses the next N bars (0 there).
//   BACKSET(X,N)   where X<>0, the N bars ending there (N read per bar) are
//                  set to 1; other bars 0 (NaN where X is NaN): looks at
//                  future bars.
//   VALUEWHEN(C,X) X at the last bar where C<>0; NaN before the first.
//   CONST(X)       X's value at the newest bar on every bar (looks at future bars).
// Turning points (all three look at future bars)
//   ZIG(K,N)       zigzag of K (0 open, 1 high, 2 low, 3 close when K is one
//                  of these numbers, else the series K) turning when the move
//                  from the running extreme reaches N percent. Turning points
//                  are the first bar, each confirmed extreme and the last
//                  bar; between them the line is interpolated linearly.
//   PEAK/TROUGH(K,N,M) the value of the M-th latest (M>=1) peak / trough of
//                  ZIG(K,N) at or before the bar (an inner turning point
//                  higher / lower than both neighbours); NaN before it.
// Parabolic SAR
//   SAR(N,S,M)     Wilder's parabolic SAR over high/low; S and M in percent
//                  (step and maximum acceleration). The first value is at bar
//                  N-1: rising when that bar's close >= the close N-1 bars
//                  before (SAR starts at the window's lowest low, the extreme
//                  at its highest high), falling otherwise. Each bar:
//                  SAR += AF*(EP-SAR), kept outside the previous two bars'
//                  range; a bar crossing it reverses with AF = S and the stop
//                  at the old extreme point, moved out of this bar's and the
//                  previous bar's range (to short: max(EP, H, H'), to long:
//                  min(EP, L, L'), as TA-Lib does); a new extreme raises AF
//                  by S up to M.
// Calendar and bars (bar times as the chart shows them, local time; intraday
// bars carry their end time)
//   DATE           (year-1900)*10000+month*100+day, e.g. 1261207 for 2026-12-07.
//   TIME           hour*10000+minute*100+second.
//   YEAR MONTH DAY HOUR MINUTE   the parts of the bar time.
//   WEEKDAY        0 Sunday .. 6 Saturday.
//   PERIOD         0 1-minute, 1 5-minute, 2 15-minute, 3 30-minute,
//                  4 60-minute, 5 day, 6 week, 7 month, 8 other minutes,
//                  9 several days, 10 quarter, 11 year; no value for ticks
//                  and when the caller does not tell.
//   BARPOS         1 on the oldest bar, counting up.
//   CURRBARSCOUNT  bars to the newest one, which counts 1.
//   TOTALBARSCOUNT the number of bars.
//   ISLASTBAR      1 on the newest bar, else 0.
// External data
//   EXTDATA('NAME') the stored external series NAME (generated from a chart's
//                  output with "生成外部数据"): each bar takes the series'
//                  latest point at or before the bar's time tag (a day
//                  series gives an intraday bar its day's value); no value
//                  before the first point, for an unknown name or where the
//                  caller supplies no series.
// Data of another instrument or period
//   "SH000001$CLOSE" (market+code, $, a data name) and CLOSE#WEEK (a data
//   name, #, one of MIN1 MIN5 MIN15 MIN30 MIN60 DAY WEEK MONTH SEASON YEAR),
//   also combined as "SH000001$CLOSE"#WEEK: the series comes from the market
//   store through the caller and is aligned to the chart's bars: a bar takes
//   the latest value whose bar time is at or before its own; no value before
//   the first such bar, and everywhere for an unknown instrument.
// Element-wise functions (IF, ABS, MAX, MIN, SQRT, MOD, POW, LN, LOG, EXP,
// SIGN, INTPART, FRACPART (X-INTPART(X)), ROUND (half away from zero),
// CEILING, FLOOR, REVERSE (-X), SIN, COS, TAN, ASIN, ACOS, ATAN, RGB(R,G,B)
// (the packed colour R+G*256+B*65536), and the colour names, which are
// numbers there) live in the evaluator; a result that is not a finite
// number (SQRT of a negative, LN of 0, MOD by 0, ASIN of 2) is NaN.
//
// Drawing functions (style codes in CFormulaStyle)
//   DRAWLINE(C1,P1,C2,P2,E) a segment from the latest bar where C1 (at P1) to
//                  the next later bar where C2 (at P2); a newer C1 before C2
//                  moves the start. E=1 extends it to the right, 10 to the
//                  left, 11 both (up to the neighbouring segments).
//   POLYLINE(C,P)  a line through P at every bar where C, straight between
//                  them.
//   PARTLINE(P,C1,COLOR1,C2,COLOR2,...) the line of P drawn on bars where
//                  some condition holds, each in the colour of the first
//                  holding condition; PARTLINE(P,C) uses the statement's
//                  colour.
//   DRAWBAND(V1,COLOR1,V2,COLOR2) fills between V1 and V2 in COLOR1 where
//                  V1>V2, in COLOR2 where V1<V2.
//   FILLRGN(P1,P2,C1,COLOR1,...) fills between P1 and P2 where a condition
//                  holds, in the colour of the first one; FILLRGN(P1,P2,C)
//                  uses the statement's colour.
//   DRAWTEXT DRAWNUMBER DRAWICON STICKLINE DRAWKLINE VERTLINE: see CFormulaStyle.
class CFormulaFunctions
{
public:
    using Vec = std::vector<double>;

    // Window length from a numeric argument; false for NaN, negative,
    // non-integer or absurdly large values.
    static bool windowLength(double n, long long& len);

    static void ma(const Vec& x, double n, Vec& out);
    static void mema(const Vec& x, double n, Vec& out);
    static void tma(const Vec& x, double a, double b, Vec& out);
    static void xma(const Vec& x, double n, Vec& out);
    static void ema(const Vec& x, double n, Vec& out);
    static void sma(const Vec& x, double n, double m, Vec& out);
    static void wma(const Vec& x, double n, Vec& out);
    static void dma(const Vec& x, const Vec& a, Vec& out);
    static void expmema(const Vec& x, double n, Vec& out);

    static void ref(const Vec& x, const Vec& n, Vec& out);
    static void sum(const Vec& x, double n, Vec& out);
    // moving sum, or with mean its window mean (N=0 not allowed then)
    static void movingSum(const Vec& x, double n, bool mean, Vec& out);
    // highest (or lowest) value, or with barsSince the distance to it
    static void extreme(const Vec& x, double n, bool highest, bool barsSince, Vec& out);
    static void stddev(const Vec& x, double n, bool sample, Vec& out);
    enum class EMoment { DevSq, Sample, Population, Variance, PopVariance, Covariance, Correlation };
    // second moments of a (and b for the two-series kinds) over windows of n
    static void moments(const Vec& a, const Vec* b, double n, EMoment kind, Vec& out);
    static void beta(const Vec& close, const Vec& indexClose, double n, Vec& out);
    // HOD (highest true) and LOD
    static void rank(const Vec& x, double n, bool highest, Vec& out);
    static void avedev(const Vec& x, double n, Vec& out);
    static void slope(const Vec& x, double n, Vec& out);
    static void forcast(const Vec& x, double n, Vec& out);
    // the least-squares line over windows of n: its slope, or with value its
    // value at the newest bar
    static void regression(const Vec& x, double n, bool value, Vec& out);

    static void count(const Vec& x, double n, Vec& out);
    static void every(const Vec& x, double n, bool all, Vec& out);
    static void cross(const Vec& a, const Vec& b, Vec& out);
    static void longCross(const Vec& a, const Vec& b, double n, Vec& out);
    static void lastHolds(const Vec& x, double from, double to, Vec& out);
    static void backSet(const Vec& x, const Vec& n, Vec& out);
    static void barsLast(const Vec& x, Vec& out);
    static void barsCount(const Vec& x, Vec& out);
    static void filter(const Vec& x, double n, Vec& out);
    static void valueWhen(const Vec& cond, const Vec& x, Vec& out);

    static void zig(const Vec& x, double percent, Vec& out);
    static void peakTrough(const Vec& x, double percent, double m, bool peak, Vec& out);

    enum class ECalendar { Date, Time, Year, Month, Day, Weekday, Hour, Minute };
    // one value per bar time (seconds since 1970, local wall clock)
    static void calendar(const std::vector<long long>& times, std::size_t bars, ECalendar kind, Vec& out);
    // PERIOD's code of a period in seconds (0 ticks, negative unknown)
    static double periodCode(long long periodSec);

    // DRAWLINE into two columns (segments alternate so that neighbours sharing
    // or touching a bar stay apart); POLYLINE into one
    static void drawLine(const Vec& c1, const Vec& p1, const Vec& c2, const Vec& p2, double expand,
                         Vec& first, Vec& second);
    static void polyLine(const Vec& cond, const Vec& price, Vec& out);

    static void sar(const Vec& high, const Vec& low, const Vec& close, double n, double step, double maxStep,
                    Vec& out);
};

} // namespace flang
} // namespace TC
