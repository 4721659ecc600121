// Function library edge cases: windows, N=0 variants, no-value handling,
// signal functions; and the O(n) algorithms against naive loops on data
// with holes.
#include <cfloat>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "platform/formula/lang/CFormulaCompiler.h"
#include "platform/formula/lang/CFormulaEvaluator.h"
#include "platform/formula/lang/CFormulaFunctions.h"

using namespace TC::flang;

namespace {

using Vec = std::vector<double>;
const double X = DBL_MAX; // "no value" as the records carry it
const double NaN = std::numeric_limits<double>::quiet_NaN();

// Runs one formula over a close series (all price fields = close, volume 100)
// and returns the first column of the first output.
Vec eval(const QString& source, const Vec& close, const QMap<QString, double>& params = {})
{
    CFormulaProgram prog;
    CFormulaError err;
    if (!CFormulaCompiler::compile(source, params.keys(), prog, err)) {
        ADD_FAILURE() << source.toStdString() << ": " << err.message.toStdString();
        return {};
    }
    CFormulaInput in;
    in.barCount = int(close.size());
    in.open = in.high = in.low = in.close = close;
    in.volume.assign(close.size(), 100.0);
    CFormulaRunResult res;
    QString error;
    if (!CFormulaEvaluator::run(prog, in, params, res, &error) || res.outputs.empty()) {
        ADD_FAILURE() << source.toStdString() << ": " << error.toStdString();
        return {};
    }
    return res.outputs.back().columns.at(0);
}

void expectVec(const Vec& got, const Vec& want, const char* what)
{
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < want.size(); ++i) {
        if (want[i] == X)
            EXPECT_EQ(got[i], X) << what << " bar " << i;
        else
            EXPECT_NEAR(got[i], want[i], 1e-9) << what << " bar " << i;
    }
}

const Vec kRamp = {1, 2, 3, 4, 5};

} // namespace

TEST(LangFunctionsTest, WindowsLongerThanTheSeriesOrBadLengthsGiveNoValue)
{
    const Vec none(5, X);
    for (const char* f : {"MA(C,6)",     "HHV(C,6)",  "LLV(C,6)",     "SUM(C,6)",     "STD(C,6)",
                          "AVEDEV(C,6)", "WMA(C,9)",  "COUNT(C>0,6)", "EXPMEMA(C,6)", "SLOPE(C,6)",
                          "MA(C,0)",     "EMA(C,0)",  "MA(C,-2)",     "MA(C,2.5)",    "HHV(C,-1)",
                          "SUM(C,1.5)",  "REF(C,-1)", "REF(C,0.5)",   "MA(C,1/0)",    "SMA(C,3,4)",
                          "SMA(C,3,0)",  "STD(C,1)",  "SAR(0,2,20)",  "SAR(2,2,1)",   "FILTER(C,-1)"})
        expectVec(eval(QString::fromLatin1(f), kRamp), none, f);
    expectVec(eval(QStringLiteral("MA(C,N)"), kRamp, {{QStringLiteral("N"), 1e300}}), none, "huge N");
    expectVec(eval(QStringLiteral("STDP(C,1)"), kRamp), Vec(5, 0.0), "STDP of one value");
}

TEST(LangFunctionsTest, ZeroLengthMeansSinceTheFirstBar)
{
    const Vec c = {3, 1, 4, 1, 5};
    expectVec(eval(QStringLiteral("HHV(C,0)"), c), {3, 3, 4, 4, 5}, "HHV");
    expectVec(eval(QStringLiteral("LLV(C,0)"), c), {3, 1, 1, 1, 1}, "LLV");
    expectVec(eval(QStringLiteral("SUM(C,0)"), c), {3, 4, 8, 9, 14}, "SUM");
    expectVec(eval(QStringLiteral("COUNT(C>2,0)"), c), {1, 1, 2, 2, 3}, "COUNT");
    expectVec(eval(QStringLiteral("EVERY(C>0,0)"), c), {1, 1, 1, 1, 1}, "EVERY");
    expectVec(eval(QStringLiteral("EXIST(C>4,0)"), c), {0, 0, 0, 0, 1}, "EXIST");
    expectVec(eval(QStringLiteral("HHVBARS(C,0)"), c), {0, 1, 0, 1, 0}, "HHVBARS");
    // cumulative functions start at the first valid bar of their input
    expectVec(eval(QStringLiteral("SUM(REF(C,2),0)"), c), {X, X, 3, 4, 8}, "SUM of REF");
}

