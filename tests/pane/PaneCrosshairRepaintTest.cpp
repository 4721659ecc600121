// A crosshair move repaints only the strips it changed: what reaches the
// screen (the offscreen backing store) must equal a fresh paint of the pane.
#include <QMouseEvent>
#include <QPaintEvent>
#include <QScreen>

#include "pane/PaneTestSupport.h"

namespace {

// The regions of the paints the pane really ran.
class PaintLog : public QObject
{
public:
    explicit PaintLog(QWidget* w) { w->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            regions << static_cast<QPaintEvent*>(e)->region();
        return false;
    }
    QVector<QRegion> regions;
};

qint64 areaOf(const QRegion& r)
{
    qint64 a = 0;
    for (const QRect& rect : r)
        a += qint64(rect.width()) * rect.height();
    return a;
}

// The host's part of a move: the crosshair takes the bar the pane reports.
class CrossHost : public KW::CEventDeliverer
{
public:
    bool handleEvent(int id, int, int p2, const QString&, void*) override
    {
        if (id == 187 && ui && ui->crossVisible)
            ui->crossIndex = p2;
        return true;
    }
    TC::CKLineUiParam* ui = nullptr;
};

class PaneCrosshairRepaint : public ptest::PaneFixture
{
protected:
    void build(int bars)
    {
        ptest::PaneFixture::build(bars);
        host.ui = ui.get();
        graph->setUpstream(&host);
    }
    void move(const QPoint& p)
    {
        QMouseEvent e(QEvent::MouseMove, p, graph->mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(graph.get(), &e);
        paintPending();
    }
    static void paintPending() { QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest); }
    // What the window shows now, not a new paint.
    QImage onScreen()
    {
        return graph->screen()->grabWindow(graph->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    }
    CrossHost host;
};

TEST_F(PaneCrosshairRepaint, AMoveAcrossThePaneLeavesNoRemnants)
{
    build(60);
    ui->crossVisible = true;
    const int refreshes = graph->refreshCount();
    // Left to right and back, near the top (the label clamps to row 0), and
    // down to the bottom edge.
    for (int x = 5; x < 390; x += 11)
        move(QPoint(x, 20 + x / 2));
    for (int x = 385; x > 5; x -= 17)
        move(QPoint(x, 8));
    move(QPoint(200, 299));
    move(QPoint(120, 150));
    EXPECT_EQ(graph->refreshCount(), refreshes) << "a move redrew the cached picture";
    const QImage screen = onScreen();
    const QImage fresh = shot();
    ASSERT_EQ(screen.size(), fresh.size());
    EXPECT_TRUE(ptest::differingColumns(screen, fresh).isEmpty())
        << "remnant columns: " << ptest::differingColumns(screen, fresh).size();
    // The crosshair is there at all: the picture without it differs.
    ui->crossVisible = false;
    EXPECT_NE(shot(), fresh);
}

TEST_F(PaneCrosshairRepaint, AMoveRepaintsASmallShareOfThePane)
{
    build(60);
    ui->crossVisible = true;
    move(QPoint(100, 100));
    PaintLog log(graph.get());
    move(QPoint(140, 180));
    ASSERT_EQ(log.regions.size(), 1);
    const QRegion dirty = log.regions.first();
    // Old and new vertical line, horizontal line and label: a few strips.
    EXPECT_LT(areaOf(dirty), qint64(graph->width()) * graph->height() / 10);
    const int xOld = ui->getXAxisByIndex(ui->getIndexByXAxis(100), -1, -1);
    const int xNew = ui->getXAxisByIndex(ui->crossIndex, -1, -1);
    EXPECT_TRUE(dirty.contains(QPoint(xOld, 5)));
    EXPECT_TRUE(dirty.contains(QPoint(xNew, 290)));
    EXPECT_TRUE(dirty.contains(QPoint(10, 100)));
    EXPECT_TRUE(dirty.contains(QPoint(10, 180)));
    EXPECT_FALSE(dirty.contains(QPoint((xOld + xNew) / 2 + 1, 140)));
}

TEST_F(PaneCrosshairRepaint, HidingOrLeavingRemovesTheCrosshairFromTheScreen)
{
    build(60);
    ui->crossVisible = true;
    ui->enableDoubleClick = true;
    move(QPoint(150, 120));
    const QImage with = onScreen();
    // The mouse leaves the pane: row and label go, the vertical line stays.
    graph->setMouseIn(false);
    paintPending();
    EXPECT_EQ(onScreen(), shot());
    EXPECT_NE(onScreen(), with);
    // A double-click hides the crosshair altogether.
    move(QPoint(150, 120));
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPoint(150, 120), graph->mapToGlobal(QPoint(150, 120)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(graph.get(), &dbl);
    paintPending();
    ASSERT_FALSE(ui->crossVisible);
    EXPECT_EQ(onScreen(), shot());
}

TEST_F(PaneCrosshairRepaint, TheValueLabelReadsTheRowUnderTheMouseAfterManyMoves)
{
    build(60);
    ui->crossVisible = true;
    // Revisited rows reuse their text: the label must still follow the row.
    for (int y : {40, 200, 40, 120, 200})
        move(QPoint(100, y));
    const QImage screen = onScreen();
    EXPECT_EQ(screen, shot());
    // The label box sits on the row's label position.
    const QColor labelBg = colour("ic_clr_realtime_cross_line_bg");
    EXPECT_EQ(ptest::PaneFixture::at(screen, axisLeft() + 2, 200 - 5), labelBg);
    EXPECT_NE(ptest::PaneFixture::at(screen, axisLeft() + 2, 40 - 5), labelBg);
}

} // namespace
