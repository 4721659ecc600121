// The common function set on short series whose values are worked out by
// hand from each function's public definition (see CFormulaFunctions.h), the
// drawing functions' columns and colours, the future-data flag and data of
// other instruments and periods.
#include <cfloat>
#include <cmath>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "common/TestHelpers.h"
#include "platform/formula/catalog/CFormulaDetail.h"
#include "platform/formula/lang/CFormulaCompiler.h"
#include "platform/formula/lang/CFormulaEvaluator.h"
#include "platform/formula/lang/CFormulaFunctionTable.h"
#include "platform/formula/lang/CFormulaStyle.h"
#include "platform/market/CMarketStore.h"

using namespace TC::flang;

namespace {

using Vec = std::vector<double>;
const double X = DBL_MAX;

CFormulaInput closes(const Vec& c, const Vec& o = {})
{
    CFormulaInput in;
    in.barCount = int(c.size());
    in.high = in.low = in.close = c;
    in.open = o.empty() ? c : o;
    return in;
}

std::vector<COutput> run(const QString& source, const CFormulaInput& in)
{
    CFormulaProgram prog;
    CFormulaError err;
    if (!CFormulaCompiler::compile(source, {}, prog, err)) {
        ADD_FAILURE() << source.toStdString() << ": " << err.message.toStdString();
        return {};
    }
    CFormulaRunResult res;
    EXPECT_TRUE(CFormulaEvaluator::run(prog, in, {}, res, nullptr));
    return res.outputs;
}

Vec col(const QString& source, const CFormulaInput& in, size_t c = 0)
{
    const std::vector<COutput> out = run(source, in);
    return out.empty() || out.back().columns.size() <= c ? Vec() : out.back().columns[c];
}

void expectVec(const Vec& got, const Vec& want, const QString& what)
{
    ASSERT_EQ(got.size(), want.size()) << what.toStdString();
    for (size_t i = 0; i < want.size(); ++i) {
        if (want[i] == X)
            EXPECT_EQ(got[i], X) << what.toStdString() << " bar " << i;
        else
            EXPECT_NEAR(got[i], want[i], 1e-12 * std::max(1.0, std::fabs(want[i])))
                << what.toStdString() << " bar " << i;
    }
}

void expectCol(const char* source, const CFormulaInput& in, const Vec& want)
{
    expectVec(col(QString::fromUtf8(source), in), want, QString::fromUtf8(source));
}

} // namespace

TEST(FunctionLibrary, ConditionsOverBarsAndWindows)
{
    const CFormulaInput ramp = closes({1, 2, 3, 4, 5});
    expectCol("BETWEEN(C,2,4)", ramp, {0, 1, 1, 1, 0});
    expectCol("BETWEEN(C,4,2)", ramp, {0, 1, 1, 1, 0}); // either order, ends included
    expectCol("RANGE(C,2,4)", ramp, {0, 0, 1, 0, 0});   // strict and ordered
    expectCol("RANGE(C,4,2)", ramp, {0, 0, 0, 0, 0});

    const CFormulaInput c = closes({1, 2, 3, 2, 3, 4}, {0, 2, 2, 5, 1, 1});
    expectCol("UPNDAY(C,2)", c, {X, X, 1, 0, 0, 1});
    expectCol("DOWNNDAY(C,1)", c, {X, 0, 0, 1, 0, 0});
    expectCol("NDAY(C,O,2)", c, {X, 0, 0, 0, 0, 1}); // C>O on 1,0,1,0,1,1
    // C>1 holds on bars 1..5: from 3 bars ago to 1 bar ago
    expectCol("LAST(C>1,3,1)", c, {X, X, X, 0, 1, 1});
    expectCol("LAST(C>0,0,1)", c, {X, 1, 1, 1, 1, 1}); // from the first bar to the previous one
    // below 2.5 on bars 0,1,3: only bar 2 comes up after two bars below
    expectCol("LONGCROSS(C,2.5,2)", c, {X, X, 1, 0, 0, 0});
    // 4>3 on bar 3 and 5>3 on bar 5 mark the two bars ending there
    expectCol("BACKSET(C>3,2)", closes({1, 2, 3, 4, 1, 5}), {0, 0, 1, 1, 1, 1});
    expectCol("CONST(C)", closes({1, 2, 3}), {3, 3, 3});
    expectCol("MA(C,CONST(C))", closes({1, 2, 3}), {X, X, 2}); // usable as a window length
}

