// Refresh, resize, enter/leave, host events and the drawing tools of a pane.
#include <cmath>

#include <QMouseEvent>

#include "common/TestHelpers.h"
#include "pane/PaneTestSupport.h"
#include "platform/framework/CDrawGraphManager.h"

namespace {

class PaneLifecycle : public ptest::PaneFixture
{
};

TEST_F(PaneLifecycle, CrosshairMovesRepaintWithoutRefreshing)
{
    build();
    const int refreshes = graph->refreshCount();
    const QImage cached = graph->graphPicture();
    ui->crossVisible = true;
    graph->setMouseIn(true);
    for (int i = 0; i < 20; ++i) {
        ui->crossIndex = i;
        QTest::mouseMove(graph.get(), QPoint(10 + i * 15, 40 + i * 5));
        graph->repaint();
    }
    shot();
    EXPECT_EQ(graph->refreshCount(), refreshes);
    EXPECT_EQ(graph->graphPicture().cacheKey(), cached.cacheKey());
    EXPECT_EQ(graph->mousePoint(), QPoint(10 + 19 * 15, 40 + 19 * 5));
}

TEST_F(PaneLifecycle, RefreshDrawsTheSeriesIntoTheCachedPicture)
{
    build();
    const int refreshes = graph->refreshCount();
    graph->refreshGraph();
    EXPECT_EQ(graph->refreshCount(), refreshes + 1);
    const QImage img = graph->graphPicture();
    const QColor bg = colour("ic_clr_graph_kline_bg");
    int painted = 0;
    for (int y = 0; y < img.height(); y += 2)
        for (int x = 0; x < img.width() - ui->axisWidth; x += 2)
            painted += QColor(img.pixel(x, y)) != bg;
    EXPECT_GT(painted, 50);
    // The value range is ready for the overlays.
    double max = 0, min = 0;
    ASSERT_TRUE(series->paneRange(max, min));
    EXPECT_GT(max, 39.0);
    EXPECT_LT(min, 10.0);
}

TEST_F(PaneLifecycle, ResizeRebuildsPicturesAndReports186)
{
    build();
    const int refreshes = graph->refreshCount();
    graph->resize(500, 320);
    QCoreApplication::processEvents();
    EXPECT_EQ(sink.count(186), 1);
    EXPECT_EQ(graph->graphPicture().size(), QSize(500, 320));
    EXPECT_EQ(graph->refreshCount(), refreshes + 1);
    EXPECT_EQ(ui->plotWidth, 500 - ui->axisWidth);
    EXPECT_EQ(graph->graphRect(), QRectF(10, 10, 480, 300));
    const int describe = KW::CUiResource::instance()->getSize("ic_siz_winner_discribe_width");
    EXPECT_EQ(graph->descriptionPixmap().width(), describe);
    const QFontMetrics fm(KW::CUiResource::instance()->getFont("fnt_graph_axis_text"));
    EXPECT_EQ(graph->descriptionPixmap().height(), 4 * fm.boundingRect(" ").height() + 16);
}

TEST_F(PaneLifecycle, LeavingClearsTheTransientStateAndEnteringSetsMouseIn)
{
    build();
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(graph.get(), &enter);
    EXPECT_TRUE(graph->isMouseIn());
    graph->setZoomSelecting(true, QRect(1, 1, 20, 20));
    graph->setStatSelecting(true, QRect(1, 1, 20, 20));
    graph->setTradeTips({{0, 0, 1, 1.0}}, {});
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(graph.get(), &leave);
    EXPECT_FALSE(graph->isMouseIn());
    EXPECT_FALSE(graph->isZoomSelecting());
    EXPECT_FALSE(graph->isStatSelecting());
    EXPECT_FALSE(graph->isTradeTipShown());
}

TEST_F(PaneLifecycle, HostEventsFollowTheTable)
{
    build();
    graph->setPaneIndex(3);
    EXPECT_TRUE(graph->handleEvent(192, 0, 0, QString(), nullptr));
    EXPECT_TRUE(graph->handleEvent(3196, 0, 0, QString(), nullptr));
    EXPECT_TRUE(sink.events.empty());

    int payload = 7;
    EXPECT_TRUE(graph->handleEvent(216, 11, 99, "ref", &payload));
    ASSERT_NE(sink.last(216), nullptr);
    EXPECT_EQ(sink.last(216)->p1, 11);
    EXPECT_EQ(sink.last(216)->p2, 3);
    EXPECT_EQ(sink.last(216)->text, "ref");
    EXPECT_EQ(sink.last(216)->data, &payload);

    ui->lockCursor = false;
    EXPECT_FALSE(graph->handleEvent(3177, 0, 0, QString(), nullptr));
    EXPECT_EQ(sink.count(202), 0);
    EXPECT_TRUE(graph->handleEvent(3177, 0, 1, QString(), nullptr));
    EXPECT_EQ(sink.count(202), 1);

    // No ranking-list hits: not handled here.
    EXPECT_FALSE(graph->handleEvent(3186, 10, 0, QString(), nullptr));

    const bool shown = graph->isExpectationShown();
    EXPECT_FALSE(graph->handleEvent(5, 1002, 0, QString(), nullptr));
    EXPECT_EQ(graph->isExpectationShown(), shown);
    EXPECT_TRUE(graph->handleEvent(5, 1001, 0, QString(), nullptr));
    EXPECT_EQ(graph->isExpectationShown(), !shown);
    EXPECT_TRUE(graph->handleEvent(1, 1003, 2, "5", nullptr));
    EXPECT_FALSE(graph->handleEvent(7, 1000, 2, QString(), nullptr));
    EXPECT_TRUE(graph->handleEvent(7, 1000, 3, QString(), nullptr));
    EXPECT_FALSE(graph->handleEvent(4, 999, 0, QString(), nullptr));
}

TEST_F(PaneLifecycle, ConversionsRoundTripATimeTagAndValue)
{
    build();
    const qint64 tag = ui->m_tradeDateList.at(7);
    const QPointF pixel = graph->valueToPixel(QPointF(double(tag), 18.25));
    EXPECT_EQ(int(pixel.x()), ui->getXAxisByIndex(7, -1, -1));
    EXPECT_EQ(int(pixel.y()), series->yOfValue(18.25, graph->rect()));
    const QPointF back = graph->pixelToValue(pixel);
    EXPECT_EQ(back.x(), double(tag));
    double max = 0, min = 0;
    ASSERT_TRUE(series->paneRange(max, min));
    const double perRow = (max - min) / (graph->height() - 1);
    EXPECT_NEAR(back.y(), 18.25, 1.5 * perRow);

    // A time after the last bar and a value of no range have no pixel.
    EXPECT_TRUE(
        std::isnan(graph->valueToPixel(QPointF(double(ui->m_tradeDateList.last() + 86400), 18.0)).x()));
    EXPECT_TRUE(std::isnan(graph->valueToPixel(QPointF(double(tag), NAN)).y()));
}

TEST_F(PaneLifecycle, ClientType3StoresMillisecondsBothWays)
{
    ktest::ScopedClientType type3(3);
    build();
    const qint64 tag = ui->m_tradeDateList.at(20);
    const QPointF pixel = graph->valueToPixel(QPointF(double(tag) * 1000.0, 30.0));
    EXPECT_EQ(int(pixel.x()), ui->getXAxisByIndex(20, -1, -1));
    EXPECT_EQ(graph->pixelToValue(pixel).x(), double(tag) * 1000.0);
}

TEST_F(PaneLifecycle, LinesAreDrawnStoredPerKeyAndFollowTheWindow)
{
    TC::CDrawGraphManager::setGraphData("SH600000|86400", bson::BSONObj());
    build();
    EXPECT_EQ(graph->drawGraphKey(), "SH600000|86400");
    ASSERT_EQ(graph->graphCount(), 0);

    const QPointF a(double(ui->m_tradeDateList.at(5)), 15.0);
    const QPointF b(double(ui->m_tradeDateList.at(25)), 35.0);
    ASSERT_EQ(graph->addLine(a, b), 0);
    const QColor line = colour("ic_clr_draw_graph_line");
    const QPointF pa = graph->valueToPixel(a);
    const QPointF pb = graph->valueToPixel(b);
    const QPoint mid = ((pa + pb) / 2).toPoint();
    const QImage img = shot();
    bool found = false;
    for (int dy = -1; dy <= 1; ++dy)
        found = found || QColor(img.pixel(mid.x(), mid.y() + dy)) == line;
    EXPECT_TRUE(found);

    // Stored under the key at once.
    const bson::BSONObj stored = TC::CDrawGraphManager::getGraphData("SH600000|86400");
    ASSERT_FALSE(stored.isEmpty());
    EXPECT_EQ(stored["graphs"].Array().size(), 1u);

    // Zooming in moves the pixels, not the values.
    ui->setMinDispIndex(10);
    graph->refreshGraph();
    EXPECT_EQ(graph->graphs().at(0).valueA, a);
    EXPECT_EQ(graph->graphs().at(0).pixelB.x(), double(ui->getXAxisByIndex(25, -1, -1)));
    EXPECT_NE(graph->graphs().at(0).pixelB, pb);

    // Another pane of the same chart key loads it; another period has none.
    TC::CKLineGraphWidget other(1, ui, series, 0, 0);
    other.setStock(ui->curStock);
    EXPECT_EQ(other.graphCount(), 1);
    ui->period = 60;
    other.setPeriod(60);
    EXPECT_EQ(other.drawGraphKey(), "SH600000|60");
    EXPECT_EQ(other.graphCount(), 0);
    ui->period = 86400;
}

TEST_F(PaneLifecycle, SelectingALineIsReportedAs3183AndDeleteForgetsIt)
{
    TC::CDrawGraphManager::setGraphData("SH600000|86400", bson::BSONObj());
    build();
    graph->addLine(QPointF(double(ui->m_tradeDateList.at(2)), 20.0),
                   QPointF(double(ui->m_tradeDateList.at(20)), 20.0));
    const QPointF p = graph->graphs().at(0).pixelA + QPointF(5, 0);
    sink.events.clear();
    QMouseEvent release(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    graph->onMouseRelease(&release);
    EXPECT_EQ(graph->currGraph(), 0);
    ASSERT_EQ(sink.count(3183), 1);
    EXPECT_EQ(sink.last(3183)->data, static_cast<const void*>(&graph->graphs().at(0)));

    graph->deleteCurrGraph();
    EXPECT_EQ(graph->graphCount(), 0);
    EXPECT_EQ(sink.count(3183), 2);
    EXPECT_EQ(sink.last(3183)->data, nullptr);
    EXPECT_EQ(TC::CDrawGraphManager::getGraphData(graph->drawGraphKey())["graphs"].Array().size(), 0u);
}

} // namespace
