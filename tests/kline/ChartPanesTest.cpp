// Formulas pushed by the satellite client, period changes of the pane set and
// log subscriptions of running formulas.
#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <QApplication>

#include "common/TestHelpers.h"
#include "kline/CKLineWidget.h"
#include "kline/KLineTestSupport.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/framework/CDragWidgetList.h"
#include "platform/framework/CEventBus.h"
#include "platform/indexui/CSubScriptLogInfo.h"
#include "series/CKLineData.h"

using ktest::CSpyChart;
using ktest::upper;
using TC::CKLineWidget;

namespace {

TEST(SatellitePanes, PlacementsChooseTheMainPaneOrASubPane)
{
    CSpyChart chart(nullptr, 0);
    chart.setStock(QStringLiteral("SH600000"));

    // Placement 0 twice under one pane name: one sub-pane, re-used.
    chart.createIndexWidget("paneA", 0, "MACD", false);
    ASSERT_EQ(chart.subPanes().size(), 1);
    CKLineWidget* a = chart.satellitePane("paneA");
    ASSERT_EQ(a, chart.subPanes()[0]);
    EXPECT_EQ(a->graph()->getName(), "paneA");
    EXPECT_TRUE(a->series()->isSatelliteFed());
    chart.createIndexWidget("paneA", 0, "KDJ", false);
    ASSERT_EQ(chart.subPanes().size(), 1);
    EXPECT_EQ(upper(a->indexNames()), QStringList({"KDJ"}));

    // Another name: another pane.
    chart.createIndexWidget("paneB", 0, "VOL", false);
    EXPECT_EQ(chart.subPanes().size(), 2);

    // Placement 1: the main pane's indicator is replaced, the price stays.
    chart.createIndexWidget("main", 1, "BOLL", false);
    EXPECT_EQ(chart.satellitePane("main"), chart.mainPane());
    EXPECT_EQ(upper(chart.mainPane()->indexNames()), QStringList({"KLINE", "BOLL"}));
    // Pushed again it comes off.
    chart.createIndexWidget("main", 1, "BOLL", false);
    EXPECT_EQ(upper(chart.mainPane()->indexNames()), QStringList({"KLINE"}));

    // Re-use: records are forgotten and the last sub-pane takes the formula.
    chart.createIndexWidget("paneC", 0, "RSI", true);
    EXPECT_EQ(chart.subPanes().size(), 2);
    EXPECT_EQ(upper(chart.subPanes().last()->indexNames()), QStringList({"RSI"}));
    EXPECT_EQ(chart.satellitePane("paneA"), nullptr);

    // Removing a pane drops its record.
    chart.delIndexWidget(chart.subPanes().last()->paneId());
    EXPECT_EQ(chart.satellitePane("paneC"), nullptr);
}

TEST(SatellitePanes, DataGoesToThePaneOfItsNameAndCloseReports3020)
{
    std::vector<int> closes;
    const int token = KW::CEventBus::instance()->subscribe([&](int id, int p1, int, const QString&, void*) {
        if (id == 3020)
            closes.push_back(p1);
        return false;
    });
    CSpyChart chart(nullptr, 0);
    chart.setStock(QStringLiteral("SH600000"));
    chart.setPeriod(86400);
    chart.request(true);
    ASSERT_GT(chart.getUiParam()->m_tradeDateList.size(), 100);
    chart.createIndexWidget("sat", 0, "SATMA", false);
    CKLineWidget* pane = chart.satellitePane("sat");
    ASSERT_NE(pane, nullptr);

    // The satellite client computed the formula over the same bars.
    TC::CFormulaParam p;
    p.market = "SH";
    p.code = "600000";
    p.formula = "MA";
    p.periodMs = 86400000;
    p.drType = chart.getDrType();
    p.rangeStart = quoter::TimeSeq::TIME_START2;
    p.rangeEnd = quoter::TimeSeq::TIME_LASTED;
    auto meta = std::make_shared<se::RPCFormulaMetaResult>();
    auto result = std::make_shared<se::RPCFormulaResult>();
    QString error;
    ASSERT_TRUE(TC::CFormulaEngine::compute(p, *meta, *result, &error)) << error.toStdString();

    chart.satelliteFormulaDataCallback("nosuch", meta, result); // no record: ignored
    EXPECT_FALSE(pane->hasData());
    chart.satelliteFormulaDataCallback("sat", meta, result);
    EXPECT_TRUE(pane->series()->getData().contains(TC::CFormulaKey("SH600000", "SATMA")));

    chart.destoryWidget("nosuch");
    EXPECT_TRUE(closes.empty());
    chart.destoryWidget("sat");
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_EQ(closes[0], pane->paneId());
    KW::CEventBus::instance()->unsubscribe(token);
    chart.unrequest();
}

TEST(ChartPeriod, TheTickChartSwapsThePriceFormulaAndBack)
{
    CSpyChart chart(nullptr, 0);
    chart.setStock(QStringLiteral("SH600000"));
    chart.setPeriod(86400); // the current period: nothing
    EXPECT_FALSE(chart.isTickGraph());
    chart.setPeriod(0);
    EXPECT_TRUE(chart.isTickGraph());
    EXPECT_EQ(upper(chart.mainPane()->indexNames()), QStringList({"TICKDATA"}));
    EXPECT_EQ(chart.getPeriod(), 0);
    chart.setPeriod(-1);
    EXPECT_EQ(chart.getPeriod(), 0);
    chart.setPeriod(86400);
    EXPECT_FALSE(chart.isTickGraph());
    EXPECT_EQ(upper(chart.mainPane()->indexNames()), QStringList({"KLINE", "MA"}));
}

TEST(ChartPeriod, StretchFactorsAreRememberedPerPeriod)
{
    auto cfg = std::make_shared<TC::CUserConfig>();
    ktest::ScopedUserConfig scoped(cfg);
    luawrapper::LuaModuleCtrl::setModuleEnabled("mdl_ui_custom", true);
    luawrapper::LuaModuleCtrl::setModuleEnabled("mdl_ui_custom_use_fixed_attached_figure", true);
    CSpyChart chart(nullptr, 0);
    chart.adjustIndexWidgetSize(3);
    chart.paneList()->changeStretchAt(0, 6);
    chart.paneList()->changeStretchAt(1, 3);
    chart.setPeriod(300);
    EXPECT_EQ(chart.subPanes().size(), 2); // the user keeps attached figures
    chart.paneList()->changeStretchAt(0, 2);
    chart.setPeriod(86400);
    EXPECT_EQ(chart.getStretchFactorList(), std::vector<int>({6, 3, 1}));
    chart.setPeriod(300);
    EXPECT_EQ(chart.paneList()->stretch(0), 2);
    luawrapper::LuaModuleCtrl::setModuleEnabled("mdl_ui_custom", false);
    luawrapper::LuaModuleCtrl::setModuleEnabled("mdl_ui_custom_use_fixed_attached_figure", false);
}

TEST(ScriptLog, ASubscriberFollowsTheIdsOfItsFormula)
{
    CSpyChart chart(nullptr, 0);
    chart.setStock(QStringLiteral("SH600000"));
    auto log = boost::make_shared<TC::CSubScriptLogInfo>("MA");
    chart.subScriptLog(log);
    chart.request(true);
    ASSERT_EQ(log->requestIds().size(), 1);
    EXPECT_TRUE(log->requestIds().first().contains("MA"));
    chart.unSubScriptLog("MA");
    EXPECT_TRUE(chart.getUiParam()->scriptLogSubscribers.isEmpty());
    chart.unrequest();
}

} // namespace
