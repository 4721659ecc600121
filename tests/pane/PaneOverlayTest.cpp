// The live overlays a pane composes over its cached picture.
#include <climits>

#include "common/TestHelpers.h"
#include "pane/PaneTestSupport.h"

using ptest::differingColumns;
using ptest::differingRows;

namespace {

class PaneOverlay : public ptest::PaneFixture
{
};

TEST_F(PaneOverlay, ACrosshairAtNoBarDrawsNothing)
{
    build();
    const QImage before = shot();
    ui->crossVisible = true;
    ui->crossIndex = -1;
    graph->setMouseIn(true);
    graph->setMousePoint(QPoint(100, 120));
    EXPECT_EQ(shot(), before);
}

TEST_F(PaneOverlay, MouseOutsideDrawsOnlyTheVerticalLineAtTheBarsX)
{
    build();
    graph->setMouseIn(false);
    const QImage before = shot();
    ui->crossVisible = true;
    ui->crossIndex = 12;
    graph->setMousePoint(QPoint(100, 120));
    const QImage after = shot();
    const int x = ui->getXAxisByIndex(12, -1, -1);
    EXPECT_EQ(differingColumns(before, after), QVector<int>{x});
    EXPECT_EQ(QColor(after.pixel(x, 5)), colour("ic_clr_graph_frame_cross_line"));
    EXPECT_EQ(QColor(after.pixel(x, graph->height() - 1)), colour("ic_clr_graph_frame_cross_line"));
}

TEST_F(PaneOverlay, MouseInsideAddsTheHorizontalLineAndTheValueLabel)
{
    build();
    graph->setMouseIn(true);
    graph->setMousePoint(QPoint(100, 150));
    const QImage before = shot();
    ui->crossVisible = true;
    ui->crossIndex = 12;
    const QImage after = shot();
    const int x = ui->getXAxisByIndex(12, -1, -1);
    // The line ends at the axis; the label box sits in the axis column above the row.
    EXPECT_EQ(QColor(after.pixel(5, 150)), colour("ic_clr_graph_frame_cross_line"));
    EXPECT_EQ(QColor(after.pixel(graph->width() - ui->axisWidth - 1, 150)),
              colour("ic_clr_graph_frame_cross_line"));
    EXPECT_EQ(QColor(after.pixel(axisLeft() + 1, 131)), colour("ic_clr_realtime_cross_line_bg"));
    EXPECT_EQ(QColor(after.pixel(axisLeft() + 1, 149)), colour("ic_clr_realtime_cross_line_bg"));
    EXPECT_EQ(after.pixel(axisLeft() + 1, 129), before.pixel(axisLeft() + 1, 129));
    EXPECT_EQ(QColor(after.pixel(x, 40)), colour("ic_clr_graph_frame_cross_line"));
}

TEST_F(PaneOverlay, AViewType3PaneHidesTheVerticalLineWhileTheMouseIsOutside)
{
    build(30, QSize(420, 300), {"KLINE"}, 0, 3);
    graph->setMouseIn(false);
    const QImage before = shot();
    ui->crossVisible = true;
    ui->crossIndex = 12;
    EXPECT_EQ(shot(), before);
}

TEST_F(PaneOverlay, TheValueLabelNearTheTopSitsAtRowZero)
{
    build();
    graph->setMouseIn(true);
    const QImage before = shot();
    ui->crossVisible = true;
    ui->crossIndex = 12;
    graph->setMousePoint(QPoint(100, 6));
    const QImage after = shot();
    const QColor bg = colour("ic_clr_realtime_cross_line_bg");
    EXPECT_EQ(QColor(after.pixel(axisLeft() + 1, 0)), bg);
    EXPECT_EQ(QColor(after.pixel(axisLeft() + 1, 19)), bg);
    EXPECT_EQ(after.pixel(axisLeft() + 1, 20), before.pixel(axisLeft() + 1, 20));
}

TEST_F(PaneOverlay, TheLabelFollowsTheCloseWhenAskedAndShowsItsValue)
{
    build();
    graph->setMouseIn(true);
    graph->setMousePoint(QPoint(100, 250));
    ui->crossVisible = true;
    ui->crossIndex = 12;
    ui->crossOnClose = true;
    const int y = series->yOfValue(series->valueAtIndex(12), graph->rect());
    ASSERT_NE(y, INT_MIN);
    ASSERT_GT(y, 40);
    const QImage after = shot();
    EXPECT_EQ(QColor(after.pixel(5, y)), colour("ic_clr_graph_frame_cross_line"));
    EXPECT_NE(QColor(after.pixel(5, 250)), colour("ic_clr_graph_frame_cross_line"));
    EXPECT_EQ(QColor(after.pixel(axisLeft() + 1, y - 20)), colour("ic_clr_realtime_cross_line_bg"));
    EXPECT_DOUBLE_EQ(series->valueAtIndex(12), 22.5);
}

TEST_F(PaneOverlay, TheLockLineIsDottedCyanAndItsLabelIsNotClamped)
{
    build(30, QSize(420, 70));
    const int bar = 29; // the highest close: its row is near the top
    const int y = series->yOfValue(series->valueAtIndex(bar), graph->rect());
    ASSERT_GE(y, 1);
    ASSERT_LT(y, 18);
    const QImage before = shot();
    ui->lockCursor = true;
    ui->lockedIndex = bar;
    const QImage after = shot();
    const QColor cyan(24, 179, 179);
    const int x = ui->getXAxisByIndex(bar, -1, -1);
    int onLine = 0;
    for (int r = 0; r < after.height(); ++r)
        onLine += QColor(after.pixel(x, r)) == cyan;
    EXPECT_GT(onLine, 0);
    EXPECT_LT(onLine, after.height()); // dotted, not solid
    // Label rows y - 20 .. y - 1, partly above the pane; nothing below the row.
    const QColor bg = colour("ic_clr_realtime_cross_line_bg");
    EXPECT_EQ(QColor(after.pixel(axisLeft() + 1, y - 1)), bg);
    EXPECT_EQ(after.pixel(axisLeft() + 1, y + 1), before.pixel(axisLeft() + 1, y + 1));
    EXPECT_EQ(after.pixel(axisLeft() + 1, 19), before.pixel(axisLeft() + 1, 19));
}

TEST_F(PaneOverlay, AnIndicatorPaneDrawsTheLockLineWithoutLabel)
{
    build(30, QSize(420, 200), {"KLINE"}, 1);
    const QImage before = shot();
    ui->lockCursor = true;
    ui->lockedIndex = 10;
    const QImage after = shot();
    EXPECT_TRUE(differingRows(before, after, axisLeft(), graph->width() - 1).isEmpty());
}

TEST_F(PaneOverlay, SelectionRectanglesAreOutlined)
{
    build();
    graph->setZoomSelecting(true, QRect(40, 50, 100, 80));
    graph->setStatSelecting(true, QRect(200, 60, 50, 50));
    const QImage img = shot();
    const QColor border = colour("ic_clr_kline_graph_scale_border");
    EXPECT_EQ(QColor(img.pixel(40, 90)), border);
    EXPECT_EQ(QColor(img.pixel(90, 50)), border);
    EXPECT_EQ(QColor(img.pixel(225, 60)), border);
    graph->setZoomSelecting(false);
    EXPECT_NE(QColor(shot().pixel(40, 90)), border);
}

TEST_F(PaneOverlay, AGroupModelOutsideIndexViewsShowsTheRedNotice)
{
    build(0, QSize(420, 300), {"GROUPDEMO"}, 1);
    ASSERT_TRUE(series->hasGroupModelIndex());
    ASSERT_FALSE(ui->isShowGroupIndexGraph());
    const QImage img = shot();
    const int x0 = graph->width() / 2 - 60;
    const int base = graph->height() / 2 - 5;
    int red = 0;
    for (int y = base - 16; y <= base + 4; ++y)
        for (int x = x0; x < std::min(img.width(), x0 + 220); ++x)
            red += QColor(img.pixel(x, y)) == QColor(255, 0, 0);
    EXPECT_GT(red, 0);
    // Nothing red left of the text's start.
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < x0 - 1; ++x)
            ASSERT_NE(QColor(img.pixel(x, y)), QColor(255, 0, 0)) << x << "," << y;
}

