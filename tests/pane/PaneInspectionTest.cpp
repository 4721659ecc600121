// Inspection boxes of a pane: group holdings and formula variables at the
// cursor's bar.
#include <cfloat>
#include <functional>
#include <memory>

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QMenu>
#include <QMessageBox>

#include "common/WriteFailure.h"
#include "pane/PaneTestSupport.h"
#include "platform/config/CAppConfig.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/service/CExtendDataManager.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/framework/CMessageBox.h"
#include "platform/market/CStockManager.h"

using Holding = TC::CKLineData::GroupHolding;

namespace {

template <typename F> bool waitFor(F cond, int limitMs = 20000)
{
    QElapsedTimer t;
    t.start();
    while (!cond() && t.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return cond();
}

se::RPCGroupTrade trade(qint64 tag, const char* code, double price, double volume, int side)
{
    se::RPCGroupTrade t;
    t.timeTag = tag;
    t.code = code;
    t.price = price;
    t.volume = volume;
    t.side = side;
    return t;
}

// Pixels that changed lie inside `box`.
void expectChangesInside(const QImage& a, const QImage& b, const QRect& box)
{
    int changed = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                ++changed;
                ASSERT_TRUE(box.contains(x, y)) << x << "," << y;
            }
    EXPECT_GT(changed, box.width() * box.height() / 2);
}

class PaneInspection : public ptest::PaneFixture
{
protected:
    // The fixture's bars close at 10.5 + i.
    std::shared_ptr<se::RPCGroupResult> handTrades()
    {
        const QVector<qint64> t = ptest::dayTags(20);
        auto r = std::make_shared<se::RPCGroupResult>();
        r->codes = {"SH600000", "SZ000001"};
        r->trades = {trade(t[2], "SH600000", 10, 100, 1), trade(t[4], "SH600000", 12, 100, 1),
                     trade(t[5], "SZ000001", 5, 200, 1),  trade(t[6], "SH600000", 13, 50, -1),
                     trade(t[8], "SH600000", 9, 150, -1), trade(t[10], "SH600000", 20, 100, 1)};
        return r;
    }
};

TEST_F(PaneInspection, HoldingsFollowAverageCostThroughTheTrades)
{
    build(20);
    series->setGroupResult("grp", handTrades());
    EXPECT_TRUE(series->getGroupHoldings("grp", 1).isEmpty());  // before the first trade
    EXPECT_TRUE(series->getGroupHoldings("grp", 20).isEmpty()); // no such bar

    auto at = [&](int bar) {
        const QVector<Holding> h = series->getGroupHoldings("grp", bar);
        return h.isEmpty() ? Holding() : h.first();
    };
    Holding h = at(2);
    EXPECT_DOUBLE_EQ(h.floating, (12.5 - 10) * 100);
    h = at(4); // 100@10 + 100@12
    EXPECT_DOUBLE_EQ(h.volume, 200);
    EXPECT_DOUBLE_EQ(h.avgCost, 11);
    EXPECT_DOUBLE_EQ(h.floating, (14.5 - 11) * 200);
    EXPECT_EQ(h.tradeCount, 2);
    h = at(7); // sold 50@13 on bar 6: the average stays
    EXPECT_DOUBLE_EQ(h.volume, 150);
    EXPECT_DOUBLE_EQ(h.avgCost, 11);
    EXPECT_DOUBLE_EQ(h.realized, 100);
    EXPECT_DOUBLE_EQ(h.floating, (17.5 - 11) * 150);
    EXPECT_EQ(h.lastSide, -1);
    EXPECT_DOUBLE_EQ(h.lastPrice, 13);
    EXPECT_EQ(h.lastTime, ptest::dayTags(20)[6]);
    h = at(8); // closed 150@9
    EXPECT_DOUBLE_EQ(h.volume, 0);
    EXPECT_DOUBLE_EQ(h.avgCost, 0);
    EXPECT_DOUBLE_EQ(h.realized, 100 - 300);
    EXPECT_DOUBLE_EQ(h.floating, 0);
    EXPECT_EQ(h.tradeCount, 4);
    h = at(12); // a fresh position after the close
    EXPECT_DOUBLE_EQ(h.volume, 100);
    EXPECT_DOUBLE_EQ(h.avgCost, 20);
    EXPECT_DOUBLE_EQ(h.realized, -200);
    EXPECT_DOUBLE_EQ(h.floating, (22.5 - 20) * 100);

    // The other instrument has no bars in the series: no floating value.
    const QVector<Holding> both = series->getGroupHoldings("grp", 8);
    ASSERT_EQ(both.size(), 2);
    EXPECT_EQ(both[1].code, "SZ000001");
    EXPECT_DOUBLE_EQ(both[1].volume, 200);
    EXPECT_EQ(both[1].floating, DBL_MAX);
}

TEST_F(PaneInspection, ASellBeyondTheHoldingOpensAShortAtTheSellPrice)
{
    build(10);
    const QVector<qint64> t = ptest::dayTags(10);
    auto r = std::make_shared<se::RPCGroupResult>();
    r->trades = {trade(t[1], "SH600000", 10, 100, 1), trade(t[3], "SH600000", 14, 300, -1),
                 trade(t[5], "SH600000", 12, 200, 1)};
    series->setGroupResult("grp", r);
    const Holding h = series->getGroupHoldings("grp", 3).value(0); // closes 100 (+400), 200 short @14
    EXPECT_DOUBLE_EQ(h.volume, -200);
    EXPECT_DOUBLE_EQ(h.avgCost, 14);
    EXPECT_DOUBLE_EQ(h.floating, (13.5 - 14) * -200);
    EXPECT_DOUBLE_EQ(series->getGroupHoldings("grp", 5).value(0).realized, 400 + 400); // covered @12
}

TEST_F(PaneInspection, PositionBoxFollowsTheCrosshairInsideThePlot)
{
    build(20, QSize(520, 300));
    series->setGroupResult("pane-id", handTrades());
    const QImage before = shot();
    const int refreshes = graph->refreshCount();
    graph->showPositionView(true);
    ASSERT_TRUE(graph->isPositionViewShown());
    // The last bar while no crosshair shows.
    QStringList lines = graph->inspectionLines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], QStringLiteral("持仓 2024/01/21周日"));
    EXPECT_EQ(lines[1], QStringLiteral("代码\t持仓\t成本\t浮动盈亏\t已实现盈亏\t最近成交"));
    EXPECT_EQ(lines[2], QStringLiteral("SH600000\t100\t20.00\t950.00\t-200.00\t买 20.00×100"));
    EXPECT_EQ(lines[3], QStringLiteral("SZ000001\t200\t5.00\t--\t0.00\t买 5.00×200"));
    const QImage after = shot();
    EXPECT_EQ(graph->refreshCount(), refreshes); // composed, not redrawn
    const QRect box = graph->inspectionBoxRect();
    EXPECT_TRUE(graph->inspectionPlotRect().contains(box));
    expectChangesInside(before, after, box);

    ui->crossVisible = true;
    ui->crossIndex = 8;
    graph->updateInspectionView();
    lines = graph->inspectionLines();
    EXPECT_EQ(lines[0], QStringLiteral("持仓 2024/01/10周三"));
    EXPECT_EQ(lines[2], QStringLiteral("SH600000\t0\t--\t0.00\t-200.00\t卖 9.00×150"));
    ui->crossIndex = 1;
    EXPECT_EQ(graph->inspectionLines().value(2), QStringLiteral("暂无成交"));
}

