// Base selectors: which base fields each base kind writes into a record.
#include <memory>

#include <gtest/gtest.h>

#include "SeriesTestSupport.h"
#include "platform/market/InstrumentAccess.h"
#include "series/CCustomFormulaBaseAxis.h"
#include "series/CPortfolioFormulaBaseAxis.h"

using TC::CFormulaBaseAxis;
using TC::CFormulaParam;

namespace {

TC::CIndexDetail customIndex(const QString& key)
{
    TC::CIndexDetail d;
    d.key = key;
    d.kind = 2;
    d.baseDate = 20200102;
    d.basePoint = 1000;
    d.weightMode = 1;
    d.decimals = 3;
    // The second component is unknown to the instrument service: skipped.
    d.componentKeys = QStringList{"SH600000", "XX999999", "SZ000651"};
    return d;
}

TEST(FormulaBaseAxis, EveryKindHasItsClassAndTheKLineBase)
{
    stest::CChart chart("SH600000");
    for (int type : {0, 1, 2, 3, 4, 5, 7}) {
        std::unique_ptr<CFormulaBaseAxis> axis(CFormulaBaseAxis::create(type, nullptr, chart.ui));
        ASSERT_TRUE(axis) << type;
        EXPECT_EQ(axis->getBaseFormula(), "KLINE") << type;
        axis->prepare();
        if (type != 1) {
            EXPECT_EQ(axis->getStock(), "SH600000") << type;
        }
    }
    EXPECT_EQ(CFormulaBaseAxis::create(6, nullptr, chart.ui), nullptr);
    EXPECT_EQ(CFormulaBaseAxis::create(8, nullptr, chart.ui), nullptr);
    EXPECT_EQ(CFormulaBaseAxis::create(-1, nullptr, chart.ui), nullptr);
}

TEST(FormulaBaseAxis, NormalWritesTheKeysInstrumentOrNothingKnown)
{
    stest::CChart chart("SH600000");
    chart.ui->addStock(TC::CStockManager::getInstrumentDetail("SZ000651"));
    CFormulaParam p;
    chart.ui->formulaBase->fillParam(p, "SZ000651", nullptr);
    EXPECT_EQ(p.market, "SZ");
    EXPECT_EQ(p.code, "000651");
    chart.ui->formulaBase->fillParam(p, "SH600000", nullptr);
    EXPECT_EQ(p.market + p.code, "SH600000");
    // Neither the chart's nor a superposed instrument: a null detail, empty fields.
    chart.ui->formulaBase->fillParam(p, "SH600519", nullptr);
    EXPECT_TRUE(p.market.isEmpty());
    EXPECT_TRUE(p.code.isEmpty());
}

TEST(FormulaBaseAxis, PortfolioKeepsTheRecordsFields)
{
    stest::CChart chart("SH600000", 86400, 2);
    CFormulaParam p;
    p.market = "ZZ";
    p.code = "KEEP";
    p.baseKind = 2;
    chart.ui->formulaBase->fillParam(p, "SH600000", nullptr);
    EXPECT_EQ(p.market, "ZZ");
    EXPECT_EQ(p.code, "KEEP");
    EXPECT_EQ(chart.ui->formulaBase->getStock(), "SH600000");
}

TEST(FormulaBaseAxis, IndexKindsUseTheChartInstrumentWithBaseKindZero)
{
    stest::CChart chart("SH600000");
    for (int type : {3, 4, 5, 7}) {
        std::unique_ptr<CFormulaBaseAxis> axis(CFormulaBaseAxis::create(type, nullptr, chart.ui));
        CFormulaParam p;
        p.baseKind = type;
        axis->fillParam(p, "SZ000651", nullptr);
        EXPECT_EQ(p.market + p.code, "SH600000") << type;
        EXPECT_EQ(p.baseKind, 0) << type;
    }
}

TEST(FormulaBaseAxis, CustomIndexOfTheChartAndSuperposed)
{
    stest::CChart chart("SH600000", 86400, 1);
    chart.ui->customIndex = customIndex("IDX_OWN");
    EXPECT_EQ(chart.ui->formulaBase->getStock(), "IDX_OWN");

    CFormulaParam p;
    chart.ui->formulaBase->fillParam(p, "IDX_OWN", nullptr);
    EXPECT_EQ(p.market, "CD");
    EXPECT_EQ(p.code, "IDX_OWN");
    EXPECT_EQ(p.indexKey, "IDX_OWN");
    EXPECT_EQ(p.indexKey2, "IDX_OWN");
    EXPECT_EQ(p.indexBaseDate, 20200102);
    EXPECT_EQ(p.indexWeightMode, 1);
    EXPECT_EQ(p.indexDecimals, 3);
    ASSERT_EQ(p.components.size(), 2);
    EXPECT_EQ(p.components[0], qMakePair(QString("SH"), QString("600000")));
    EXPECT_EQ(p.components[1], qMakePair(QString("SZ"), QString("000651")));

    // Superposed: found by case-sensitive key; an unmatched case gives an empty index.
    auto other = customIndex("IDX_SUP");
    other.componentKeys = QStringList{"SH600519"};
    chart.ui->addCustomIndexList << other;
    CFormulaParam q;
    chart.ui->formulaBase->fillParam(q, "IDX_SUP", nullptr);
    ASSERT_EQ(q.components.size(), 1);
    EXPECT_EQ(q.components[0].second, "600519");
}

TEST(FormulaBaseAxis, SuperposedCustomIndexOnAnInstrumentChartStillGivesCD)
{
    stest::CChart chart("SH600000", 86400, 0);
    chart.ui->addCustomIndexList << customIndex("IDX_SUP");
    auto series = boost::make_shared<stest::CTestSeries>(chart.ui, 0, nullptr);
    CFormulaParam p;
    ASSERT_TRUE(series->fill(p, "IDX_SUP", "KLINE"));
    EXPECT_EQ(p.market, "CD");
    EXPECT_EQ(p.code, "IDX_SUP");
    EXPECT_EQ(p.baseKind, 1);
    EXPECT_EQ(p.components.size(), 2);
}

} // namespace