TEST(LangFunctionsTest, AveragesFollowTheirRecursions)
{
    // EMA(X,3): Y=(2X+2Y')/4 = (X+Y')/2 seeded with X
    expectVec(eval(QStringLiteral("EMA(C,3)"), {2, 4, 8, 8}), {2, 3, 5.5, 6.75}, "EMA");
    // SMA(X,3,1): Y=(X+2Y')/3
    expectVec(eval(QStringLiteral("SMA(C,3,1)"), {3, 6, 9}), {3, 4, 17.0 / 3}, "SMA");
    // WMA(X,3) weights 1,2,3 on the newest three
    expectVec(eval(QStringLiteral("WMA(C,3)"), {1, 2, 3, 10}), {X, X, 14.0 / 6, 38.0 / 6}, "WMA");
    // DMA with A=0.5 and with a per-bar A
    expectVec(eval(QStringLiteral("DMA(C,0.5)"), {2, 4, 8}), {2, 3, 5.5}, "DMA");
    expectVec(eval(QStringLiteral("DMA(C,IF(C>3,1,0.25))"), {2, 2, 4, 6}), {2, 2, 4, 6}, "DMA series A");
    // EXPMEMA seeded with MA(X,3) at bar 2, EMA afterwards
    expectVec(eval(QStringLiteral("EXPMEMA(C,3)"), {1, 2, 3, 5}), {X, X, 2, 3.5}, "EXPMEMA");
    expectVec(eval(QStringLiteral("MA(C,2)"), kRamp), {X, 1.5, 2.5, 3.5, 4.5}, "MA");
}

TEST(LangFunctionsTest, StatisticsOnHandValues)
{
    const Vec c = {2, 4, 4, 4, 5, 5, 7, 9};
    // the classic example: population sd of all eight is 2, sample sd sqrt(32/7)
    EXPECT_NEAR(eval(QStringLiteral("STDP(C,8)"), c).back(), 2.0, 1e-12);
    EXPECT_NEAR(eval(QStringLiteral("STD(C,8)"), c).back(), std::sqrt(32.0 / 7), 1e-12);
    EXPECT_NEAR(eval(QStringLiteral("AVEDEV(C,8)"), c).back(), 1.5, 1e-12);
    expectVec(eval(QStringLiteral("STD(C,3)"), {7, 7, 7, 7}), {X, X, 0, 0}, "constant STD");
    expectVec(eval(QStringLiteral("SLOPE(C,3)"), {1, 3, 5, 4}), {X, X, 2, 0.5}, "SLOPE");
    expectVec(eval(QStringLiteral("HHVBARS(C,3)"), {5, 1, 5, 2, 3}), {X, X, 0, 1, 2}, "HHVBARS");
    expectVec(eval(QStringLiteral("LLVBARS(C,3)"), {5, 1, 5, 2, 3}), {X, X, 1, 2, 1}, "LLVBARS");
}

TEST(LangFunctionsTest, MissingInputsAndDivisionByZeroGiveNoValue)
{
    const Vec c = {1, 2, X, 4, 5, 6, NaN, 8};
    expectVec(eval(QStringLiteral("MA(C,2)"), c), {X, 1.5, X, X, 4.5, 5.5, X, X}, "MA over holes");
    expectVec(eval(QStringLiteral("HHV(C,2)"), c), {X, 2, X, X, 5, 6, X, X}, "HHV over holes");
    expectVec(eval(QStringLiteral("C*2+1"), c), {3, 5, X, 9, 11, 13, X, 17}, "arithmetic");
    expectVec(eval(QStringLiteral("C>3"), c), {0, 0, X, 1, 1, 1, X, 1}, "comparison");
    expectVec(eval(QStringLiteral("IF(C>3,1,2)"), c), {2, 2, X, 1, 1, 1, X, 1}, "IF");
    expectVec(eval(QStringLiteral("EMA(C,1)"), c), {1, 2, X, 4, 5, 6, X, 8}, "EMA skips holes");
    expectVec(eval(QStringLiteral("C/(C-C)"), {1, 2}), {X, X}, "division by zero");
    expectVec(eval(QStringLiteral("MOD(C,0)"), {1, 2}), {X, X}, "MOD by zero");
    expectVec(eval(QStringLiteral("SQRT(C-2)"), {1, 6}), {X, 2}, "SQRT of a negative");
    expectVec(eval(QStringLiteral("LN(C-1)"), {1, 2}), {X, 0}, "LN of zero");
    expectVec(eval(QStringLiteral("C*POW(10,300)*POW(10,300)/POW(10,300)"), {1}), {X}, "overflow");
    expectVec(eval(QStringLiteral("AMOUNT"), {1, 2}), {X, X}, "field not supplied");
}