TEST_F(PaneInspection, LongListsAreCutWithAnEllipsis)
{
    build(10, QSize(420, 110));
    auto r = std::make_shared<se::RPCGroupResult>();
    for (int i = 0; i < 30; ++i)
        r->trades.push_back(trade(ptest::dayTags(10)[2],
                                  qPrintable(QStringLiteral("SZ%1").arg(i, 6, 10, QLatin1Char('0'))), 10, 100,
                                  1));
    series->setGroupResult("pane-id", r);
    graph->showPositionView(true);
    const QStringList lines = graph->inspectionLines();
    ASSERT_GE(lines.size(), 2);
    EXPECT_LT(lines.size(), 30);
    EXPECT_EQ(lines.last(), QStringLiteral("…"));
    shot();
    EXPECT_TRUE(graph->inspectionPlotRect().contains(graph->inspectionBoxRect()));
}

TEST_F(PaneInspection, OneViewAtATimeClosedByToggleEscAndFormulaRemoval)
{
    build(5);
    graph->showPositionView(true);
    EXPECT_EQ(graph->inspectionLines(),
              QStringList({QStringLiteral("持仓 2024/01/06周六"), QStringLiteral("无持仓数据")}));
    graph->showVariableView(true); // a native formula has no variables
    EXPECT_EQ(graph->inspectionLines(),
              QStringList({QStringLiteral("变量 KLINE 2024/01/06周六"), QStringLiteral("无变量")}));
    EXPECT_FALSE(graph->isPositionViewShown());
    EXPECT_TRUE(graph->isVariableViewShown());
    graph->showPositionView(false); // not the open one: nothing changes
    EXPECT_TRUE(graph->isVariableViewShown());
    graph->toggleVariableView();
    EXPECT_FALSE(graph->isVariableViewShown());
    EXPECT_TRUE(graph->inspectionLines().isEmpty());

    graph->togglePositionView();
    QTest::keyClick(graph.get(), Qt::Key_Escape);
    EXPECT_FALSE(graph->isPositionViewShown());
    const QImage plain = shot();
    EXPECT_TRUE(graph->inspectionBoxRect().isNull());

    graph->showPositionView(true);
    graph->refreshGraph();
    EXPECT_TRUE(graph->isPositionViewShown());
    EXPECT_NE(shot(), plain);
    graph->removeAllIndexes();
    EXPECT_FALSE(graph->isPositionViewShown());
}

