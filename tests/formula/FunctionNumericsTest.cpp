// Exact numerics of the function library: deviations of flat windows, moving
// sums over long series, CCI on a suspended stretch, SAR on reversal bars and
// CROSS on the second bar. Expected values are worked out by hand or by a
// plain two-pass loop written here.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <random>

#include <QFile>

#include <gtest/gtest.h>

#include "platform/formula/lang/CExactSum.h"
#include "platform/formula/lang/CFormulaCompiler.h"
#include "platform/formula/lang/CFormulaEvaluator.h"

using namespace TC::flang;

namespace {

using Vec = std::vector<double>;
const double X = DBL_MAX; // "no value" in the outputs

std::vector<COutput> run(const QString& source, const CFormulaInput& in,
                         const QMap<QString, double>& params = {})
{
    CFormulaProgram prog;
    CFormulaError err;
    if (!CFormulaCompiler::compile(source, params.keys(), prog, err)) {
        ADD_FAILURE() << source.toStdString() << ": " << err.message.toStdString();
        return {};
    }
    CFormulaRunResult res;
    QString error;
    EXPECT_TRUE(CFormulaEvaluator::run(prog, in, params, res, &error)) << error.toStdString();
    return res.outputs;
}

CFormulaInput closes(const Vec& c)
{
    CFormulaInput in;
    in.barCount = int(c.size());
    in.open = in.high = in.low = in.close = c;
    return in;
}

Vec column(const QString& source, const Vec& c)
{
    const std::vector<COutput> out = run(source, closes(c));
    return out.empty() ? Vec() : out.back().columns.at(0);
}

// two-pass deviation sum of x[from..to]
double devsq(const Vec& x, size_t from, size_t to)
{
    long double mean = 0;
    for (size_t j = from; j <= to; ++j)
        mean += x[j];
    mean /= double(to - from + 1);
    long double d = 0;
    for (size_t j = from; j <= to; ++j)
        d += (x[j] - mean) * (x[j] - mean);
    return double(d);
}

} // namespace

TEST(FunctionNumerics, FlatWindowsHaveExactlyZeroDeviationAndTheirOwnMean)
{
    // varied prices first leave residues in running sums; then a suspension at 59.86
    Vec c = {57.48, 55.94, 61.95, 56.45, 59.53, 57.16, 58.54};
    c.insert(c.end(), 30, 59.86);
    const size_t flatFrom = 7 + 19; // first bar whose 20-bar window is all 59.86
    const Vec std20 = column(QStringLiteral("STD(C,20)"), c);
    const Vec stdp20 = column(QStringLiteral("STDP(C,20)"), c);
    const Vec ma20 = column(QStringLiteral("MA(C,20)"), c);
    const Vec sum20 = column(QStringLiteral("SUM(C,20)"), c);
    const Vec avedev = column(QStringLiteral("AVEDEV(C,20)"), c);
    const Vec var20 = column(QStringLiteral("VAR(C,20)"), c);
    const Vec wma20 = column(QStringLiteral("WMA(C,20)"), c);
    for (size_t i = flatFrom; i < c.size(); ++i) {
        EXPECT_EQ(std20[i], 0.0) << i; // running sums left 4.7e-8 here
        EXPECT_EQ(stdp20[i], 0.0) << i;
        EXPECT_EQ(var20[i], 0.0) << i;
        EXPECT_EQ(avedev[i], 0.0) << i;
        EXPECT_EQ(ma20[i], 59.86) << i;
        EXPECT_EQ(wma20[i], 59.86) << i;
        EXPECT_EQ(sum20[i], 59.86 * 20) << i;
    }
    // BOLL's bands close onto the average on the flat stretch
    const std::vector<COutput> boll =
        run(QStringLiteral("BOLL:MA(C,20);UB:BOLL+2*STD(C,20);LB:BOLL-2*STD(C,20);"), closes(c));
    ASSERT_EQ(boll.size(), 3u);
    EXPECT_EQ(boll[1].columns[0].back(), 59.86);
    EXPECT_EQ(boll[2].columns[0].back(), 59.86);
}

