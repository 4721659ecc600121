// Formulas applied, confirmed, modified, deleted and double-clicked from the
// formula manager, and the superposition operations of the chart.
#include <gtest/gtest.h>

#include <QApplication>

#include "kline/CKLineWidget.h"
#include "kline/KLineTestSupport.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/market/CStockManager.h"
#include "platform/market/InstrumentAccess.h"
#include "series/CKLineData.h"

using ktest::CSpyChart;
using ktest::upper;
using TC::CKLineWidget;

namespace {

enum Op { DoubleClick = 0, Apply = 1, Confirm = 2, Modify = 3, Delete = 4 };

// A chart with the main pane (candles and MA) and sub-panes VOL, MACD.
struct FormulaChart : ::testing::Test {
    CSpyChart chart{nullptr, 0};

    void SetUp() override
    {
        chart.setStock(QStringLiteral("SH600000"));
        chart.setPeriod(86400);
        chart.mainPane()->addIndex("MA", QString());
        chart.addIndexWidget()->addIndex("VOL", QString());
        chart.addIndexWidget()->addIndex("MACD", QString());
    }
    QStringList mainNames() const { return upper(chart.mainPane()->indexNames()); }
    QStringList subNames(int i) const { return upper(chart.subPanes().at(i)->indexNames()); }
    QList<QString> storedLayout() const { return chart.getIndexParam().value(86400); }
};

TEST_F(FormulaChart, SubGraphFormulaGoesToTheHighlightedOrLastSubPane)
{
    // The main pane highlighted: the last sub-pane takes it, no new pane.
    chart.highlightWidget(chart.mainPane()->paneId());
    chart.updateIndex("KDJ", Apply, 0, 0, 0, QString());
    ASSERT_EQ(chart.subPanes().size(), 2);
    EXPECT_EQ(subNames(0), QStringList({"VOL"}));
    EXPECT_EQ(subNames(1), QStringList({"KDJ"}));
    // A highlighted sub-pane takes it.
    chart.highlightWidget(chart.subPanes().at(0)->paneId());
    chart.updateIndex("RSI", Apply, 7, 0, 0, QString());
    EXPECT_EQ(subNames(0), QStringList({"RSI"}));
    EXPECT_EQ(chart.getUiParam()->applyIndexArg, 7);
    // The layout is stored after every operation.
    EXPECT_EQ(storedLayout(), (QList<QString>{"MA", "RSI", "KDJ"}));

    // Without sub-panes a new one is made.
    chart.clearSubIndexes();
    chart.updateIndex("CCI", Apply, 0, 0, 0, QString());
    ASSERT_EQ(chart.subPanes().size(), 1);
    EXPECT_EQ(subNames(0), QStringList({"CCI"}));
}

TEST_F(FormulaChart, SubGraphFormulaOnTheMainPaneMovesToTheSubPane)
{
    // A sub-graph formula overlaid on the candles (as a satellite or an old
    // layout can leave it) leaves the main pane when applied.
    chart.mainPane()->addIndex("KDJ", QString());
    ASSERT_TRUE(chart.mainPane()->hasIndex("KDJ"));
    chart.highlightWidget(chart.subPanes().at(0)->paneId());
    chart.updateIndex("KDJ", Apply, 0, 0, 0, QString());
    EXPECT_FALSE(chart.mainPane()->hasIndex("KDJ"));
    EXPECT_TRUE(chart.mainPane()->hasIndex("KLINE"));
    EXPECT_EQ(subNames(0), QStringList({"KDJ"}));
    EXPECT_EQ(subNames(1), QStringList({"MACD"}));
}

TEST_F(FormulaChart, MainGraphFormulaReplacesOverlaysAndLeavesSubPanes)
{
    chart.subPanes().at(1)->setIndex("BOLL", QString());
    chart.updateIndex("BOLL", Apply, 0, 0, 0, QString());
    EXPECT_EQ(mainNames(), QStringList({"KLINE", "BOLL"}));
    // The sub-pane that showed it loses it but stays.
    ASSERT_EQ(chart.subPanes().size(), 2);
    EXPECT_TRUE(subNames(1).isEmpty());
    // Applying it again keeps one copy and the candles.
    chart.updateIndex("BOLL", Apply, 0, 0, 0, QString());
    EXPECT_EQ(mainNames(), QStringList({"KLINE", "BOLL"}));
}

TEST_F(FormulaChart, DeleteRemovesTheFormulaFromEveryPaneAndKeepsThePanes)
{
    chart.subPanes().at(0)->setIndex("MACD", QString());
    chart.updateIndex("MACD", Delete, 0, 0, 0, QString());
    ASSERT_EQ(chart.subPanes().size(), 2);
    EXPECT_FALSE(chart.hasIndex("MACD"));
    EXPECT_EQ(storedLayout(), (QList<QString>{"MA", QString(), QString()}));
    // Unknown names and unknown operations change nothing.
    chart.updateIndex("NOSUCH", Apply, 0, 0, 0, QString());
    chart.updateIndex("MA", 9, 0, 0, 0, QString());
    EXPECT_EQ(mainNames(), QStringList({"KLINE", "MA"}));
}

TEST_F(FormulaChart, SetSubIndexBeyondThePanesDoesNothing)
{
    chart.setSubIndex(5, "KDJ");
    ASSERT_EQ(chart.subPanes().size(), 2);
    EXPECT_EQ(subNames(0), QStringList({"VOL"}));
    EXPECT_EQ(subNames(1), QStringList({"MACD"}));
    EXPECT_EQ(chart.frontSubIndex(), "VOL");
}

TEST_F(FormulaChart, RunModeAndExRightsOfTheAppliedFormula)
{
    chart.setDrType(1);
    ASSERT_EQ(chart.getUiParam()->drType, 1);
    // Run mode 0: the formula's ex-rights type (3) is not taken.
    chart.updateIndex("GROUPDEMO", Apply, 0, 0, 0, QString());
    EXPECT_EQ(chart.getUiParam()->drType, 1);
    // Run mode 1 takes it and remembers the mode.
    chart.updateIndex("GROUPDEMO", Apply, 0, 0, 1, QString());
    EXPECT_EQ(chart.getUiParam()->drType, 3);
    EXPECT_EQ(chart.getUiParam()->runMode, 1);
    // A formula without a preference never changes it.
    chart.setDrType(2);
    chart.updateIndex("KDJ", Apply, 0, 0, 1, QString());
    EXPECT_EQ(chart.getUiParam()->drType, 2);
    // Confirming resets the run mode and takes the formula's type.
    chart.updateIndex("GROUPDEMO", Confirm, 0, 0, 0, QString());
    EXPECT_EQ(chart.getUiParam()->runMode, 0);
    EXPECT_EQ(chart.getUiParam()->drType, 3);
}

TEST_F(FormulaChart, ConfirmAndModifyResetTheParameterTextOfEveryHolder)
{
    chart.subPanes().at(0)->setIndex("MACD", "6,13,5");
    chart.mainPane()->removeIndex("MA");
    chart.mainPane()->addIndex("MA", "3,7,11,19");
    ASSERT_EQ(chart.subPanes().at(0)->graph()->paramText("MACD"), "6,13,5");

    chart.updateIndex("MACD", Confirm, 0, 0, 0, QString());
    for (CKLineWidget* pane : chart.subPanes()) {
        EXPECT_EQ(upper(pane->indexNames()), QStringList({"MACD"}));
        EXPECT_TRUE(pane->graph()->paramText("MACD").isEmpty());
    }
    chart.updateIndex("MA", Modify, 0, 0, 0, QString());
    EXPECT_EQ(mainNames(), QStringList({"KLINE", "MA"}));
    EXPECT_TRUE(chart.mainPane()->graph()->paramText("MA").isEmpty());
    // Confirming a formula no pane shows places nothing.
    chart.updateIndex("KDJ", Confirm, 0, 0, 0, QString());
    EXPECT_FALSE(chart.hasIndex("KDJ"));
}

TEST_F(FormulaChart, DoubleClickPlacesWithTheGivenParameters)
{
    chart.highlightWidget(chart.subPanes().at(0)->paneId());
    chart.updateIndex("KDJ", DoubleClick, 0, 0, 0, "5,3,3");
    EXPECT_EQ(subNames(0), QStringList({"KDJ"}));
    EXPECT_EQ(chart.subPanes().at(0)->graph()->paramText("KDJ"), "5,3,3");
    chart.updateIndex("EMA", DoubleClick, 0, 0, 0, "10");
    EXPECT_EQ(mainNames(), QStringList({"KLINE", "EMA"}));
    EXPECT_EQ(chart.mainPane()->graph()->paramText("EMA"), "10");
}

TEST_F(FormulaChart, ThePanesParametersReachTheRequest)
{
    // Out of range (1 < 2) is kept in range, a missing entry takes the default.
    chart.subPanes().at(1)->setIndex("MACD", "6,1");
    QVector<TC::CFormulaParam> records;
    chart.subPanes().at(1)->series()->collectFormulaParams(records, 0);
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].params.value("SHORT"), "6");
    EXPECT_EQ(records[0].params.value("LONG"), "2");
    EXPECT_EQ(records[0].params.value("MID"), "9");
}