// A pane requested from the formula service for the chart's instrument,
// showing its last `bars` bars.
class ServedPane : public ptest::PaneFixture
{
protected:
    void serve(const QStringList& formulas, int role, int bars)
    {
        build(0, QSize(600, 400), formulas, role);
        graph->requestData(true, 0);
        key = TC::CFormulaKey("SH600000", formulas.last());
        ASSERT_TRUE(waitFor([&] { return series->getData().contains(key); }));
        const TC::RPCFormulaResultCache& cache = series->getData()[key];
        ui->m_tradeDateList.clear(); // a sub-pane's own bars
        for (const se::RPCTimeItem& t : cache.result->times)
            ui->m_tradeDateList << t.timeMs / 1000;
        ui->setMinDispIndex(std::max(ui->getLastIndex() - bars + 1, 0));
        ui->setMaxDispIndex(ui->getLastIndex());
        graph->refreshGraph();
    }
    void TearDown() override
    {
        series->unrequest();
        PaneFixture::TearDown();
    }
    TC::CFormulaKey key;
};

TEST_F(ServedPane, GroupModelHoldingsMatchItsTrades)
{
    serve({"GROUPDEMO"}, 0, 120);
    std::shared_ptr<se::RPCGroupResult> result;
    ASSERT_TRUE(series->getGroupResult(series->firstGroupResultKey(), result));
    ASSERT_FALSE(result->trades.empty());
    const QImage before = shot();
    graph->showPositionView(true);
    const QImage after = shot();
    const QRect box = graph->inspectionBoxRect();
    EXPECT_TRUE(graph->inspectionPlotRect().contains(box));
    expectChangesInside(before, after, box);

    // The model alternates single buys and sells of one lot: net volume,
    // trade count and the cost of an open lot (its buy) summed over the trades.
    const qint64 lastTag = ui->m_tradeDateList.last();
    double net = 0, lastBuy = 0;
    int count = 0;
    for (const se::RPCGroupTrade& t : result->trades)
        if (t.timeTag <= lastTag && t.code == "SH600000") {
            net += t.side * t.volume;
            lastBuy = t.side > 0 ? t.price : lastBuy;
            ++count;
        }
    const QVector<Holding> h = series->getGroupHoldings(series->firstGroupResultKey(), ui->getLastIndex());
    ASSERT_EQ(h.size(), 1);
    EXPECT_DOUBLE_EQ(h[0].volume, net);
    EXPECT_EQ(h[0].tradeCount, count);
    const double close = series->getData()[key].result->basicData.back().close;
    EXPECT_NEAR(h[0].floating, net == 0 ? 0.0 : (close - lastBuy) * net, 1e-6);
    EXPECT_TRUE(graph->inspectionLines().value(2).startsWith(QStringLiteral("SH600000\t%1\t").arg(net)));
}