TEST(FunctionNumerics, DeviationsMatchATwoPassComputationOnAnyWindow)
{
    // a large level with small moves is where running sums of squares cancel
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> step(-0.05, 0.05);
    Vec c(3000);
    double p = 100000.0;
    for (double& v : c) {
        p += step(gen);
        v = std::round(p * 100) / 100;
    }
    for (int n : {2, 5, 26, 250}) {
        const Vec s = column(QStringLiteral("STD(C,%1)").arg(n), c);
        const Vec d = column(QStringLiteral("DEVSQ(C,%1)").arg(n), c);
        for (size_t i = size_t(n) - 1; i < c.size(); i += 7) {
            const double want = devsq(c, i + 1 - size_t(n), i);
            EXPECT_NEAR(d[i], want, 1e-12 * want + 1e-300) << n << " " << i;
            EXPECT_NEAR(s[i], std::sqrt(want / (n - 1)), 1e-12 * std::sqrt(want / (n - 1)) + 1e-300)
                << n << " " << i;
        }
    }
}

TEST(FunctionNumerics, MovingSumsDoNotDriftOverAHundredThousandBars)
{
    // stretches of large prices and of prices a thousand times smaller: what
    // a running sum keeps of the large ones swamps the small windows
    std::mt19937 gen(11);
    std::uniform_real_distribution<double> price(1.0, 5000.0);
    Vec c(100000);
    for (size_t i = 0; i < c.size(); ++i)
        c[i] = std::round(price(gen) * 100) / 100 * ((i / 1000) % 2 ? 1.0 : 0.001);
    const Vec ma = column(QStringLiteral("MA(C,10)"), c);
    const Vec sum = column(QStringLiteral("SUM(C,10)"), c);
    double worst = 0; // was 3e-11 with a plain running sum
    for (size_t i = 9; i < c.size(); ++i) {
        long double s = 0;
        for (size_t j = i - 9; j <= i; ++j)
            s += c[j];
        worst = std::max(worst, std::fabs(double((sum[i] - s) / s)));
        ASSERT_NEAR(ma[i], double(s / 10), 1e-12 * double(s / 10)) << i;
    }
    EXPECT_LE(worst, 1e-12);
    // a flat stretch after all that gives the price itself (was 2.4e-11 off)
    c.insert(c.end(), 10, 12.34);
    EXPECT_EQ(column(QStringLiteral("MA(C,10)"), c).back(), 12.34);
}

// The mean of an exact sum is its correctly rounded quotient: 0.1 + 0.2 + 0.3
// is 0.6000000000000000055... in binary, a third of it lies nearest the double
// 0.2, where dividing the rounded sum gives 0.20000000000000004. The short
// quotient equals the double-double division bit for bit, also on sums left
// unnormalised by a cancellation, and so does its form with 1/k given.
TEST(FunctionNumerics, MeanOfAnExactSumIsTheCorrectlyRoundedQuotient)
{
    CExactSum s;
    for (double v : {0.1, 0.2, 0.3})
        s.add(v);
    EXPECT_EQ(s.quotient(3.0), 0.2);
    EXPECT_NE(s.value() / 3.0, 0.2);
    EXPECT_EQ(CExactSum(7.0, 0.0).quotient(2.0), 3.5);
    EXPECT_EQ(CExactSum(0.0, 0.0).quotient(5.0), 0.0);

    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    int differing = 0;
    int differingInverse = 0;
    for (int i = 0; i < 200000; ++i) {
        const double hi = std::ldexp(unit(rng), int(rng() % 80) - 40);
        const double lo = rng() % 4 == 0 ? std::ldexp(unit(rng), int(rng() % 80) - 40)
                                         : hi * std::ldexp(unit(rng), -53 - int(rng() % 8));
        const double k = rng() % 3 == 0 ? std::ldexp(unit(rng) + 2.0, int(rng() % 20)) : double(1 + rng() % 500);
        const CExactSum sum(hi, lo);
        const double a = sum.quotient(k);
        const double b = sum.dividedBy(k).value();
        differing += std::memcmp(&a, &b, sizeof a) != 0;
        // the moving mean's form, with 1/k computed once
        const double c = sum.quotient(k, 1.0 / k);
        differingInverse += std::memcmp(&c, &b, sizeof c) != 0;
    }
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(differingInverse, 0);
}