TEST_F(FormulaChart, TakeOverFormulaPreparesAnExternalMainGraph)
{
    ktest::UserFormula takeOver("MYTAKEOVER", 2, -1);
    chart.updateIndex(takeOver.name, Apply, 0, 0, 0, QString());
    EXPECT_TRUE(chart.mainPane()->graph()->isExternalMainGraph());
    EXPECT_TRUE(chart.mainPane()->hasIndex(takeOver.name));
}

TEST(ChartFormulas, ExtensionNameReRequestsOnlyThePanesThatListIt)
{
    CSpyChart chart(nullptr, 0);
    chart.setStock(QStringLiteral("SH600000"));
    chart.setPeriod(86400);
    chart.addIndexWidget()->addIndex("MACD", QString());
    chart.addIndexWidget()->addIndex("KDJ", QString());
    chart.request(true);
    for (CKLineWidget* pane : chart.subPanes())
        pane->request(1, true);
    ASSERT_TRUE(ktest::waitUntil([] {
        QStringList names;
        TC::CFormulaManager::instance()->getGroupExtendNames("MACD", names);
        return names.contains("DEA");
    }));
    // MACD's outputs are DIF, DEA and MACD; KDJ's are K, D and J.
    chart.upIndexByExtend("DEA");
    EXPECT_EQ(chart.subPanes().at(0)->lastRunMode(), 0);
    EXPECT_EQ(chart.subPanes().at(1)->lastRunMode(), 1);
    EXPECT_EQ(upper(chart.subPanes().at(0)->indexNames()), QStringList({"MACD"}));
}

