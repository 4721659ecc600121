// The model chart's double-click rules and the group-model views of the
// chart's panes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "kline/CKLineModelWidget.h"
#include "kline/CKLineWidget.h"
#include "kline/KLineTestSupport.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/config/CAppConfig.h"
#include "platform/framework/CEventBus.h"
#include "platform/indexui/CIndexModelWidget.h"
#include "platform/trading/CStrategyTradeManager.h"
#include "platform/trading/CTradeStrategyData.h"

using ktest::upper;
using TC::CKLineWidget;

namespace {

// The protected entry, open to tests.
struct ModelChart : TC::CKLineModelWidget {
    using TC::CKLineModelWidget::CKLineModelWidget;
    using TC::CKLineModelWidget::addIndexWidget;
    using TC::CKLineModelWidget::highlightWidget;
};

// Selects a strategy for one test and clears the selection after.
struct SelectedStrategy {
    std::shared_ptr<TC::CTradeStrategyData> strategy;
    explicit SelectedStrategy(int kind)
        : strategy(std::make_shared<TC::CTradeStrategyData>("MYSTRATEGY", "SH600000", kind))
    {
        TC::CStrategyTradeManager::instance()->setSelectStrategy(strategy);
    }
    ~SelectedStrategy() { TC::CStrategyTradeManager::instance()->setSelectStrategy(nullptr); }
};

TEST(ModelWidget, SubGraphFormulaWithoutSubPanesGetsItsOwnCandles)
{
    ModelChart chart(nullptr, 0);
    chart.setStock(QStringLiteral("SH600000"));
    chart.updateIndex("KDJ", 0, 0, 0, 0, "5,3,3");
    ASSERT_EQ(chart.subPanes().size(), 1);
    CKLineWidget* pane = chart.subPanes().first();
    EXPECT_EQ(upper(pane->indexNames()), QStringList({"KLINE", "MA", "KDJ"}));
    EXPECT_EQ(pane->graph()->paramText("KDJ"), "5,3,3");
    // The next one replaces the highlighted sub-pane's formulas.
    chart.updateIndex("RSI", 0, 0, 0, 0, "9");
    ASSERT_EQ(chart.subPanes().size(), 1);
    EXPECT_EQ(upper(pane->indexNames()), QStringList({"RSI"}));
    EXPECT_EQ(pane->graph()->paramText("RSI"), "9");
}

TEST(ModelWidget, TakeOverFormulaFollowsTheSelectedStrategy)
{
    ktest::UserFormula takeOver("MYSTRATEGY", 2, -1);
    ModelChart chart(nullptr, 0);
    chart.setStock(QStringLiteral("SH600000"));
    const QStringList before = upper(chart.mainPane()->indexNames());

    // No strategy selected: nothing changes.
    chart.updateIndex(takeOver.name, 0, 0, 0, 0, QString());
    EXPECT_EQ(upper(chart.mainPane()->indexNames()), before);
    EXPECT_FALSE(chart.mainPane()->graph()->isExternalMainGraph());

    {
        SelectedStrategy own(1);
        chart.updateIndex(takeOver.name, 0, 0, 0, 0, QString());
        EXPECT_TRUE(chart.mainPane()->graph()->isExternalMainGraph());
        EXPECT_EQ(upper(chart.mainPane()->indexNames()), QStringList({"MYSTRATEGY"}));
        EXPECT_TRUE(own.strategy->isShowMain());
    }
    {
        SelectedStrategy overlay(2);
        overlay.strategy->setShowMain(true);
        chart.updateIndex(takeOver.name, 0, 0, 0, 0, QString());
        EXPECT_EQ(upper(chart.mainPane()->indexNames()), QStringList({"KLINE", "MA"}));
        EXPECT_FALSE(overlay.strategy->isShowMain());
    }
}

TEST(ModelWidget, PriceFormulaDoubleClickToggles)
{
    ModelChart chart(nullptr, 0);
    chart.setStock(QStringLiteral("SH600000"));
    chart.updateIndex("BOLL", 0, 0, 0, 0, QString());
    EXPECT_TRUE(chart.mainPane()->hasIndex("BOLL"));
    chart.updateIndex("BOLL", 0, 0, 0, 0, QString());
    EXPECT_FALSE(chart.mainPane()->hasIndex("BOLL"));
    EXPECT_TRUE(chart.mainPane()->hasIndex("KLINE"));
}

TEST(GroupModelPanes, PositionAndVariableViewsOfTheHighlightedPane)
{
    std::vector<int> opened;
    const int token = KW::CEventBus::instance()->subscribe([&](int id, int p1, int p2, const QString& text, void*) {
        if (id == 217 && p2 == 0 && text.isEmpty())
            opened.push_back(p1);
        return false;
    });
    ModelChart chart(nullptr, 0);
    chart.resize(800, 600);
    chart.setStock(QStringLiteral("SH600000"));
    CKLineWidget* plain = chart.addIndexWidget();
    plain->addIndex("MACD", QString());
    CKLineWidget* group = chart.addIndexWidget();
    group->addIndex("GROUPDEMO", QString());
    EXPECT_EQ(chart.getModelGroupList(), QList<int>({group->paneId()}));
    EXPECT_TRUE(chart.isGroupIndexExist(group->paneId()));
    EXPECT_FALSE(chart.isGroupIndexExist(plain->paneId()));

    // A pane without a group model has no position view.
    chart.highlightWidget(plain->paneId());
    chart.viewGroupModelPosition();
    EXPECT_FALSE(plain->graph()->isPositionViewShown());
    EXPECT_TRUE(opened.empty());

    chart.highlightWidget(group->paneId());
    chart.viewGroupModelPosition();
    EXPECT_TRUE(group->graph()->isPositionViewShown());
    EXPECT_EQ(opened, std::vector<int>({group->paneId()}));
    // The variable view replaces it on the same pane.
    chart.viewVariable();
    EXPECT_TRUE(group->graph()->isVariableViewShown());
    EXPECT_FALSE(group->graph()->isPositionViewShown());
    // Esc closes it.
    QTest::keyClick(&chart, Qt::Key_Escape);
    EXPECT_FALSE(group->graph()->isVariableViewShown());
    KW::CEventBus::instance()->unsubscribe(token);
}

TEST(TemplateStrip, VisibilityButtonsAndDeletedFormulas)
{
    TC::getConfig()->setConciseStyle(true);
    struct Plain {
        ~Plain() { TC::getConfig()->setConciseStyle(false); }
    } restore;
    ktest::CSpyChart chart(nullptr, 0);
    ASSERT_TRUE(chart.indexModel());
    chart.show();
    EXPECT_FALSE(chart.indexModel()->isVisible());
    chart.showIndexModelWidget();
    EXPECT_TRUE(chart.indexModel()->isVisible());
    chart.setIndexModelVisible(false);
    EXPECT_FALSE(chart.indexModel()->isVisible());
    chart.changeBtnStatus(false);
    EXPECT_FALSE(chart.indexModel()->isBtnEnabled());

    // A formula a pane loses goes to the recent list; deleting it from the
    // catalogue drops it there too.
    chart.setStock(QStringLiteral("SH600000"));
    chart.addIndexWidget()->addIndex("KDJ", QString());
    chart.updateIndex("RSI", 1, 0, 0, 0, QString());
    ASSERT_TRUE(chart.getSelectIndex().contains("KDJ"));
    chart.updateIndex("KDJ", 4, 0, 0, 0, QString());
    EXPECT_FALSE(chart.getSelectIndex().contains("KDJ"));
}

} // namespace