TEST(FunctionLibrary, RanksAndAverages)
{
    const CFormulaInput c = closes({3, 1, 2, 5, 4});
    expectCol("HOD(C,3)", c, {X, X, 2, 1, 2});
    expectCol("LOD(C,3)", c, {X, X, 2, 3, 2});
    expectCol("HOD(C,0)", c, {1, 2, 2, 1, 2});
    // seeded with MA(C,3)=6 at bar 2, then (12+2*6)/3
    expectCol("MEMA(C,3)", closes({3, 6, 9, 12}), {X, X, 6, 8});
    expectCol("TMA(C,0.5,0.5)", closes({2, 4, 8}), {2, 3, 5.5});
    // centred: one bar either side, cut at the ends
    const CFormulaInput g = closes({1, 2, 4, 8, 16});
    expectCol("XMA(C,3)", g, {1.5, 7.0 / 3, 14.0 / 3, 28.0 / 3, 12});
    // N=4: two bars before, one after
    expectCol("XMA(C,4)", g, {1.5, 7.0 / 3, 15.0 / 4, 7.5, 28.0 / 3});
    // least squares over t=0,1,2 taken at t=2: 1,2,4 -> slope 1.5, mean 7/3
    expectCol("FORCAST(C,3)", closes({1, 2, 4, 8}), {X, X, 7.0 / 3 + 1.5, 14.0 / 3 + 3});
}

TEST(FunctionLibrary, SecondMomentsOfOneAndTwoSeries)
{
    // a = 1,2,3,4 (mean 2.5), b = 2,4,5,9 (mean 5)
    const CFormulaInput in = closes({1, 2, 3, 4}, {2, 4, 5, 9});
    expectCol("DEVSQ(C,4)", in, {X, X, X, 5});
    expectCol("VAR(C,4)", in, {X, X, X, 5.0 / 3});
    expectCol("VARP(C,4)", in, {X, X, X, 1.25});
    // deviations -1.5,-.5,.5,1.5 times -3,-1,0,4: 4.5+.5+0+6 = 11
    expectCol("COVAR(C,O,4)", in, {X, X, X, 2.75});
    expectCol("RELATE(C,O,4)", in, {X, X, X, 11 / std::sqrt(5.0 * 26)});
    expectCol("RELATE(C,3,2)", in, {X, X, X, X}); // a flat side has no correlation
    expectCol("VAR(C,1)", in, {X, X, X, X});

    // BETA against the index the instrument's market names: returns twice the index's
    CFormulaInput stock = closes({10, 12, 9.6, 11.52});
    stock.instrumentKey = QStringLiteral("SZ000001");
    QString asked;
    stock.reference = [&asked](const QString& key, qint64, CFormulaInput& aligned) {
        asked = key;
        aligned = closes({100, 110, 99, 108.9});
        return true;
    };
    expectCol("BETA(3)", stock, {X, X, X, 2});
    EXPECT_EQ(asked, QStringLiteral("SZ399001"));
    stock.reference = nullptr; // no index data: no value
    expectCol("BETA(3)", stock, {X, X, X, X});
}

TEST(FunctionLibrary, ElementWiseMathsAndColours)
{
    const CFormulaInput in = closes({2.5, -2.5, -3.75});
    expectCol("ROUND(C)", in, {3, -3, -4});
    expectCol("CEILING(C)", in, {3, -2, -3});
    expectCol("FLOOR(C)", in, {2, -3, -4});
    expectCol("INTPART(C)", in, {2, -2, -3});
    expectCol("FRACPART(C)", in, {0.5, -0.5, -0.75});
    expectCol("REVERSE(C)", in, {-2.5, 2.5, 3.75});
    const double pi = std::acos(-1.0);
    expectCol("SIN(C*0)+COS(C*0)+TAN(C*0)", in, {1, 1, 1});
    expectCol("ASIN(C/2.5)", in, {pi / 2, -pi / 2, X});
    expectCol("ACOS(C/2.5)", in, {0, pi, X});
    expectCol("ATAN(C/C)", in, {pi / 4, pi / 4, pi / 4});
    expectCol("RGB(255,128,1)+C*0", in,
              {255 + 128 * 256 + 65536, 255 + 128 * 256 + 65536, 255 + 128 * 256 + 65536});
    expectCol("COLORRED+C*0", in, {255, 255, 255});
}