TEST(LangFunctionsTest, ReferencesAndCounts)
{
    expectVec(eval(QStringLiteral("REF(C,1)"), kRamp), {X, 1, 2, 3, 4}, "REF");
    expectVec(eval(QStringLiteral("REF(C,0)"), kRamp), kRamp, "REF 0");
    expectVec(eval(QStringLiteral("REF(C,C-1)"), kRamp), {1, 1, 1, 1, 1}, "REF series N");
    expectVec(eval(QStringLiteral("COUNT(C>2,2)"), kRamp), {X, 0, 1, 2, 2}, "COUNT");
    expectVec(eval(QStringLiteral("EVERY(C>2,2)"), kRamp), {X, 0, 0, 1, 1}, "EVERY");
    expectVec(eval(QStringLiteral("EXIST(C>3,2)"), kRamp), {X, 0, 0, 1, 1}, "EXIST");
    expectVec(eval(QStringLiteral("BARSCOUNT(REF(C,2))"), kRamp), {X, X, 1, 2, 3}, "BARSCOUNT");
    expectVec(eval(QStringLiteral("BARSCOUNT(C)"), kRamp), {1, 2, 3, 4, 5}, "BARSCOUNT from bar 0");
}

TEST(LangFunctionsTest, SignalFunctions)
{
    // CROSS from below: the previous bar strictly below; touching and then
    // rising is no crossing, and neither is staying equal
    QMap<QString, double> none;
    CFormulaProgram prog;
    CFormulaError err;
    ASSERT_TRUE(CFormulaCompiler::compile(QStringLiteral("CROSS(C,O);CROSS(O,C);"), {}, prog, err));
    CFormulaInput in;
    in.barCount = 5;
    in.close = {1, 2, 2, 3, 1};
    in.open = {2, 2, 2, 2, 2};
    CFormulaRunResult res;
    ASSERT_TRUE(CFormulaEvaluator::run(prog, in, none, res, nullptr));
    expectVec(res.outputs[0].columns[0], {X, 0, 0, 0, 0}, "CROSS up");
    expectVec(res.outputs[1].columns[0], {X, 0, 0, 0, 1}, "CROSS down");

    expectVec(eval(QStringLiteral("FILTER(C,2)"), {1, 1, 1, 0, 1, 1, 0, 1}), {1, 0, 0, 0, 1, 0, 0, 1},
              "FILTER");
    expectVec(eval(QStringLiteral("FILTER(C,0)"), {1, 1, 0}), {1, 1, 0}, "FILTER 0");
    expectVec(eval(QStringLiteral("BARSLAST(C>2)"), {1, 2, 3, 1, 1, 5}), {X, X, 0, 1, 2, 0}, "BARSLAST");
    expectVec(eval(QStringLiteral("BARSLAST(C>9)"), {1, 2}), {X, X}, "BARSLAST never true");
    expectVec(eval(QStringLiteral("VALUEWHEN(C>2,C*10)"), {1, 3, 2, 4, 1}), {X, 30, 30, 40, 40}, "VALUEWHEN");
    expectVec(eval(QStringLiteral("IF(ISUP,1,0)"), {1, 2}), {0, 0}, "ISUP with open == close");
}

