// The series base: formula list, main-graph test, value-range eligibility,
// text rendering and the back-test bookkeeping.
#include <cfloat>

#include <gtest/gtest.h>

#include "SeriesTestSupport.h"
#include "platform/indexui/IndexBaseData.h"

using TC::CFormulaKey;
using TC::IndexBaseData;
using TC::RPCFormulaResultCache;

namespace {

RPCFormulaResultCache lineCache(const std::vector<double>& values, int style)
{
    se::RPCFormulaMetaResult m;
    m.names = {"L"};
    m.styles = {style};
    m.columns = {{0}};
    se::RPCFormulaResult r;
    r.values = {values};
    r.columnMap = {{0, 0}};
    for (size_t i = 0; i < values.size(); ++i) {
        r.times.push_back({qint64(i + 1) * 60000, 0});
        r.barFlags.push_back(1);
    }
    return RPCFormulaResultCache(m, r);
}

TEST(IndexBaseData, FormulaListIsUpperCaseWithoutDuplicates)
{
    IndexBaseData d;
    d.addFormula("ma");
    d.addFormula(" MA ");
    d.addFormula("");
    d.addFormula("macd");
    EXPECT_EQ(d.getFormulas(), QStringList({"MA", "MACD"}));
    d.setTradeModels({"vbademo", "VBADEMO"});
    EXPECT_EQ(d.getTradeModels(), QStringList({"VBADEMO"}));
    d.setMainGraph("kline");
    EXPECT_EQ(d.getMainGraph(), "KLINE");
}

TEST(IndexBaseData, MainGraphIsThePriceFormula)
{
    IndexBaseData d;
    EXPECT_TRUE(d.isMainGraph("KLINE"));
    EXPECT_TRUE(d.isMainGraph("tickdata"));
    EXPECT_FALSE(d.isMainGraph("MA")); // an overlay, not the main graph
    EXPECT_FALSE(d.isMainGraph("MACD"));
    EXPECT_FALSE(d.isMainGraph(""));
    d.setMainGraph("ma");
    EXPECT_TRUE(d.isMainGraph("MA"));
    EXPECT_FALSE(d.isMainGraph("KLINE"));
}

TEST(IndexBaseData, ModelKindsOfTheFormulaList)
{
    IndexBaseData d;
    d.setFormulas({"KLINE", "MA"});
    EXPECT_FALSE(d.hasGroupModelIndex());
    EXPECT_FALSE(d.hasPythonIndex());
    d.addFormula("GROUPDEMO");
    EXPECT_TRUE(d.hasGroupModelIndex());
    d.addFormula("PYDEMO");
    EXPECT_TRUE(d.hasPythonIndex());
    EXPECT_FALSE(d.hasData());
}

TEST(IndexBaseData, YAxisNeedsAStyleAScaleStyleAndAValueInTheWindow)
{
    const double none = DBL_MAX;
    EXPECT_TRUE(IndexBaseData::isNeedYAxis(lineCache({1, 2, 3}, 0), 0));
    EXPECT_FALSE(IndexBaseData::isNeedYAxis(lineCache({1, 2, 3}, -1), 0));
    for (int offScale : {14, 15, 16, 17, 18, 19, 31})
        EXPECT_FALSE(IndexBaseData::isNeedYAxis(lineCache({1, 2, 3}, offScale), 0)) << offScale;
    // Texts, icons and numbers stand at prices: they share the pane's scale.
    for (int atPrice : {13, 26, 28})
        EXPECT_TRUE(IndexBaseData::isNeedYAxis(lineCache({1, 2, 3}, atPrice), 0)) << atPrice;
    const auto sparse = lineCache({none, none, 5, none}, 0);
    EXPECT_FALSE(IndexBaseData::isNeedYAxis(sparse, 0, 0, 1));
    EXPECT_TRUE(IndexBaseData::isNeedYAxis(sparse, 0, 1, 3));
    EXPECT_FALSE(IndexBaseData::isNeedYAxis(sparse, 0, 3, 3));
    // Out-of-range outputs, empty and invalid caches never take part.
    EXPECT_FALSE(IndexBaseData::isNeedYAxis(sparse, 5));
    EXPECT_FALSE(IndexBaseData::isNeedYAxis(lineCache({}, 0), 0));
    EXPECT_FALSE(IndexBaseData::isNeedYAxis(RPCFormulaResultCache(), 0));
}

TEST(IndexBaseData, ResultTextIsTabSeparatedWithEmptyNoValues)
{
    const auto c = lineCache({1.5, DBL_MAX}, 0);
    const QString withHeader = IndexBaseData::getResultTxtStr(*c.result, *c.meta, true);
    const QStringList lines = withHeader.split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QString::fromUtf8("时间\tL"));
    EXPECT_TRUE(lines[1].endsWith("\t1.5"));
    EXPECT_TRUE(lines[2].endsWith("\t"));
    EXPECT_EQ(IndexBaseData::getResultTxtStr(*c.result, *c.meta, false).split('\n').size(), 2);
    // Blocks of several results are separated by an empty line; invalid caches are skipped.
    const QString both = IndexBaseData::getResultTxtStr({c, RPCFormulaResultCache(), c}, false);
    EXPECT_EQ(both.count("\n\n"), 1);
}

TEST(IndexBaseData, BacktestDataFollowsTheRequestBook)
{
    stest::CChart chart("SH600000");
    stest::CTestSeries s(chart.ui);
    s.book(CFormulaKey("SH600000", "VBADEMO"), "id1");
    s.updateStrategyBacktestData({"id1", "gone"});
    EXPECT_TRUE(s.backtestIds().contains("id1"));
    EXPECT_FALSE(s.backtestIds().contains("gone"));
    EXPECT_EQ(s.reqIds(), QVector<QString>({"id1"}));
}

} // namespace
