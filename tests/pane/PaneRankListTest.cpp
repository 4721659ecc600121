// Ranking-list marks: placed on the listed days' bars, drawn as diamonds on
// the main pane only, and named in the tip box under the mouse or crosshair.
#include <gtest/gtest.h>

#include <QPainter>
#include <QTest>

#include "pane/PaneTestSupport.h"
#include "platform/indexui/CMessageTipBox.h"

namespace {

using RankMarks = ptest::PaneFixture;

std::shared_ptr<se::LongHuBangRankListInfo> record(qint64 dayMs, const char* reason)
{
    auto r = std::make_shared<se::LongHuBangRankListInfo>();
    r->timeMs = dayMs;
    r->key = "SH600000";
    r->reason = reason;
    return r;
}

void hover(QWidget* w, QPoint p)
{
    QMouseEvent move(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &move);
}

TEST_F(RankMarks, ListedDaysGetDiamondsAndTheTipNamesThem)
{
    build(30);
    TC::CKLineData::RankListByDay days;
    const qint64 day10 = ui->m_tradeDateList.at(10) * 1000;
    days[day10] << record(day10, "日涨幅偏离值达7%");
    days[day10 + 3600 * 1000] << record(day10 + 3600 * 1000, "not a bar"); // no bar at that time
    series->LonghubangCallback("SH", "600000", days, 1);
    graph->refreshGraph();
    const auto table = series->rankTable();
    ASSERT_EQ(table.size(), 1);
    const int x = table.firstKey();
    const int plotW = ui->plotWidth;
    const double spacing = plotW / 30.0;
    EXPECT_EQ(x, int(std::max(0, int(spacing * 0.35)) + 10 * spacing + 0.5));

    // A red diamond at the top edge over the bar.
    const QImage img = shot();
    EXPECT_EQ(at(img, x, 3), colour("clr_global_rise"));

    // Hit box: from the mark x, 6 wide and 8 high.
    QPoint p(x + 5, 7);
    TC::CKLineData::RankRecords hits;
    EXPECT_TRUE(series->getRankListAt(p, hits));
    EXPECT_EQ(p, QPoint(x, 0));
    EXPECT_EQ(hits.size(), 1);
    QPoint miss(x + 6, 0);
    EXPECT_FALSE(series->getRankListAt(miss, hits));

    // The mouse over the mark shows the reason; elsewhere the box hides.
    hover(graph.get(), QPoint(x + 2, 4));
    EXPECT_TRUE(graph->tipBox()->isVisible());
    EXPECT_EQ(graph->tipBox()->tip(), QStringList({"日涨幅偏离值达7%"}));
    EXPECT_EQ(graph->tipBox()->y(), 5);
    EXPECT_EQ(graph->rankHitCount(), 1);
    hover(graph.get(), QPoint(x + 40, 4));
    EXPECT_FALSE(graph->tipBox()->isVisible());

    // With the crosshair on the bar the box follows the crosshair instead.
    ui->crossVisible = true;
    ui->crossIndex = 10;
    hover(graph.get(), QPoint(x + 80, 100));
    EXPECT_TRUE(graph->tipBox()->isVisible());
}

TEST_F(RankMarks, TheCrosshairNamesItsOwnBarAndTheMouseOnlyTheMarkItIsOver)
{
    build(30);
    // Bars whose mark lies right of the crosshair's x (and neighbours with
    // another listing), so a lookup at the crosshair x would miss or mix.
    TC::CKLineData::RankListByDay days;
    QVector<int> marked;
    for (int b = 1; b < 29; ++b) {
        const double spacing = ui->plotWidth / 30.0;
        const int markX = int(std::max(0, int(spacing * 0.35)) + b * spacing + 0.5);
        if (markX > ui->getXAxisByIndex(b, -1, -1) && marked.size() < 2) {
            const qint64 day = ui->m_tradeDateList.at(b) * 1000;
            days[day] << record(day, marked.isEmpty() ? "first" : "second");
            marked << b;
            const qint64 next = ui->m_tradeDateList.at(b + 1) * 1000;
            days[next] << record(next, "neighbour");
            ++b;
        }
    }
    ASSERT_EQ(marked.size(), 2);
    series->LonghubangCallback("SH", "600000", days, 1);
    graph->refreshGraph();

    ui->crossVisible = true;
    for (int k = 0; k < 2; ++k) {
        ui->crossIndex = marked[k];
        hover(graph.get(), QPoint(300, 150));
        ASSERT_TRUE(graph->tipBox()->isVisible()) << marked[k];
        EXPECT_EQ(graph->tipBox()->tip(), QStringList({k == 0 ? "first" : "second"}));
        ui->crossIndex = marked[k] + 1;
        hover(graph.get(), QPoint(300, 150));
        EXPECT_EQ(graph->tipBox()->tip(), QStringList({"neighbour"}));
    }
    ui->crossIndex = marked[0] + 2; // an unlisted bar
    hover(graph.get(), QPoint(300, 150));
    EXPECT_FALSE(graph->tipBox()->isVisible());

    // Without the crosshair the mouse must be on the mark's box, not merely
    // in its column.
    ui->crossVisible = false;
    const int x = series->rankTable().firstKey();
    hover(graph.get(), QPoint(x + 1, 120));
    EXPECT_FALSE(graph->tipBox()->isVisible());
    hover(graph.get(), QPoint(x + 1, 3));
    EXPECT_TRUE(graph->tipBox()->isVisible());
    // The window moves on (a scroll, another period): the mark is no longer
    // under the mouse and the tip goes at the refresh.
    ui->setMinDispIndex(marked[1] + 2);
    ui->setMaxDispIndex(29);
    graph->refreshGraph();
    EXPECT_FALSE(graph->tipBox()->isVisible());
    // Leaving the pane takes a mouse tip along.
    ui->setMinDispIndex(0);
    graph->refreshGraph();
    hover(graph.get(), QPoint(x + 1, 3));
    ASSERT_TRUE(graph->tipBox()->isVisible());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(graph.get(), &leave);
    EXPECT_FALSE(graph->tipBox()->isVisible());
}

TEST_F(RankMarks, IndicatorPanesDrawNoDiamonds)
{
    build(30);
    auto sub = boost::shared_ptr<ptest::CPaneSeries>(new ptest::CPaneSeries(ui, 1, &sink));
    TC::CKLineData::RankListByDay days;
    const qint64 day5 = ui->m_tradeDateList.at(5) * 1000;
    days[day5] << record(day5, "x");
    sub->LonghubangCallback("SH", "600000", days, 1);
    const QRect r(0, 0, 420, 300);
    sub->calcLongHuBangData(r);
    ASSERT_EQ(sub->rankTable().size(), 1);
    QImage img(420, 300, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    sub->drawDot(p, r);
    p.end();
    EXPECT_EQ(QColor(img.pixel(sub->rankTable().firstKey(), 3)), QColor(Qt::black));
}

} // namespace
