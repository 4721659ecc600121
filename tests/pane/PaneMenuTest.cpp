// The pane's context menu: which items a right click offers, their states,
// and what triggering them does.
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMouseEvent>
#include <QMessageBox>

#include "common/TestHelpers.h"
#include "pane/PaneTestSupport.h"
#include "platform/config/CAppConfig.h"
#include "platform/config/CUserConfig.h"
#include "platform/formula/catalog/FormulaPeriod.h"
#include "platform/framework/CMessageBox.h"
#include "platform/market/CDividAdjuster.h"
#include "platform/market/InstrumentAccess.h"

using ptest::PaneFixture;

namespace {

// Texts of the menu's items (submenus by title), separators left out.
QStringList texts(const QMenu* menu)
{
    QStringList out;
    for (QAction* a : menu->actions())
        if (!a->isSeparator())
            out << a->text();
    return out;
}

// The item at a "/"-separated path of titles; null when there is none.
QAction* item(const QMenu* menu, const QString& path)
{
    const QStringList parts = path.split(QLatin1Char('/'));
    const QMenu* m = menu;
    for (int i = 0; i < parts.size(); ++i) {
        QAction* found = nullptr;
        for (QAction* a : m->actions())
            if (a->text() == parts[i])
                found = a;
        if (!found || i + 1 == parts.size())
            return found;
        m = found->menu();
        if (!m)
            return nullptr;
    }
    return nullptr;
}

class PaneMenu : public PaneFixture
{
protected:
    std::unique_ptr<QMenu> menu() { return std::unique_ptr<QMenu>(graph->createContextMenu()); }
    void trigger(const QString& path)
    {
        auto m = menu();
        ASSERT_TRUE(m);
        QAction* a = item(m.get(), path);
        ASSERT_TRUE(a) << path.toStdString();
        a->trigger();
    }
    ktest::ScopedClientType client{1};
    ktest::ScopedUserConfig user{std::make_shared<TC::CUserConfig>()};
};

const QStringList kTail{"导出公式", "导出数据", "新建工作组", "复制请求信息", "下载数据", "添加扩展数据", "复制运行进度"};

TEST_F(PaneMenu, MainPaneOffersMenuBThenTheCommonTail)
{
    build();
    auto m = menu();
    ASSERT_TRUE(m);
    // SH600000 is of stock type 100001: the convertible item is offered.
    EXPECT_EQ(texts(m.get()), QStringList({"添加指标", "修改指标参数", "编辑指标", "修改K线数据", "时段行情",
                                           "叠加指标",
                                           "取消叠加指标", "显示指标排名", "所属板块分析", "叠加板块指数",
                                           "自动叠加转债正股品种", "叠加品种", "取消叠加品种", "复制模型运行结果",
                                           "加入自选股", "分析周期", "复权处理", "锁定界面位置"}) +
                                  kTail);
    // Only superposable price-pane formulas are offered over the candles.
    EXPECT_TRUE(item(m.get(), "叠加指标/技术指标/趋势指标/BOLL"));
    EXPECT_FALSE(item(m.get(), "叠加指标/技术指标/能量指标/MACD"));
    QAction* kline = item(m.get(), "取消叠加指标/KLINE");
    ASSERT_TRUE(kline);
    EXPECT_TRUE(kline->isChecked());

    // Without editor rights the editing items go; the tick chart loses the
    // superposition items and gains the tick refresh.
    TC::getUserConfig()->setFormulaEditorAuth(false);
    ui->tickGraph = true;
    const QStringList tick = texts(menu().get());
    EXPECT_FALSE(tick.contains("修改指标参数") || tick.contains("编辑指标") || tick.contains("修改K线数据"));
    EXPECT_FALSE(tick.contains("叠加板块指数") || tick.contains("叠加品种") || tick.contains("取消叠加品种"));
    EXPECT_EQ(tick.mid(0, 4), QStringList({"分笔盘口联动", "查看本地所有分笔数据", "刷新分笔数据", "添加指标"}));
}

TEST_F(PaneMenu, CheckStatesFollowTheChart)
{
    build();
    ui->lockCursor = false;
    ui->drType = 3;
    ui->swLevel = 2;
    auto m = menu();
    // Shown checked only while on.
    EXPECT_FALSE(item(m.get(), "锁定界面位置")->isCheckable());
    EXPECT_EQ(item(m.get(), "显示指标排名")->isCheckable(),
              TC::SingletonManager::getIndexUserConfig()->get().showParamRank);
    int checked = 0;
    for (QAction* a : item(m.get(), "分析周期")->menu()->actions()) {
        checked += a->isChecked();
        EXPECT_EQ(a->isChecked(), a->data().toInt() == 86400) << a->text().toStdString();
    }
    EXPECT_EQ(checked, 1);
    const QList<QAction*> dr = item(m.get(), "复权处理")->menu()->actions();
    ASSERT_EQ(dr.size(), 5);
    EXPECT_TRUE(dr[3]->isChecked());
    EXPECT_EQ(dr[3]->shortcut(), QKeySequence("Ctrl+V"));
    EXPECT_EQ(dr[4]->shortcut(), QKeySequence("Ctrl+B"));
    const QList<QAction*> levels = item(m.get(), "叠加板块指数")->menu()->actions();
    ASSERT_EQ(levels.size(), 3);
    EXPECT_TRUE(levels[1]->isChecked() && !levels[0]->isChecked() && !levels[2]->isChecked());

    ui->lockCursor = true;
    auto locked = menu();
    QAction* lock = item(locked.get(), "锁定界面位置");
    EXPECT_TRUE(lock->isCheckable() && lock->isChecked());
}

TEST_F(PaneMenu, EventItemsDeliverTheirIds)
{
    build();
    trigger("添加指标");
    EXPECT_EQ(sink.count(185), 1);
    trigger("锁定界面位置");
    EXPECT_EQ(sink.count(202), 1);
    trigger("新建工作组");
    EXPECT_EQ(sink.count(3159), 1);
    trigger("分析周期/" + TC::getCycleName(2));
    ASSERT_TRUE(sink.last(194));
    EXPECT_EQ(sink.last(194)->p2, 300);
    trigger("复权处理/" + TC::getDrName(4));
    ASSERT_TRUE(sink.last(195));
    EXPECT_EQ(sink.last(195)->p2, 4);
    // The price series is no formula to extend.
    trigger("添加扩展数据");
    ASSERT_TRUE(sink.last(3263));
    EXPECT_TRUE(sink.last(3263)->text.isEmpty());
    trigger("复制请求信息");
    EXPECT_EQ(QApplication::clipboard()->text(), "code:SH600000\nformulas:KLINE\nreqIDs:pane-id");
}

TEST_F(PaneMenu, OverlaysReplaceEachOtherAndKeepTheCandles)
{
    build();
    trigger("叠加指标/技术指标/趋势指标/BOLL");
    EXPECT_EQ(graph->indexNames(), QStringList({"KLINE", "BOLL"}));
    EXPECT_EQ(sink.count(201), 1);
    trigger("叠加指标/技术指标/趋势指标/MA");
    EXPECT_EQ(graph->indexNames(), QStringList({"KLINE", "MA"}));
    // A checked overlay comes off again.
    trigger("叠加指标/技术指标/趋势指标/MA");
    EXPECT_EQ(graph->indexNames(), QStringList({"KLINE"}));

    graph->addIndex("BOLL", QString());
    sink.events.clear();
    trigger("取消叠加指标/BOLL");
    EXPECT_EQ(graph->indexNames(), QStringList({"KLINE"}));
    EXPECT_EQ(sink.count(201), 1);
    EXPECT_EQ(sink.count(204), 1);
}

TEST_F(PaneMenu, AFinishedStatisticsSelectionBecomesZoomAndStatistics)
{
    build(30, QSize(420, 300));
    ui->crossVisible = true;
    QTest::mousePress(graph.get(), Qt::RightButton, Qt::NoModifier, QPoint(60, 100));
    // QTest::mouseMove only moves the cursor on the offscreen platform.
    QMouseEvent move(QEvent::MouseMove, QPoint(220, 140), graph->mapToGlobal(QPoint(220, 140)), Qt::NoButton,
                     Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(graph.get(), &move);
    QTest::mouseRelease(graph.get(), Qt::RightButton, Qt::NoModifier, QPoint(220, 140));
    ASSERT_FALSE(graph->isStatOpen());
    const int first = ui->getIndexByXAxis(60);
    const int last = ui->getIndexByXAxis(220);
    auto m = menu();
    EXPECT_EQ(texts(m.get()), QStringList({"放大", "时段统计"}) + kTail);
    // The selection is gone once the menu is built.
    EXPECT_TRUE(graph->isStatOpen());
    EXPECT_TRUE(graph->statRect().isEmpty());
    item(m.get(), "放大")->trigger();
    ASSERT_TRUE(sink.last(190));
    EXPECT_EQ(sink.last(190)->p1, first);
    EXPECT_EQ(sink.last(190)->p2, last);
    item(m.get(), "时段统计")->trigger();
    ASSERT_TRUE(sink.last(191));
    EXPECT_EQ(sink.last(191)->p1, first);
    const QStringList parts = sink.last(191)->text.split(',');
    ASSERT_EQ(parts.size(), 3);
    EXPECT_EQ(parts[0].toInt(), last);
    EXPECT_EQ(parts[1].toLongLong(), ui->m_tradeDateList.at(std::max(first - 1, 0)));
    EXPECT_EQ(parts[2].toLongLong(), ui->m_tradeDateList.at(last));
}

TEST_F(PaneMenu, IndicatorPaneOffersMenuEAndClosesItsIndicator)
{
    build(30, QSize(420, 200), {"MACD"}, 1);
    auto m = menu();
    const QStringList t = texts(m.get());
    EXPECT_EQ(t.mid(0, 4), QStringList({"添加指标", "更改副图指标", "修改指标参数", "编辑指标"}));
    EXPECT_EQ(t.mid(t.size() - kTail.size() - 1, 1), QStringList({"关闭指标"}));
    QAction* macd = item(m.get(), "更改副图指标/技术指标/能量指标/MACD");
    ASSERT_TRUE(macd);
    EXPECT_TRUE(macd->isChecked());
    EXPECT_FALSE(item(m.get(), "更改副图指标/技术指标/超买超卖/KDJ")->isChecked());

    item(m.get(), "更改副图指标/技术指标/超买超卖/KDJ")->trigger();
    EXPECT_EQ(graph->indexNames(), QStringList({"KDJ"}));
    EXPECT_EQ(sink.count(180), 1);
    trigger("关闭指标");
    EXPECT_TRUE(graph->indexNames().isEmpty());
    ASSERT_TRUE(sink.last(3020));
    EXPECT_EQ(sink.last(3020)->text, "KDJ");
    EXPECT_EQ(sink.count(201), 1);
}

TEST_F(PaneMenu, NoMenuWhereThePaneOffersNone)
{
    build(30, QSize(420, 300), {"KLINE"}, 0, 3);
    EXPECT_FALSE(menu());
    EXPECT_FALSE(graph->createSuperposeMenu());
}

TEST_F(PaneMenu, HolographicQuotesGiveTheShortMenu)
{
    build();
    ui->quoteLevel = 3;
    EXPECT_EQ(texts(menu().get()), QStringList({"分笔盘口联动", "锁定界面位置"}));
    trigger("分笔盘口联动");
    EXPECT_FALSE(ui->connectTick);
    EXPECT_EQ(sink.count(184), 1);
}

TEST_F(PaneMenu, SuperposingFollowsTheLimits)
{
    build();
    const auto stock = [](const char* key) { return TC::CStockManager::getInstrumentDetail(key); };
    KW::CMessageBox::setAutoAnswer(QMessageBox::Ok);
    graph->onSuperposeStockSelected(stock("SH600000"), 0); // the chart's own
    EXPECT_TRUE(ui->addStockList.isEmpty());
    graph->onSuperposeStockSelected(stock("SH600519"), 0);
    graph->onSuperposeStockSelected(stock("SH600519"), 0); // again
    ASSERT_EQ(ui->addStockList.size(), 1);
    auto page = std::make_shared<qlservice::CInstrumentDetail>();
    page->code = "03";
    graph->onSuperposeStockSelected(page, 3);
    ASSERT_EQ(ui->addStockList.size(), 2);
    EXPECT_EQ(TC::getDetailQsKey(ui->addStockList.last()), "SH000001");
    graph->onSuperposeStockSelected(stock("SZ000651"), 0);
    ASSERT_EQ(ui->addStockList.size(), 3);
    const int boxes = KW::CMessageBox::shownCount();
    graph->onSuperposeStockSelected(stock("SZ000063"), 0);
    EXPECT_EQ(ui->addStockList.size(), 3);
    EXPECT_EQ(KW::CMessageBox::shownCount(), boxes + 1);
    EXPECT_EQ(KW::CMessageBox::lastText(), "超过叠加的最大品种数!");

    sink.events.clear();
    trigger("取消叠加品种");
    EXPECT_TRUE(ui->addStockList.isEmpty());
    EXPECT_EQ(sink.count(200), 1);
    KW::CMessageBox::setAutoAnswer(-1);
}

TEST_F(PaneMenu, ASectorLevelThatIsOnGoesOffWithAnyLevel)
{
    build();
    trigger("叠加板块指数/申万一级");
    EXPECT_EQ(ui->swLevel, 1);
    ASSERT_EQ(ui->addStockList.size(), 1);
    EXPECT_EQ(TC::getDetailQsMarket(ui->addStockList.first()), "BKZS");
    trigger("叠加板块指数/申万三级");
    EXPECT_EQ(ui->swLevel, -1);
    EXPECT_TRUE(ui->addStockList.isEmpty());
}

TEST_F(PaneMenu, EditingTheMainPaneWithoutFormulasIsRefused)
{
    build(0, QSize(420, 300), {"KLINE"});
    graph->removeAllIndexes();
    KW::CMessageBox::setAutoAnswer(QMessageBox::Ok);
    trigger("编辑指标");
    EXPECT_EQ(KW::CMessageBox::lastTitle(), "Orvo指标终端");
    EXPECT_EQ(KW::CMessageBox::lastText(), "系统指标不可编辑!");
    EXPECT_EQ(sink.count(198), 0);
    KW::CMessageBox::setAutoAnswer(-1);
}

} // namespace
