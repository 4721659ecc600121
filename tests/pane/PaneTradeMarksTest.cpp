// Trade marks on the tick chart's main pane: deals and orders of the chosen
// accounts where their bar and price are, their colours, the day's cost
// line, the hit tests behind the tip box and the double-click.
#include <QHelpEvent>

#include "pane/PaneTestSupport.h"
#include "platform/trading/CLinkageManager.h"

namespace {

const char* kAccount = "MARKTEST1";

class PaneTradeMarks : public ptest::PaneFixture
{
protected:
    void SetUp() override
    {
        // A trading day of the sample's history the service has no records
        // of: only the imports below are drawn.
        QVector<qint64> days;
        ASSERT_TRUE(TC::CStockManager::getTradeDateList("SH", days));
        ASSERT_GT(days.size(), 40);
        buildDay(days[days.size() - 30]);
    }
    void buildDay(qint64 dayTime)
    {
        day = QDateTime::fromSecsSinceEpoch(dayTime).date();
        prevClose = TC::CStockManager::getCurrentDateLastClose("SH600000", int(dayTime));
        ASSERT_LT(prevClose, 1e9);

        build(0);
        ui->period = 0;
        ui->tickGraph = true;
        const qint64 dayTag = QDateTime(day, QTime(0, 0)).toSecsSinceEpoch();
        ui->getTradeDateFunc = [dayTag] { return int(dayTag); };
        // 20 one-minute bars from 10:00, all at the previous close, ranging
        // 2 % either way: a price maps to a known row.
        QVector<qint64> tags;
        for (int i = 0; i < 20; ++i)
            tags << QDateTime(day, QTime(10, i)).toSecsSinceEpoch();
        series->book(TC::CFormulaKey("SH600000", "KLINE"), "pane-id");
        auto meta = std::make_shared<se::RPCFormulaMetaResult>();
        auto result = std::make_shared<se::RPCFormulaResult>();
        ptest::klineRecords(tags, *meta, *result);
        for (size_t i = 0; i < result->values[0].size(); ++i) {
            result->values[0][i] = result->values[3][i] = prevClose;
            result->values[1][i] = prevClose * 1.02;
            result->values[2][i] = prevClose * 0.98;
        }
        series->formulaHistoryCallback(meta, result, "pane-id", 1, QString(), false, true);
        ui->m_tradeDateList = tags;
        ui->setMinDispIndex(0);
        ui->setMaxDispIndex(19);
        graph->resize(600, 300);

        TC::CLinkageManager* link = TC::CLinkageManager::instance();
        link->clearImportData();
        const QString d = day.toString("yyyyMMdd");
        // Buys at bars 2 and 6 (the second in the "hhmmss" form), a sell at 10,
        // an order at 14.
        ASSERT_TRUE(link->importDeal(kAccount, "SH600000", d + " 10:02:10", buyPrice1(), 48, 100, 0));
        ASSERT_TRUE(link->importDeal(kAccount, "SH600000", d + " 100630", buyPrice2(), 48, 300, 0));
        ASSERT_TRUE(link->importDeal(kAccount, "SH600000", d + " 10:10:00", sellPrice(), 49, 200, 0));
        ASSERT_TRUE(link->importOrder(kAccount, "SH600000", d + " 10:14:00", buyPrice1(), 48, 500, 0));
        ui->stockMarkNames = QStringList{kAccount};
        ui->tradeMarkMode = 2;
    }
    void TearDown() override
    {
        TC::CLinkageManager::instance()->clearImportData();
        PaneFixture::TearDown();
    }
    double buyPrice1() const { return prevClose * 1.01; }
    double buyPrice2() const { return prevClose * 0.995; }
    double sellPrice() const { return prevClose * 0.99; }
    // The bar a time of the day falls in, as the chart's time lookup says.
    int barAt(int h, int m, int s) const
    {
        return ui->getIndexByTimeTag(int(QDateTime(day, QTime(h, m, s)).toSecsSinceEpoch()));
    }
    QPoint at(int bar, double price) const
    {
        return QPoint(ui->getXAxisByIndex(bar, -1, -1), series->yOfValue(price, graph->rect()));
    }
    // Source-over of `c` at `alpha` on `bg`.
    static QColor blend(QColor c, int alpha, QColor bg)
    {
        const auto mix = [&](int f, int b) { return (f * alpha + b * (255 - alpha)) / 255; };
        return QColor(mix(c.red(), bg.red()), mix(c.green(), bg.green()), mix(c.blue(), bg.blue()));
    }
    static bool near(QColor a, QColor b)
    {
        return std::abs(a.red() - b.red()) <= 3 && std::abs(a.green() - b.green()) <= 3 &&
               std::abs(a.blue() - b.blue()) <= 3;
    }
    QDate day;
    double prevClose = 0;
};

} // namespace

