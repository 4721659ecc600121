// EXTDATA: stored external series read back by a formula, aligned to the
// chart's bars, and the series charted as "ED" instruments.
#include <cmath>
#include <map>

#include <QDateTime>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "platform/formula/catalog/CFormulaDetail.h"
#include "platform/formula/lang/CFormulaCompiler.h"
#include "platform/formula/lang/CFormulaEvaluator.h"
#include "platform/formula/service/CExternalDataManager.h"
#include "platform/market/CMarketStore.h"

using namespace TC::flang;

namespace {

using Points = std::vector<std::pair<qint64, double>>;

std::vector<double> runExt(const QString& source, CFormulaInput in)
{
    CFormulaProgram prog;
    CFormulaError err;
    EXPECT_TRUE(CFormulaCompiler::compile(source, {}, prog, err)) << err.message.toStdString();
    CFormulaRunResult res;
    EXPECT_TRUE(CFormulaEvaluator::run(prog, in, {}, res, nullptr));
    return res.outputs.empty() || res.outputs[0].columns.empty() ? std::vector<double>()
                                                                  : res.outputs[0].columns[0];
}

CFormulaInput fiveBars()
{
    CFormulaInput in;
    in.barCount = 5;
    in.close = {1, 2, 3, 4, 5};
    in.open = in.high = in.low = in.close;
    in.times = {10, 20, 30, 40, 50};
    return in;
}

bool compiles(const QString& source)
{
    CFormulaProgram prog;
    CFormulaError err;
    return CFormulaCompiler::compile(source, {}, prog, err);
}

} // namespace

TEST(ExtDataFunction, eachBarTakesTheLatestPointAtOrBeforeItsTime)
{
    CFormulaInput in = fiveBars();
    QString asked;
    in.external = [&asked](const QString& name, Points& points) {
        asked = name;
        if (name != QLatin1String("S1"))
            return false;
        // 30 s twice: the later one counts; 45 s lies between bars 3 and 4.
        points = {{15000, 1.5}, {30000, 2.0}, {30000, 3.0}, {45000, 4.5}};
        return true;
    };
    const std::vector<double> v = runExt(QStringLiteral("A:EXTDATA('S1');"), in);
    ASSERT_EQ(v.size(), 5u);
    EXPECT_TRUE(std::isnan(v[0]) || v[0] == 1.7976931348623157e308) << "no point yet at 10 s";
    EXPECT_EQ(v[1], 1.5);
    EXPECT_EQ(v[2], 3.0);
    EXPECT_EQ(v[3], 3.0);
    EXPECT_EQ(v[4], 4.5);
    EXPECT_EQ(asked, QStringLiteral("S1"));

    // It combines like any series.
    const std::vector<double> sum = runExt(QStringLiteral("A:EXTDATA('S1')+C;"), in);
    ASSERT_EQ(sum.size(), 5u);
    EXPECT_EQ(sum[4], 9.5);
}

TEST(ExtDataFunction, unknownNamesMissingSourcesAndBadCallsGiveNoValue)
{
    auto noValue = [](const std::vector<double>& v) {
        for (double x : v)
            if (!(std::isnan(x) || x == 1.7976931348623157e308))
                return false;
        return v.size() == 5u;
    };
    CFormulaInput in = fiveBars();
    in.external = [](const QString&, Points&) { return false; };
    EXPECT_TRUE(noValue(runExt(QStringLiteral("A:EXTDATA('NOPE');"), in)));

    CFormulaInput none = fiveBars(); // caller without external data
    EXPECT_TRUE(noValue(runExt(QStringLiteral("A:EXTDATA('S1');"), none)));

    CFormulaInput noTimes = fiveBars();
    noTimes.times.clear();
    noTimes.external = [](const QString&, Points& p) {
        p = {{0, 7.0}};
        return true;
    };
    EXPECT_TRUE(noValue(runExt(QStringLiteral("A:EXTDATA('S1');"), noTimes)));

    EXPECT_FALSE(compiles(QStringLiteral("A:EXTDATA(C);")));
    EXPECT_FALSE(compiles(QStringLiteral("A:EXTDATA();")));
    EXPECT_FALSE(compiles(QStringLiteral("A:EXTDATA('A','B');")));
}

