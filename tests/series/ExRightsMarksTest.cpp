// Ex-rights marks: placed under the ex-dates' bars of the main pane, with
// the record texts as tip lines, drawn as an "S" in the rise colour.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QToolTip>

#include "pane/PaneTestSupport.h"

namespace {

using ExRightsMarks = ptest::PaneFixture;

std::shared_ptr<quoter::DividData> record(qint64 secs, double cash, double bonus = 0.0, double transfer = 0.0)
{
    auto d = std::make_shared<quoter::DividData>();
    d->time = secs * 1000;
    d->cashDividend = cash;
    d->bonusShares = bonus;
    d->transferShares = transfer;
    return d;
}

int markX(int plotWidth, int bars, int bar)
{
    const double spacing = double(plotWidth) / bars;
    const int hw = std::max(0, int(spacing * 0.35));
    return int(hw / 2 + bar * spacing);
}

QString dayText(qint64 secs)
{
    return QDateTime::fromSecsSinceEpoch(secs).toString("yyyy/MM/dd");
}

TEST_F(ExRightsMarks, TableHoldsTheRecordTextsAtTheBarPixels)
{
    build(30);
    const auto& tags = ui->m_tradeDateList;
    series->setDividData("SH600000", {record(tags[0], 1.0),                  // first bar: no mark
                                      record(tags[5] + 43200, 1.0),          // no bar of that day
                                      record(tags[10], 0.0, 0.3, 0.2),      // shares only
                                      record(tags[20], 0.25)});
    graph->refreshGraph();
    const auto table = series->dividTable();
    ASSERT_EQ(table.size(), 2);
    const int x10 = markX(ui->plotWidth, 30, 10);
    const int x20 = markX(ui->plotWidth, 30, 20);
    EXPECT_EQ(table.value(x10), QStringList({"除权,除息: " + dayText(tags[10]), "每10股送转比例5.00股"}));
    EXPECT_EQ(table.value(x20), QStringList({"除权,除息: " + dayText(tags[20]), "每10股派现金2.50"}));

    // Hover box: 5 wide from x, the bottom 8 rows.
    const QRect pane = graph->rect();
    QStringList lines;
    EXPECT_TRUE(series->getDividTip(QPoint(x20 + 4, pane.height() - 1), pane, lines));
    EXPECT_EQ(lines, table.value(x20));
    EXPECT_TRUE(series->getDividTip(QPoint(x20, pane.height() - 8), pane, lines));
    EXPECT_FALSE(series->getDividTip(QPoint(x20 + 5, pane.height() - 1), pane, lines));
    EXPECT_FALSE(series->getDividTip(QPoint(x20, pane.height() - 9), pane, lines));
    EXPECT_FALSE(series->getDividTip(QPoint(x20 - 1, pane.height() - 1), pane, lines));

    // The pane shows them as a tool tip.
    QMouseEvent move(QEvent::MouseMove, QPoint(x20 + 2, pane.height() - 3),
                     graph->mapToGlobal(QPoint(x20 + 2, pane.height() - 3)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(graph.get(), &move);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), table.value(x20).join("\n"));
}

TEST_F(ExRightsMarks, RecordsOnOnePixelShareTheList)
{
    build(300, QSize(200, 300));
    const auto& tags = ui->m_tradeDateList;
    auto a = record(tags[100], 0.1);
    a->shareReform = 1;
    auto b = record(tags[101], 0.0);
    b->rightsShares = 0.3;
    b->rightsPrice = 8.0;
    ASSERT_EQ(markX(ui->plotWidth, 300, 100), markX(ui->plotWidth, 300, 101));
    series->setDividData("SH600000", {a, b});
    graph->refreshGraph();
    const auto table = series->dividTable();
    ASSERT_EQ(table.size(), 1);
    EXPECT_EQ(table.first(), QStringList({"股改对价", "除权,除息: " + dayText(tags[100]), "每10股派现金1.00",
                                          "除权,除息: " + dayText(tags[101]), "每10股配股比例3.00股",
                                          "每股配股价8.00"}));
}

TEST_F(ExRightsMarks, MarksAreDrawnInTheRiseColourAndFollowTheWindow)
{
    build(30);
    const auto& tags = ui->m_tradeDateList;
    series->setDividData("SH600000", {record(tags[12], 1.0)});
    graph->refreshGraph();
    const int x = markX(ui->plotWidth, 30, 12);
    const QColor rise = colour("clr_global_rise");
    auto hasMark = [&](const QImage& img, int left) {
        for (int px = left; px < left + 8 && px < img.width(); ++px)
            for (int y = img.height() - 10; y < img.height(); ++y)
                if (at(img, px, y) == rise)
                    return true;
        return false;
    };
    EXPECT_TRUE(hasMark(shot(), x));
    // Scrolled: bar 12 is the window's third bar.
    ui->setMinDispIndex(10);
    ui->setMaxDispIndex(29);
    graph->refreshGraph();
    const int moved = markX(ui->plotWidth, 20, 2);
    EXPECT_EQ(series->dividTable().firstKey(), moved);
    const QImage img = shot();
    EXPECT_TRUE(hasMark(img, moved));
    // Another instrument's records mark nothing.
    series->setDividData("SZ000651", {record(tags[12], 1.0)});
    graph->refreshGraph();
    EXPECT_TRUE(series->dividTable().isEmpty());
    EXPECT_FALSE(hasMark(shot(), moved));
}

} // namespace

#include "kline/CKLineWidget.h"
#include "kline/KLineTestSupport.h"

namespace {

TEST(ExRightsChart, SampleStockShowsItsMarksAndAnotherInstrumentNone)
{
    ktest::CSpyChart chart(nullptr, 0);
    chart.resize(900, 600);
    chart.setStock(QStringLiteral("SZ000651"));
    chart.setPeriod(86400);
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    chart.request(true);
    auto ui = chart.getUiParam();
    const auto& series = *chart.mainPane()->series();
    ASSERT_FALSE(series.dividData().empty());
    // A window around the last record.
    const int bar = ui->getIndexByTimeTag(int(series.dividData().back()->time / 1000));
    ASSERT_GT(bar, 10);
    ui->setMinDispIndex(bar - 10);
    ui->setMaxDispIndex(bar + 9);
    TC::CKLineGraphWidget* graph = chart.mainPane()->graph();
    graph->refreshGraph();
    ASSERT_EQ(series.dividTable().size(), 1);
    const double spacing = double(ui->plotWidth) / (ui->getEndStartSub(bar + 9, bar - 10) + 1);
    const int x = int(std::max(0, int(spacing * 0.35)) / 2 + 10 * spacing);
    EXPECT_EQ(series.dividTable().firstKey(), x);
    const QImage img = graph->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QColor rise = KW::CUiResource::instance()->getColor("clr_global_rise");
    bool found = false;
    for (int px = x; px < x + 8; ++px)
        for (int y = img.height() - 10; y < img.height(); ++y)
            found = found || QColor(img.pixel(px, y)) == rise;
    EXPECT_TRUE(found);

    chart.setStock(QStringLiteral("SH600000"));
    chart.request(true);
    graph->refreshGraph();
    EXPECT_TRUE(series.dividTable().isEmpty());
    chart.unrequest();
}

} // namespace