TEST(FunctionLibrary, CalendarAndBarPositions)
{
    CFormulaInput in = closes({1, 2, 3});
    // a Monday morning bar, a Saturday's, a New Year's Eve close
    in.times = {ktest::tag(2026, 12, 7, 10, 30) + 15, ktest::tag(1999, 1, 2, 15, 0),
                ktest::tag(2000, 12, 31)};
    expectCol("DATE", in, {1261207, 990102, 1001231});
    expectCol("TIME", in, {103015, 150000, 0});
    expectCol("YEAR", in, {2026, 1999, 2000});
    expectCol("MONTH", in, {12, 1, 12});
    expectCol("DAY", in, {7, 2, 31});
    expectCol("WEEKDAY", in, {1, 6, 0});
    expectCol("HOUR", in, {10, 15, 0});
    expectCol("MINUTE", in, {30, 0, 0});
    expectCol("BARPOS", in, {1, 2, 3});
    expectCol("CURRBARSCOUNT", in, {3, 2, 1});
    expectCol("TOTALBARSCOUNT+C*0", in, {3, 3, 3});
    expectCol("ISLASTBAR", in, {0, 0, 1});
    expectCol("PERIOD+C*0", in, {X, X, X}); // not told
    in.periodSec = 300;
    expectCol("PERIOD+C*0", in, {1, 1, 1});
    in.periodSec = 604800;
    expectCol("PERIOD+C*0", in, {6, 6, 6});
    in.times.clear();
    expectCol("DATE", in, {X, X, X});
}

TEST(FunctionLibrary, ZigzagTurningPointsLookAhead)
{
    // 10% zigzag of the closes: up to 15 (bar 3), down to 9 (bar 5), up to the end
    const CFormulaInput in = closes({10, 12, 11, 15, 13, 9, 10, 11});
    expectCol("ZIG(3,10)", in, {10, 10 + 5.0 / 3, 10 + 10.0 / 3, 15, 12, 9, 10, 11});
    expectCol("PEAK(3,10,1)", in, {X, X, X, 15, 15, 15, 15, 15});
    expectCol("TROUGH(3,10,1)", in, {X, X, X, X, X, 9, 9, 9});
    expectCol("PEAK(3,10,2)", in, {X, X, X, X, X, X, X, X});
    expectCol("ZIG(C,10)", in, {10, 10 + 5.0 / 3, 10 + 10.0 / 3, 15, 12, 9, 10, 11}); // the series itself

    CFormulaProgram prog;
    CFormulaError err;
    ASSERT_TRUE(CFormulaCompiler::compile(QStringLiteral("A:ZIG(3,10);B:MA(C,5);C1:XMA(C,5)+ZIG(1,5);"), {},
                                          prog, err));
    EXPECT_TRUE(prog.usesFutureData());
    EXPECT_EQ(prog.futureFunctions(), (QStringList{"ZIG", "XMA"}));
    ASSERT_TRUE(CFormulaCompiler::compile(QStringLiteral("A:MA(C,5);B:REF(C,1);"), {}, prog, err));
    EXPECT_FALSE(prog.usesFutureData());

    // the catalogue record carries the flag, and follows its source
    TC::CFormulaDetail d;
    d.setParams({{QStringLiteral("N"), 5, 1, 50}});
    d.setSource(QStringLiteral("Z:PEAK(3,N,1);"));
    EXPECT_TRUE(d.usesFutureData());
    d.setSource(QStringLiteral("Z:MA(C,N);"));
    EXPECT_FALSE(d.usesFutureData());
    d.setSource(QStringLiteral("Z:BACKSET(C>O,N)"));
    EXPECT_TRUE(d.usesFutureData());
}