TEST_F(PaneTradeMarks, DealsAndOrdersSitAtTheirBarAndPriceInTheirSideColour)
{
    graph->refreshGraph();
    const QImage img = shot();
    const QColor bg = colour("ic_clr_graph_kline_bg");
    const QPoint buy = at(barAt(10, 2, 10), buyPrice1());
    const QPoint sell = at(barAt(10, 10, 0), sellPrice());
    const QPoint order = at(barAt(10, 14, 0), buyPrice1());
    // Pixels of the mark's own colour around its centre (the bar's shadow
    // line and the cost line cross some of them).
    const auto count = [&](QPoint c, QColor want) {
        int n = 0;
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx)
                n += near(QColor(img.pixel(c + QPoint(dx, dy))), want);
        return n;
    };
    const QColor buyFill = blend(QColor(255, 0, 0), 128, bg);
    EXPECT_GE(count(buy, buyFill), 8);
    EXPECT_GE(count(sell, blend(QColor(0, 255, 0), 128, bg)), 8);
    EXPECT_EQ(count(sell, buyFill), 0);
    // An order is a small ring: some pixels, fewer than a filled deal's.
    const int ring = count(order, buyFill);
    EXPECT_GE(ring, 4);
    EXPECT_LT(ring, count(buy, buyFill));

    // The hit box reaches 4 pixels in every direction, not 5.
    QVector<std::shared_ptr<qlservice::CDealDetail>> deals;
    series->getDealsAt(buy.x() + 4, buy.y() - 4, deals);
    ASSERT_EQ(deals.size(), 1);
    EXPECT_EQ(deals[0]->m_volume, 100);
    deals.clear();
    series->getDealsAt(buy.x() + 5, buy.y(), deals);
    EXPECT_TRUE(deals.isEmpty());
    // The "hhmmss" deal is placed too.
    const QPoint late = at(barAt(10, 6, 30), buyPrice2());
    series->getDealsAt(late.x(), late.y(), deals);
    ASSERT_EQ(deals.size(), 1);
    EXPECT_EQ(deals[0]->m_volume, 300);
    EXPECT_TRUE(series->hitOrderMark(order.x(), order.y()));
    EXPECT_FALSE(series->hitDealMark(order.x(), order.y()));
}

TEST_F(PaneTradeMarks, CostLineStepsToTheRunningAverageOfTheDaysBuys)
{
    graph->refreshGraph();
    const auto& buys = ui->tradeMarkMaps[0];
    ASSERT_EQ(buys.size(), 1u);
    const auto& bars = buys.begin()->second;
    const int b1 = barAt(10, 2, 10), b2 = barAt(10, 6, 30);
    ASSERT_EQ(bars.size(), 2u);
    ASSERT_TRUE(bars.count(b1) && bars.count(b2));
    EXPECT_DOUBLE_EQ(bars.at(b1).first, 100);
    EXPECT_NEAR(bars.at(b2).second, 300 * buyPrice2(), 1e-6);
    // From the first buy's bar the line runs at its price, at the second
    // buy's bar it drops to the average of both and runs on to the last
    // visible bar.
    const QImage img = shot();
    const QColor bg = colour("ic_clr_graph_kline_bg");
    const QColor line = blend(QColor(255, 0, 0), 192, bg);
    const double average = (100 * buyPrice1() + 300 * buyPrice2()) / 400;
    const int between = ui->getXAxisByIndex(b1 + 1, -1, -1) + 2;
    const int after = ui->getXAxisByIndex(16, -1, -1) + 2;
    EXPECT_TRUE(near(QColor(img.pixel(between, at(0, buyPrice1()).y())), line));
    EXPECT_TRUE(near(QColor(img.pixel(after, at(0, average).y())), line));
    EXPECT_TRUE(near(QColor(img.pixel(after, at(0, buyPrice1()).y())), bg));
}