TEST_F(ServedPane, VariableViewReadsTheFormulasHiddenVariableAtTheCrosshair)
{
    // RSI's LC:=REF(CLOSE,1) is the close before the bar.
    serve({"RSI"}, 1, 60);
    const se::RPCFormulaResult& r = *series->getData()[key].result;
    ASSERT_EQ(r.basicData.size(), r.times.size());
    ASSERT_GT(r.barCount(), 20);
    const int k = r.barCount() - 7;
    ui->crossVisible = true;
    ui->crossIndex = k;
    const QImage before = shot();
    graph->showVariableView(true);
    QStringList lines = graph->inspectionLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("变量 RSI ") +
                                    QDateTime::fromSecsSinceEpoch(r.times[size_t(k)].timeMs / 1000)
                                        .toString(QStringLiteral("yyyy/MM/dd"))));
    EXPECT_EQ(lines[1], QStringLiteral("LC = %1").arg(r.basicData[size_t(k - 1)].close, 0, 'f', 2));
    const QImage after = shot();
    expectChangesInside(before, after, graph->inspectionBoxRect());

    ui->crossIndex = k - 3;
    EXPECT_EQ(graph->inspectionLines().value(1),
              QStringLiteral("LC = %1").arg(r.basicData[size_t(k - 4)].close, 0, 'f', 2));
    ui->crossIndex = 0; // no bar before the first
    EXPECT_EQ(graph->inspectionLines().value(1), QStringLiteral("LC = --"));
}

} // namespace