TEST(FunctionLibrary, DrawingFunctionsGiveTheirColumnsStylesAndColours)
{
    const CFormulaInput c = closes({1, 2, 3, 8, 5, 6});
    std::vector<COutput> out =
        run(QStringLiteral("DRAWLINE(BARPOS=2,C,BARPOS=4,C,0);"
                           "DRAWLINE(BARPOS=2,C,BARPOS=4,C,1);"
                           "DRAWLINE(BARPOS=1 OR BARPOS=3,C,BARPOS=3 OR BARPOS=5,C,0);"),
            c);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].styleCode, CFormulaStyle::kLineSegments);
    expectVec(out[0].columns[0], {X, 2, 5, 8, X, X}, "segment");
    expectVec(out[0].columns[1], {X, X, X, X, X, X}, "segment, second column");
    expectVec(out[1].columns[0], {X, 2, 5, 8, 11, 14}, "extended right");
    // the second segment starts on the bar the first ends on: the other column
    expectVec(out[2].columns[0], {1, 2, 3, X, X, X}, "first of two");
    expectVec(out[2].columns[1], {X, X, 3, 4, 5, X}, "second of two");

    out = run(QStringLiteral("POLYLINE(C>4 OR BARPOS=1,C);"), c);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].styleCode, CFormulaStyle::kLine);
    expectVec(out[0].columns[0], {1, 1 + 7.0 / 3, 1 + 14.0 / 3, 8, 5, 6}, "POLYLINE");

    const CFormulaInput d = closes({1, 3, 2, 2}, {2, 2, 2, 2});
    const unsigned none = 0xFFFFFFFFu;
    out = run(QStringLiteral("PARTLINE(C,C>O,COLORRED,C<O,COLORGREEN);PARTLINE(C,C>2),COLORBLUE;"
                             "DRAWBAND(C,COLORRED,O,COLORGREEN);"
                             "FILLRGN(C,O,C>O);FILLRGN(C,O,C>O,COLORRED,C<O,RGB(0,0,255));"),
              d);
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(out[0].styleCode, CFormulaStyle::kPartLine);
    expectVec(out[0].columns[0], {1, 3, X, X}, "PARTLINE");
    EXPECT_EQ(out[0].barColors, (std::vector<unsigned>{0x00FF00u, 0x0000FFu, none, none}));
    expectVec(out[1].columns[0], {X, 3, X, X}, "PARTLINE short form");
    EXPECT_TRUE(out[1].barColors.empty());
    EXPECT_EQ(out[1].color, 0xFF0000u);
    EXPECT_EQ(out[2].styleCode, CFormulaStyle::kFillBand);
    expectVec(out[2].columns[0], {1, 3, X, X}, "DRAWBAND first");
    expectVec(out[2].columns[1], {2, 2, X, X}, "DRAWBAND second");
    EXPECT_EQ(out[2].barColors, (std::vector<unsigned>{0x00FF00u, 0x0000FFu, none, none}));
    EXPECT_EQ(out[3].styleCode, CFormulaStyle::kFillBand);
    expectVec(out[3].columns[0], {X, 3, X, X}, "FILLRGN");
    expectVec(out[3].columns[1], {X, 2, X, X}, "FILLRGN");
    EXPECT_EQ(out[4].barColors, (std::vector<unsigned>{0xFF0000u, 0x0000FFu, none, none}));

    // argument counts of the variable forms, with the call's position
    for (const char* bad : {"PARTLINE(C);", "PARTLINE(C,C>O,COLORRED,C<O);", "FILLRGN(C,O);",
                            "FILLRGN(C,O,C>O,COLORRED,C<O);", "X:POLYLINE(C>O,C)+1;"}) {
        CFormulaProgram prog;
        CFormulaError err;
        EXPECT_FALSE(CFormulaCompiler::compile(QString::fromUtf8(bad), {}, prog, err)) << bad;
        EXPECT_EQ(err.line, 1) << bad;
        EXPECT_GT(err.column, 0) << bad;
    }
}