TEST(ExtDataFunction, aSavedOutputIsReadByAnotherFormulaOnEveryPeriodAndChartedAsED)
{
    using namespace enginetest;
    // One formula's output, saved as external data.
    TC::CFormulaDetail src;
    src.setName(QStringLiteral("EXTSRC"));
    src.setSource(QStringLiteral("TWICE:C*2;"));
    se::RPCFormulaMetaResult meta;
    se::RPCFormulaResult day;
    QString error;
    ASSERT_TRUE(TC::CFormulaEngine::compute(param("SH", "600000", "EXTSRC"), src, meta, day, &error))
        << error.toStdString();
    ASSERT_GT(day.barCount(), 20);
    TC::CExternalDataInfo info;
    info.name = QStringLiteral("XT_TWICE");
    info.market = QStringLiteral("SH");
    info.code = QStringLiteral("600000");
    info.periodMs = 86400000;
    TC::CExternalDataManager* ext = TC::CExternalDataManager::instance();
    ASSERT_TRUE(ext->generateData1(info, day.times, day.values[0]));

    // Read back by name on the same period: the value of each bar.
    TC::CFormulaDetail reader;
    reader.setName(QStringLiteral("EXTREAD"));
    reader.setSource(QStringLiteral("X:EXTDATA('XT_TWICE');"));
    se::RPCFormulaResult back;
    ASSERT_TRUE(TC::CFormulaEngine::compute(param("SH", "600000", "EXTREAD"), reader, meta, back, &error))
        << error.toStdString();
    ASSERT_EQ(back.barCount(), day.barCount());
    for (int i = 0; i < back.barCount(); ++i)
        ASSERT_EQ(back.values[0][size_t(i)], day.basicData[size_t(i)].close * 2) << "bar " << i;

    // On 5-minute bars every bar carries its own day's value.
    std::map<QDate, double> byDay;
    for (const quoter::CBar& b : day.basicData)
        byDay[QDateTime::fromSecsSinceEpoch(b.time).date()] = b.close * 2;
    se::RPCFormulaResult intraday;
    ASSERT_TRUE(
        TC::CFormulaEngine::compute(param("SH", "600000", "EXTREAD", 300000), reader, meta, intraday, &error));
    ASSERT_GT(intraday.barCount(), 0);
    int checked = 0;
    for (int i = 0; i < intraday.barCount(); ++i) {
        const QDate d = QDateTime::fromSecsSinceEpoch(intraday.basicData[size_t(i)].time).date();
        const auto it = byDay.find(d);
        if (it == byDay.end())
            continue;
        ASSERT_EQ(intraday.values[0][size_t(i)], it->second) << "bar " << i;
        ++checked;
    }
    EXPECT_GT(checked, 40);

    // The series is an instrument of the "ED" market, its closes the values.
    TC::CMarketStore* store = TC::CFormulaEngine::store();
    ASSERT_TRUE(store->hasInstrument(QStringLiteral("EDXT_TWICE")));
    const QVector<quoter::CBar> bars = store->dayBars(QStringLiteral("EDXT_TWICE"));
    ASSERT_EQ(bars.size(), day.barCount());
    EXPECT_EQ(bars.last().close, day.basicData.back().close * 2);
    EXPECT_EQ(bars.first().time, day.basicData.front().time);

    // A name that is not a market code is charted under a cleaned one, and a
    // code taken by a real instrument is left alone.
    EXPECT_EQ(TC::CExternalDataManager::marketCodeOf(QStringLiteral(" a.b|c ")), QStringLiteral("a_b_c"));
    const double shibor = store->dayBars(QStringLiteral("EDM0017126")).last().close;
    TC::CExternalDataInfo clash = info;
    clash.name = QStringLiteral("M0017126");
    ASSERT_TRUE(ext->generateData1(clash, day.times, day.values[0]));
    EXPECT_EQ(store->dayBars(QStringLiteral("EDM0017126")).last().close, shibor);
    EXPECT_TRUE(ext->removeData(QStringLiteral("M0017126")));
    EXPECT_TRUE(ext->removeData(QStringLiteral("XT_TWICE")));
}