TEST_F(ServedPane, HoldingExtensionDataIsStoredReadBackAndCatalogued)
{
    serve({"GROUPDEMO"}, 1, 120);
    std::shared_ptr<se::RPCGroupResult> result;
    ASSERT_TRUE(series->getGroupResult(series->firstGroupResultKey(), result));
    ASSERT_FALSE(result->trades.empty());

    std::unique_ptr<QMenu> menu(graph->createContextMenu());
    ASSERT_TRUE(menu);
    QAction* action = nullptr;
    for (QAction* a : menu->actions())
        if (a->text() == QStringLiteral("生成持仓扩展数据"))
            action = a;
    ASSERT_TRUE(action);
    KW::CMessageBox::setAutoAnswer(QMessageBox::Ok);
    action->trigger();
    EXPECT_EQ(KW::CMessageBox::lastText(), QStringLiteral("已生成持仓扩展数据: GROUPDEMO_holding"));

    // Net volume after each trade time, accumulated here from the trades.
    QVector<QPair<qint64, double>> expected;
    double net = 0;
    for (const se::RPCGroupTrade& t : result->trades) {
        net += t.side * t.volume;
        if (!expected.isEmpty() && expected.last().first == t.timeTag)
            expected.last().second = net;
        else
            expected.append({t.timeTag, net});
    }
    const QString path = TC::CExtendDataManager::holdingPath("GROUPDEMO");
    EXPECT_TRUE(path.startsWith(TC::CAppConfig::userDataDir() + "/EP/"));
    se::IndexData stored;
    ASSERT_TRUE(stored.creatData(path));
    EXPECT_EQ(stored.name, "GROUPDEMO_holding");
    EXPECT_EQ(stored.codes, QStringList{"SH600000"});
    ASSERT_EQ(stored.rows.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(stored.rows[i].time, expected[i].first);
        EXPECT_DOUBLE_EQ(stored.rows[i].values.value(0), expected[i].second);
    }
    EXPECT_TRUE(TC::CExtendDataManager::instance()->isExist("groupdemo_holding"));
    const auto catalog = TC::CFormulaOperateManager::getCatalog(QStringLiteral("扩展数据"));
    ASSERT_TRUE(catalog);
    EXPECT_EQ(catalog->type(), TC::CFormulaCatalog::kExtendData);
    EXPECT_TRUE(catalog->findChild("GROUPDEMO_holding"));

    // Generating again replaces the files and keeps one catalogue entry.
    action->trigger();
    KW::CMessageBox::setAutoAnswer(-1);
    int entries = 0;
    for (int i = 0; i < catalog->size(); ++i)
        entries += catalog->getChild(i)->formulaName() == "GROUPDEMO_HOLDING"; // leaves are upper case
    EXPECT_EQ(entries, 1);
}

TEST_F(PaneInspection, TradeDetailExportWritesTheLastDaysThreeLists)
{
    build(20, QSize(420, 300), {"GROUPDEMO"}, 1);
    const QVector<qint64> t = ptest::dayTags(20);
    auto r = std::make_shared<se::RPCGroupResult>();
    r->trades = {trade(t[2], "SH600000", 10, 300, 1), trade(t[5], "SZ000651", 30, 100, 1),
                 trade(t[19], "SH_600000", 11, 100, -1), trade(t[19], "SZ000651", 31, 200, 1),
                 trade(t[19], "XX_999999", 1, 50, 1)};
    series->setGroupResult("pane-id", r);
    QTemporaryDir dir;
    QString caption, start;
    TC::CKLineGraphWidget::setFolderPrompt([&](QWidget*, const QString& c, const QString& s) {
        caption = c;
        start = s;
        return dir.path();
    });
    std::unique_ptr<QMenu> menu(graph->createContextMenu());
    QAction* action = nullptr;
    for (QAction* a : menu->actions())
        if (a->text() == QStringLiteral("导出最后一天交易记录"))
            action = a;
    ASSERT_TRUE(action);
    action->trigger();
    TC::CKLineGraphWidget::setFolderPrompt({});
    EXPECT_EQ(caption, "Open Directory");
    EXPECT_EQ(start, TC::CAppConfig::userDataDir() + "/trading");

    const auto model = TC::CFormulaOperateManager::getFormula("GROUPDEMO");
    ASSERT_TRUE(model);
    const QString stem = dir.path() + "/" + model->getName() + "_" + model->getTitle() + "_" +
                         QDate::currentDate().toString("yyyyMMdd");
    const auto read = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("<missing>");
    };
    const auto line = [](const char* key, const char* volume, const char* last) {
        const auto s = TC::CStockManager::getInstrumentDetail(key);
        return QString::fromStdString(s->code) + "," + QString::fromStdString(s->name) + "," + volume + ",1," + last;
    };
    // The unknown instrument is left out; the underscore key is the same
    // instrument as SH600000.
    EXPECT_EQ(read(stem + "_buy.csv"), line("SZ000651", "200", "0"));
    EXPECT_EQ(read(stem + "_sell.csv"), line("SH600000", "100", "1"));
    EXPECT_EQ(read(stem + "_hold.csv"), line("SH600000", "200", "0") + "\n" + line("SZ000651", "300", "0"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3);
}