TEST_F(PaneTradeMarks, NothingOnADayChartOrWithoutChosenAccounts)
{
    ui->period = 86400;
    graph->refreshGraph();
    const QPoint buy = at(barAt(10, 2, 10), buyPrice1());
    EXPECT_FALSE(series->hitDealMark(buy.x(), buy.y()));
    ui->period = 0;
    ui->stockMarkNames.clear();
    graph->refreshGraph();
    EXPECT_FALSE(series->hitDealMark(buy.x(), buy.y()));
    ui->stockMarkNames = QStringList{kAccount};
    graph->refreshGraph();
    EXPECT_TRUE(series->hitDealMark(buy.x(), buy.y()));
}

TEST_F(PaneTradeMarks, ToolTipShowsTheDealAndADoubleClickAsksForItsList)
{
    graph->refreshGraph();
    const QPoint buy = at(barAt(10, 2, 10), buyPrice1());
    QMouseEvent move(QEvent::MouseMove, buy, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(graph.get(), &move);
    QHelpEvent tip(QEvent::ToolTip, buy, graph->mapToGlobal(buy));
    QApplication::sendEvent(graph.get(), &tip);
    EXPECT_TRUE(graph->isTradeTipShown());

    ui->enableDoubleClick = false;
    sink.events.clear();
    QTest::mouseDClick(graph.get(), Qt::LeftButton, Qt::NoModifier, at(barAt(10, 10, 0), sellPrice()));
    ASSERT_TRUE(sink.last(3164));
    EXPECT_EQ(sink.last(3164)->text, "linkage_deals");
    EXPECT_EQ(sink.last(3164)->data, graph.get());
}

TEST_F(PaneTradeMarks, RecordsBeforeTheFirstBarOfTheirDayTakeItRecordsAfterTheLastHaveNone)
{
    const QString d = day.toString("yyyyMMdd");
    TC::CLinkageManager* link = TC::CLinkageManager::instance();
    ASSERT_TRUE(link->importDeal(kAccount, "SH600000", d + " 09:25:00", prevClose * 1.015, 48, 700, 0));
    ASSERT_TRUE(link->importDeal(kAccount, "SH600000", d + " 14:00:00", prevClose * 1.015, 48, 900, 0));
    graph->refreshGraph();
    QVector<std::shared_ptr<qlservice::CDealDetail>> deals;
    const QPoint first = at(0, prevClose * 1.015);
    series->getDealsAt(first.x(), first.y(), deals);
    ASSERT_EQ(deals.size(), 1);
    EXPECT_EQ(deals[0]->m_volume, 700);
    // Every drawn deal, searched along the price row of the two imports.
    deals.clear();
    for (int x = 0; x < graph->width(); x += 9)
        series->getDealsAt(x, first.y(), deals);
    for (const auto& deal : deals)
        EXPECT_NE(deal->m_volume, 900);
}

TEST_F(PaneTradeMarks, TasksOfEarlierDaysStayOffTheDaysChart)
{
    // The service's own records: tasks on its last few days.
    QVector<qint64> days;
    ASSERT_TRUE(TC::CStockManager::getTradeDateList("SH", days));
    TC::CLinkageManager* link = TC::CLinkageManager::instance();
    const QStringList ids = link->getAccountIds(2);
    const std::string last = QDateTime::fromSecsSinceEpoch(days.last()).toString("yyyyMMdd").toStdString();
    int earlier = 0;
    for (const auto& account : link->getTaskDetails(link->getAccounts(ids)))
        for (const auto& task : account.second)
            earlier += task.second->m_date < last;
    ASSERT_GT(earlier, 0);
    TearDown();
    buildDay(days.last());
    ui->stockMarkNames = ids;
    graph->refreshGraph();
    QVector<std::shared_ptr<qlservice::CTaskDetail>> tasks;
    for (int x = 0; x < graph->width(); x += 9)
        for (int y = 0; y < graph->height(); y += 9)
            series->getTasksAt(x, y, tasks);
    for (const auto& task : tasks)
        EXPECT_EQ(QString::fromStdString(task->m_date), day.toString("yyyyMMdd"));
}