TEST(FunctionLibrary, OtherInstrumentsAndPeriodsComeThroughTheCaller)
{
    CFormulaInput in = closes({1, 2, 3});
    in.instrumentKey = QStringLiteral("SH600000");
    QStringList asked;
    in.reference = [&asked](const QString& key, qint64 period, CFormulaInput& aligned) {
        asked << QStringLiteral("%1@%2").arg(key).arg(period);
        if (key == QLatin1String("SZ999999"))
            return false; // unknown instrument
        aligned = closes({10, 20, 30});
        aligned.volume = {X, 5, 6}; // "no value" as the records carry it
        return true;
    };
    expectCol("\"SH000001$CLOSE\"", in, {10, 20, 30});
    expectCol("\"sh000001$V\"*2", in, {X, 10, 12});
    expectCol("CLOSE#WEEK-C", in, {9, 18, 27});
    expectCol("\"SZ000001$C\"#MONTH+\"SZ000001$C\"#MONTH", in, {20, 40, 60}); // fetched once
    expectCol("\"SZ999999$CLOSE\"", in, {X, X, X});
    expectCol("\"SH600000$CLOSE\"", in, {1, 2, 3}); // the chart's own data
    EXPECT_EQ(asked, (QStringList{"SH000001@0", "SH000001@0", "@604800", "SZ000001@2592000", "SZ999999@0"}));
    in.reference = nullptr;
    expectCol("\"SH000001$CLOSE\"", in, {X, X, X});

    for (const char* bad : {"\"SH000001\";", "\"SH000001$ISUP\";", "C#WEEKS;", "\"SH000001$CLOSE;"}) {
        CFormulaProgram prog;
        CFormulaError err;
        EXPECT_FALSE(CFormulaCompiler::compile(QString::fromUtf8(bad), {}, prog, err)) << bad;
        EXPECT_EQ(err.line, 1) << bad;
    }
}

TEST(FunctionLibrary, EngineAlignsAnotherInstrumentAndPeriodToTheChartBars)
{
    TC::CMarketStore* store = TC::CMarketStore::instance();
    const QString own = QStringLiteral("SH600000");
    const QString index = QStringLiteral("SH000001");
    ASSERT_TRUE(store->hasInstrument(own));
    ASSERT_TRUE(store->hasInstrument(index));
    TC::CFormulaDetail d;
    d.setName(QStringLiteral("REFTEST"));
    d.setSource(QStringLiteral("A:\"SH000001$CLOSE\";B:CLOSE#WEEK;U:\"SZ777777$CLOSE\";"));
    se::RPCFormulaMetaResult meta;
    se::RPCFormulaResult result;
    QString error;
    ASSERT_TRUE(
        TC::CFormulaEngine::compute(enginetest::param("SH", "600000", "REFTEST"), d, meta, result, &error))
        << error.toStdString();
    ASSERT_EQ(result.values.size(), 3u);
    const QVector<quoter::CBar> idx = store->bars(index, 86400, 0);
    const QVector<quoter::CBar> week = store->bars(own, 604800, 0);
    ASSERT_FALSE(idx.isEmpty());
    // the latest bar at or before each chart bar, found by a plain search
    auto latest = [](const QVector<quoter::CBar>& bars, qint64 t) {
        double v = X;
        for (const quoter::CBar& b : bars)
            if (b.time <= t)
                v = b.close;
        return v;
    };
    for (int i = 0; i < result.barCount(); i += 13) {
        const qint64 t = result.basicData[size_t(i)].time;
        EXPECT_EQ(result.values[0][size_t(i)], latest(idx, t)) << i;
        EXPECT_EQ(result.values[1][size_t(i)], latest(week, t)) << i;
        EXPECT_EQ(result.values[2][size_t(i)], X) << i;
    }
}