TEST(LangFunctionsTest, LinearAlgorithmsAgreeWithNaiveLoops)
{
    // pseudo-random series with holes; every window function against a
    // direct recomputation of its window
    Vec x(600);
    unsigned seed = 7;
    for (size_t i = 0; i < x.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        x[i] = 1000.0 + double(seed >> 20) / 100.0;
        if (seed % 53 == 0)
            x[i] = NaN;
    }
    for (int n : {1, 2, 5, 17}) {
        Vec ma, sum, hhv, llv, hb, sd, wma;
        CFormulaFunctions::ma(x, n, ma);
        CFormulaFunctions::sum(x, n, sum);
        CFormulaFunctions::extreme(x, n, true, false, hhv);
        CFormulaFunctions::extreme(x, n, false, false, llv);
        CFormulaFunctions::extreme(x, n, true, true, hb);
        CFormulaFunctions::stddev(x, n, false, sd);
        CFormulaFunctions::wma(x, n, wma);
        for (size_t i = 0; i < x.size(); ++i) {
            bool full = int(i) + 1 >= n;
            double s = 0, w = 0, hi = -1e300, lo = 1e300, ss = 0;
            size_t hiAt = 0;
            for (int j = 0; full && j < n; ++j) {
                const double v = x[i - size_t(j)];
                if (std::isnan(v)) {
                    full = false;
                    break;
                }
                s += v;
                w += double(n - j) * v;
                if (v > hi) {
                    hi = v;
                    hiAt = i - size_t(j);
                }
                lo = std::min(lo, v);
            }
            if (!full) {
                EXPECT_TRUE(std::isnan(ma[i]) && std::isnan(hhv[i]) && std::isnan(sd[i]) &&
                            std::isnan(wma[i]))
                    << "n=" << n << " bar " << i;
                continue;
            }
            for (int j = 0; j < n; ++j)
                ss += (x[i - size_t(j)] - s / n) * (x[i - size_t(j)] - s / n);
            EXPECT_NEAR(ma[i], s / n, 1e-9) << i;
            EXPECT_NEAR(sum[i], s, 1e-7) << i;
            EXPECT_EQ(hhv[i], hi) << i;
            EXPECT_EQ(llv[i], lo) << i;
            EXPECT_EQ(hb[i], double(i - hiAt)) << i;
            EXPECT_NEAR(sd[i], std::sqrt(ss / n), 1e-6) << i;
            EXPECT_NEAR(wma[i], w / (n * (n + 1) / 2.0), 1e-8) << i;
        }
    }
}

TEST(LangFunctionsTest, RunRejectsBadCallsWithoutCrashing)
{
    CFormulaProgram prog;
    CFormulaError err;
    ASSERT_TRUE(CFormulaCompiler::compile(QStringLiteral("A:MA(C,N);"), {QStringLiteral("n")}, prog, err));
    CFormulaInput in;
    in.barCount = 3;
    in.close = {1, 2, 3};
    CFormulaRunResult res;
    QString error;
    EXPECT_FALSE(CFormulaEvaluator::run(prog, in, {}, res, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("'N'"))) << error.toStdString();
    EXPECT_TRUE(res.outputs.empty());
    // parameter names are case-insensitive both ways
    EXPECT_TRUE(CFormulaEvaluator::run(prog, in, {{QStringLiteral("n"), 2.0}}, res, &error));
    expectVec(res.outputs.at(0).columns.at(0), {X, 1.5, 2.5}, "param");
    // an array shorter than the bar count is refused
    in.open = {1};
    EXPECT_FALSE(CFormulaEvaluator::run(prog, in, {{QStringLiteral("N"), 2.0}}, res, &error));
    EXPECT_FALSE(error.isEmpty());
    in.open.clear();
    in.barCount = -1;
    EXPECT_FALSE(CFormulaEvaluator::run(prog, in, {{QStringLiteral("N"), 2.0}}, res, nullptr));
    // no bars: outputs exist, with empty columns
    in.barCount = 0;
    in.close.clear();
    ASSERT_TRUE(CFormulaEvaluator::run(prog, in, {{QStringLiteral("N"), 2.0}}, res, nullptr));
    ASSERT_EQ(res.outputs.size(), 1u);
    EXPECT_TRUE(res.outputs[0].columns.at(0).empty());
    // an empty program runs to nothing
    EXPECT_TRUE(CFormulaEvaluator::run(CFormulaProgram(), in, {}, res, nullptr));
    EXPECT_TRUE(res.outputs.empty());
}

TEST(LangFunctionsTest, DeviationStaysPreciseOnALongDriftingSeries)
{
    Vec x(9000);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = 1000.0 + 0.5 * double(i) + 0.01 * double(i % 7);
    Vec sd;
    CFormulaFunctions::stddev(x, 20, true, sd);
    for (size_t i : {size_t(30), size_t(4100), size_t(8200), size_t(8999)}) {
        double mean = 0, ss = 0;
        for (size_t j = i - 19; j <= i; ++j)
            mean += x[j] / 20;
        for (size_t j = i - 19; j <= i; ++j)
            ss += (x[j] - mean) * (x[j] - mean);
        EXPECT_NEAR(sd[i], std::sqrt(ss / 19), 1e-8) << i;
    }
}