TEST_F(PaneOverlay, TradeTipsWithOnlyOrdersGetABoxForAllLines)
{
    build();
    const QVector<TC::CTradeTip> orders = {{0, 0, 100, 12.5}, {1, 0, 200, 13.25}, {0, 1, 300, 14.0}};
    graph->setTradeTips({}, orders);
    ASSERT_TRUE(graph->isTradeTipShown());
    const QImage img = shot();
    const QColor bg = colour("clr_graph_frame_cross_line_bg");
    const QColor frame = colour("clr_graph_frame_cross_line");
    const int bottom = 2 + 20 * 3 + 3; // outline row under a box of 20 n + 3
    EXPECT_EQ(QColor(img.pixel(2, 30)), frame);
    EXPECT_EQ(QColor(img.pixel(132, 5)), frame);
    EXPECT_EQ(QColor(img.pixel(8, 2)), frame);
    EXPECT_EQ(QColor(img.pixel(8, bottom - 1)), bg);
    EXPECT_EQ(QColor(img.pixel(8, bottom)), frame);
    EXPECT_NE(QColor(img.pixel(8, bottom + 1)), frame);
    // Each line in its side's colour: buy, sell, buy.
    auto has = [&](int y0, const QColor& c) {
        for (int y = y0; y < y0 + 20; ++y)
            for (int x = 16; x < 132; ++x)
                if (QColor(img.pixel(x, y)) == c)
                    return true;
        return false;
    };
    const QColor rise = colour("clr_global_rise");
    const QColor fall = colour("clr_global_fall");
    EXPECT_TRUE(has(3, rise));
    EXPECT_FALSE(has(3, fall));
    EXPECT_TRUE(has(25, fall));
    EXPECT_TRUE(has(45, rise));

    graph->setTradeTips({}, {});
    EXPECT_FALSE(graph->isTradeTipShown());
    EXPECT_NE(QColor(shot().pixel(8, bottom)), frame);
}

TEST_F(PaneOverlay, APaneWithoutSeriesIsBackgroundOnly)
{
    auto ui = boost::make_shared<TC::CKLineUiParam>();
    ui->crossVisible = true;
    ui->crossIndex = 0;
    TC::CKLineGraphWidget pane(0, ui, nullptr, 0, 0);
    pane.resize(200, 120);
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    pane.setMouseIn(true);
    pane.refreshGraph();
    const QImage img = pane.grab().toImage();
    const QColor bg = colour("ic_clr_graph_kline_bg");
    for (int y = 0; y < img.height(); y += 7)
        for (int x = 0; x < img.width(); x += 7)
            ASSERT_EQ(QColor(img.pixel(x, y)), bg);
}

TEST_F(PaneOverlay, AValueWithoutRangeReadsInvalidNotACrash)
{
    build(0);
    graph->setMouseIn(true);
    ui->m_tradeDateList = ptest::dayTags(5);
    ui->setMaxDispIndex(4);
    ui->crossVisible = true;
    ui->crossIndex = 2;
    graph->setMousePoint(QPoint(50, 100));
    const QImage img = shot();
    EXPECT_EQ(QColor(img.pixel(axisLeft() + 1, 81)), colour("ic_clr_realtime_cross_line_bg"));
}

} // namespace