TEST(FunctionNumerics, CciOfASuspendedStretchHasNoValue)
{
    QFile file(QStringLiteral(KLINE_SOURCE_DATA_DIR "/formulas/builtin/CCI.fml"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString source = QString::fromUtf8(file.readAll());
    CFormulaInput in;
    in.high = {10.5, 10.8, 10.9, 10.4, 10.6};
    in.low = {10.0, 10.1, 10.3, 10.0, 10.2};
    in.close = {10.2, 10.6, 10.4, 10.3, 10.5};
    for (int k = 0; k < 20; ++k) { // suspended: high = low = close
        in.high.push_back(10.37);
        in.low.push_back(10.37);
        in.close.push_back(10.37);
    }
    in.open = in.close;
    in.barCount = int(in.close.size());
    const std::vector<COutput> out = run(source, in, {{QStringLiteral("N"), 14.0}});
    ASSERT_EQ(out.size(), 1u);
    const Vec& cci = out[0].columns[0];
    // before: exactly -66.67 from residues; a zero mean deviation divides by zero
    for (size_t i = 5 + 13; i < cci.size(); ++i)
        EXPECT_EQ(cci[i], X) << i;
    // a window still holding a moving bar has a value: (TYP-MA)/(0.015*AVEDEV)
    EXPECT_NE(cci[17], X);
}

TEST(FunctionNumerics, SarReversalStopStaysOutsideTheReversalBars)
{
    // up from bar 0 (SAR 390, EP 400); bar 1 raises EP to 404.50; bar 2 falls
    // through the stop with a high of 409.98: the short stop starts at
    // max(404.50, 409.98, 404.50), not at the old extreme 404.50
    CFormulaInput in;
    in.high = {400, 404.5, 409.98, 395};
    in.low = {390, 398, 389, 385};
    in.close = {395, 403, 390, 386};
    in.open = in.close;
    in.barCount = 4;
    std::vector<COutput> out = run(QStringLiteral("SAR(1,2,20);"), in);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].columns[0], (Vec{390, 390, 409.98, 409.98}));

    // down from bar 1 (SAR 110, EP 98, then 95); bar 3 breaks up with a low of
    // 93 under the extreme: the long stop is min(95, 93, 95)
    in.high = {110, 108, 104, 112};
    in.low = {100, 98, 95, 93};
    in.close = {108, 99, 96, 111};
    in.open = in.close;
    out = run(QStringLiteral("SAR(2,2,20);"), in);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].columns[0], (Vec{X, 110, 110, 93}));
}

TEST(FunctionNumerics, CrossOfMacdLinesGivesNoSignalOnTheSecondBar)
{
    const Vec c = {10, 10.5, 10.2, 9.8, 9.5, 9.9, 10.6, 11.2, 10.9, 10.1, 9.6, 10.4};
    const Vec got = column(QStringLiteral("DIF:=EMA(C,12)-EMA(C,26);DEA:=EMA(DIF,9);CROSS(DIF,DEA);"), c);
    // the same by hand: the EMA recursions and the strict "from below" rule
    Vec dif(c.size()), dea(c.size());
    double e12 = c[0], e26 = c[0], e9 = 0;
    for (size_t i = 0; i < c.size(); ++i) {
        e12 = i ? (2 * c[i] + 11 * e12) / 13 : c[i];
        e26 = i ? (2 * c[i] + 25 * e26) / 27 : c[i];
        dif[i] = e12 - e26;
        e9 = i ? (2 * dif[i] + 8 * e9) / 10 : dif[i];
        dea[i] = e9;
    }
    ASSERT_EQ(got.size(), c.size());
    EXPECT_EQ(got[0], X);
    EXPECT_EQ(got[1], 0.0); // DIF = DEA on bar 0 arms nothing
    int crossings = 0;
    for (size_t i = 1; i < c.size(); ++i) {
        const double want = (dif[i - 1] < dea[i - 1] && dif[i] > dea[i]) ? 1.0 : 0.0;
        EXPECT_EQ(got[i], want) << i;
        crossings += int(want);
    }
    EXPECT_GE(crossings, 1); // the series does cross from below later
}