TEST_F(PaneInspection, ExportsOverOldFilesKeepThemWhenTheWriteFailsAndSayWhy)
{
    build(20, QSize(420, 300), {"GROUPDEMO"}, 1);
    const QVector<qint64> t = ptest::dayTags(20);
    auto r = std::make_shared<se::RPCGroupResult>();
    r->trades = {trade(t[19], "SH600000", 11, 100, 1), trade(t[19], "SZ000651", 31, 200, -1)};
    series->setGroupResult("pane-id", r);
    QTemporaryDir dir;
    const auto model = TC::CFormulaOperateManager::getFormula("GROUPDEMO");
    ASSERT_TRUE(model);
    const QString stem = dir.path() + "/" + model->getName() + "_" + model->getTitle() + "_" +
                         QDate::currentDate().toString("yyyyMMdd");
    const QStringList lists{stem + "_buy.csv", stem + "_sell.csv", stem + "_hold.csv"};
    const QString data = dir.filePath("data.csv");
    for (const QString& f : lists + QStringList{data})
        ASSERT_TRUE(ktest::writeFile(f, "old"));
    TC::CKLineGraphWidget::setFolderPrompt(
        [&](QWidget*, const QString&, const QString&) { return dir.path(); });
    TC::CKLineGraphWidget::setSaveFilePrompt(
        [&](QWidget*, const QString&, const QString&, const QString&) { return data; });
    KW::CMessageBox::setAutoAnswer(QMessageBox::Ok);
    const auto trigger = [&](const QString& text) {
        std::unique_ptr<QMenu> menu(graph->createContextMenu());
        std::function<QAction*(QMenu*)> find = [&](QMenu* m) -> QAction* {
            for (QAction* a : m->actions()) {
                if (a->menu())
                    if (QAction* inner = find(a->menu()))
                        return inner;
                if (a->text() == text)
                    return a;
            }
            return nullptr;
        };
        QAction* a = find(menu.get());
        ASSERT_TRUE(a) << text.toStdString();
        a->trigger();
    };
    for (const auto kind : ktest::kWriteFailures) {
        SCOPED_TRACE(ktest::kindName(kind));
        QString tradeText, dataText;
        {
            ktest::ScopedWriteFailure failure(kind, dir.path());
            if (!failure.available())
                continue;
            trigger(QStringLiteral("导出最后一天交易记录"));
            tradeText = KW::CMessageBox::lastText();
            trigger(QStringLiteral("导出数据"));
            dataText = KW::CMessageBox::lastText();
        }
        EXPECT_TRUE(tradeText.startsWith(QStringLiteral("导出失败: 无法写入 ") + lists[0]))
            << tradeText.toStdString();
        EXPECT_TRUE(dataText.startsWith(QStringLiteral("导出失败: 无法写入 ") + data))
            << dataText.toStdString();
        for (const QString& f : lists + QStringList{data})
            EXPECT_EQ(ktest::readFile(f), QByteArray("old")) << f.toStdString();
        EXPECT_EQ(ktest::folderEntries(dir.path()).size(), 4);
    }
    // Writable: every file is replaced whole.
    const int boxes = KW::CMessageBox::shownCount();
    trigger(QStringLiteral("导出最后一天交易记录"));
    trigger(QStringLiteral("导出数据"));
    EXPECT_EQ(KW::CMessageBox::shownCount(), boxes);
    for (const QString& f : lists + QStringList{data})
        EXPECT_FALSE(ktest::readFile(f).contains("old")) << f.toStdString();
    EXPECT_TRUE(ktest::readFile(stem + "_buy.csv").startsWith("600000,"));
    TC::CKLineGraphWidget::setFolderPrompt({});
    TC::CKLineGraphWidget::setSaveFilePrompt(nullptr);
    KW::CMessageBox::setAutoAnswer(-1);
}