TEST(ChartSuperposition, CancellingKeepsTheChartsOwnSeries)
{
    CSpyChart chart(nullptr, 0);
    chart.setStock(QStringLiteral("SH600000"));
    chart.setPeriod(86400);
    const auto other = TC::CStockManager::getInstrumentDetail("SH600519");
    const auto own = TC::CStockManager::getInstrumentDetail("SH600000");
    ASSERT_TRUE(other && own);
    chart.addSuperposedStock(other);
    chart.addSuperposedStock(own);
    chart.request(true);
    const auto& data = chart.mainPane()->series()->getData();
    const auto hasStock = [&](const QString& key) {
        for (auto it = data.cbegin(); it != data.cend(); ++it)
            if (it.key().stock == key)
                return true;
        return false;
    };
    ASSERT_TRUE(hasStock("SH600519"));
    ASSERT_TRUE(hasStock("SH600000"));
    EXPECT_EQ(chart.superposedStockSize(), 2);

    chart.delAllAddStock();
    EXPECT_FALSE(hasStock("SH600519"));
    EXPECT_TRUE(hasStock("SH600000"));
    EXPECT_TRUE(chart.superposedStock().isEmpty());
}

TEST(ChartSuperposition, ClearStockKeepsTheAutomaticSectorIndex)
{
    CSpyChart chart(nullptr, 0);
    chart.setStock(QStringLiteral("SH600000"));
    chart.showContrastSector();
    const QStringList automatic = chart.superposedStock();
    ASSERT_EQ(automatic.size(), 1);
    ASSERT_TRUE(automatic.first().startsWith("BKZS"));
    chart.addSuperposedStock(TC::CStockManager::getInstrumentDetail("SH600519"));
    ASSERT_EQ(chart.superposedStockSize(), 2);
    chart.clearStock();
    EXPECT_EQ(chart.superposedStock(), automatic);

    TC::CIndexDetail index;
    index.key = "MYIDX";
    chart.addSuperposedCustomIndex(index);
    chart.addSuperposedCustomIndex(index);
    EXPECT_EQ(chart.superposedIndex(), QStringList({"MYIDX"}));
    chart.clearSuperposIndex();
    EXPECT_TRUE(chart.superposedIndex().isEmpty());
}

} // namespace