TEST(FunctionLibrary, RanksAndRegressionEqualPlainLoopsOnDataWithHolesAndTies)
{
    Vec c;
    for (int i = 0; i < 400; ++i)
        c.push_back(i % 37 == 5 ? X : double((i * 7919) % 23)); // ties and missing bars
    const CFormulaInput in = closes(c);
    for (int n : {0, 1, 4, 30}) {
        const Vec hod = col(QStringLiteral("HOD(C,%1)").arg(n), in);
        const Vec lod = col(QStringLiteral("LOD(C,%1)").arg(n), in);
        size_t stretch = 0;
        for (size_t i = 0; i < c.size(); ++i) {
            if (c[i] == X) {
                stretch = i + 1;
                ASSERT_EQ(hod[i], X);
                continue;
            }
            if (n > 0 && i + 1 < stretch + size_t(n)) {
                ASSERT_EQ(hod[i], X) << n << " " << i;
                continue;
            }
            const size_t from = n > 0 ? i + 1 - size_t(n) : 0; // N=0: every valid value so far
            int above = 0, below = 0;
            for (size_t j = from; j < i; ++j) {
                if (c[j] == X)
                    continue;
                above += c[j] > c[i];
                below += c[j] < c[i];
            }
            ASSERT_EQ(hod[i], above + 1) << n << " " << i;
            ASSERT_EQ(lod[i], below + 1) << n << " " << i;
        }
    }
    for (int n : {2, 9}) {
        const Vec slope = col(QStringLiteral("SLOPE(C,%1)").arg(n), in);
        const Vec fc = col(QStringLiteral("FORCAST(C,%1)").arg(n), in);
        for (size_t i = size_t(n) - 1; i < c.size(); ++i) {
            bool full = true;
            double sx = 0, sy = 0, sxx = 0, sxy = 0;
            for (size_t j = i + 1 - size_t(n); j <= i; ++j) {
                full = full && c[j] != X;
                const double t = double(j);
                sx += t;
                sy += c[j];
                sxx += t * t;
                sxy += t * c[j];
            }
            if (!full) {
                ASSERT_EQ(slope[i], X);
                continue;
            }
            const double b = (n * sxy - sx * sy) / (n * sxx - sx * sx);
            ASSERT_NEAR(slope[i], b, 1e-9) << n << " " << i;
            ASSERT_NEAR(fc[i], (sy - b * sx) / n + b * double(i), 1e-9) << n << " " << i;
        }
    }
    expectCol("SLOPE(C,3)", closes({4, 4, 4, 4}), {X, X, 0, 0}); // exactly flat
    expectCol("FORCAST(C,3)", closes({4.1, 4.1, 4.1}), {X, X, 4.1});
}

TEST(FunctionLibrary, PerBarColoursTravelInTheServiceRecords)
{
    TC::CFormulaDetail d;
    d.setName(QStringLiteral("PARTTEST"));
    d.setSource(QStringLiteral("PARTLINE(C,C>O,COLORRED,1,COLORGREEN);M:MA(C,3);"));
    const TC::CFormulaParam p = enginetest::param("SH", "600000", "PARTTEST");
    se::RPCFormulaMetaResult meta;
    se::RPCFormulaResult full;
    QString error;
    ASSERT_TRUE(TC::CFormulaEngine::compute(p, d, meta, full, &error)) << error.toStdString();
    EXPECT_EQ(meta.styles, (std::vector<int>{CFormulaStyle::kPartLine, 0}));
    ASSERT_EQ(full.barColors.size(), 2u);
    ASSERT_EQ(int(full.barColors[0].size()), full.barCount());
    EXPECT_TRUE(full.barColors[1].empty());
    for (int i = 0; i < full.barCount(); ++i) {
        const quoter::CBar& b = full.basicData[size_t(i)];
        EXPECT_EQ(full.barColors[0][size_t(i)], b.close > b.open ? 0x0000FFu : 0x00FF00u) << i;
        EXPECT_EQ(full.values[0][size_t(i)], b.close) << i;
    }
}

TEST(FunctionLibrary, EveryFunctionSurvivesOddArgumentsAndHoles)
{
    // prices with holes, and arguments that are negative, zero, huge, missing
    Vec c;
    for (int i = 0; i < 60; ++i)
        c.push_back(i % 11 == 3 ? X : 10 + std::sin(i) * 3);
    CFormulaInput in = closes(c);
    in.times.assign(c.size(), ktest::tag(2026, 1, 5));
    const int last = int(EFormulaFunction::FILLRGN);
    for (int id = 0; id <= last; ++id) {
        const CFormulaFunctionInfo& f = CFormulaFunctionTable::info(EFormulaFunction(id));
        int n = 0;
        while (!CFormulaFunctionTable::acceptsArgs(f, n))
            ++n;
        for (const char* arg : {"C", "0", "-1", "1000000000000", "C/0", "2.5", "BARPOS"}) {
            QStringList args;
            for (int k = 0; k < n; ++k)
                args << (k == f.stringArg ? QStringLiteral("'a'") : QString::fromLatin1(arg));
            const QString call = QStringLiteral("%1%2").arg(
                QLatin1String(f.name), n ? QStringLiteral("(%1)").arg(args.join(',')) : QString());
            const QString source = f.drawing ? call + QLatin1Char(';') : QStringLiteral("X:%1;").arg(call);
            const std::vector<COutput> out = run(source, in);
            ASSERT_EQ(out.size(), 1u) << source.toStdString();
            for (const Vec& column : out[0].columns)
                ASSERT_EQ(column.size(), c.size()) << source.toStdString();
        }
    }
}
