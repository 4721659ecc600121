// "显示交易成交": the accounts of the instrument's kind, their selection in
// the view model and the events the items deliver.
#include <QMenu>

#include "pane/PaneTestSupport.h"
#include "platform/trading/CLinkageManager.h"

namespace {

QMenu* accountMenu(const QMenu* menu)
{
    for (QAction* a : menu->actions())
        if (a->text() == QStringLiteral("显示交易成交"))
            return a->menu();
    return nullptr;
}

QStringList checkedIds(const QMenu* sub)
{
    QStringList out;
    for (QAction* a : sub->actions())
        if (a->isCheckable() && a->isChecked() && a->text() != QStringLiteral("全选"))
            out << a->text();
    return out;
}

class PaneTradeAccounts : public ptest::PaneFixture
{
protected:
    void SetUp() override
    {
        build(20);
        ui->tickGraph = true;
        ui->period = 0;
        stockIds = TC::CLinkageManager::instance()->getAccountIds(2);
        ASSERT_GE(stockIds.size(), 2) << "the sample service has stock accounts";
    }
    std::unique_ptr<QMenu> menu() { return std::unique_ptr<QMenu>(graph->createContextMenu()); }
    QStringList stockIds;
};

} // namespace

TEST_F(PaneTradeAccounts, OfferedOnTheTickChartOnlyWhileTheServiceIsEnabled)
{
    EXPECT_TRUE(accountMenu(menu().get()));
    TC::CLinkageManager::instance()->setEnable(false);
    EXPECT_FALSE(accountMenu(menu().get()));
    TC::CLinkageManager::instance()->setEnable(true);
    ui->tickGraph = false;
    ui->period = 86400;
    EXPECT_FALSE(accountMenu(menu().get()));
}

TEST_F(PaneTradeAccounts, SelectAllTogglesEveryStockAccountAndReportsTheKind)
{
    auto m = menu();
    QMenu* sub = accountMenu(m.get());
    ASSERT_TRUE(sub);
    const QList<QAction*> items = sub->actions();
    ASSERT_EQ(items.first()->text(), QStringLiteral("全选"));
    EXPECT_FALSE(items.first()->isChecked());
    EXPECT_EQ(items.last()->text(), QStringLiteral("显示详细交易数据"));
    // SH600000 trades on a stock market: the stock accounts, none selected.
    QStringList listed;
    for (QAction* a : items)
        if (a->isCheckable() && a->text() != QStringLiteral("全选"))
            listed << a->text();
    EXPECT_EQ(listed, stockIds);
    EXPECT_TRUE(checkedIds(sub).isEmpty());

    ui->stockMarkNames = QStringList{stockIds.first()};
    items.first()->trigger();
    EXPECT_EQ(ui->stockMarkNames, stockIds); // the missing ids appended in order
    EXPECT_TRUE(ui->tradeMarkMode & 2);      // the marks show the chosen accounts
    EXPECT_EQ(checkedIds(sub), stockIds);
    ASSERT_TRUE(sink.last(3163));
    EXPECT_EQ(reinterpret_cast<quintptr>(sink.last(3163)->data), quintptr(2));
    EXPECT_TRUE(ui->futuresMarkNames.isEmpty());

    // A new menu shows "全选" checked; choosing it again clears the selection.
    m = menu();
    sub = accountMenu(m.get());
    EXPECT_TRUE(sub->actions().first()->isChecked());
    sub->actions().first()->trigger();
    EXPECT_TRUE(ui->stockMarkNames.isEmpty());
    EXPECT_TRUE(checkedIds(sub).isEmpty());
    EXPECT_FALSE(ui->tradeMarkMode & 2);
}

TEST_F(PaneTradeAccounts, OneAccountTogglesItsIdAndDetailsAskTheHost)
{
    auto m = menu();
    QMenu* sub = accountMenu(m.get());
    QAction* second = nullptr;
    for (QAction* a : sub->actions())
        if (a->text() == stockIds[1])
            second = a;
    ASSERT_TRUE(second);
    second->trigger();
    EXPECT_EQ(ui->stockMarkNames, QStringList{stockIds[1]});
    EXPECT_EQ(sink.count(3163), 1);
    EXPECT_EQ(sink.last(3163)->data, nullptr);
    second->trigger();
    EXPECT_TRUE(ui->stockMarkNames.isEmpty());
    sub->actions().last()->trigger();
    EXPECT_EQ(sink.count(3160), 1);
}
