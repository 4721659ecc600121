// Mouse input of a pane driven with QTest: selections, drag-scrolling, locks,
// quick buy/sell clicks and double-clicks, asserted on the reported events.
#include <functional>

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "dialogs/CParamRankWidget.h"
#include "platform/framework/KWFormat.h"
#include "pane/PaneTestSupport.h"

namespace {

using Mouse = ptest::PaneFixture;

// QTest::mouseMove moves the cursor, which the offscreen platform does not
// turn into an event: send the move itself.
void hover(QWidget* w, QPoint p)
{
    QMouseEvent move(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &move);
}

void drag(QWidget* w, Qt::MouseButton b, QPoint from, QPoint to, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QTest::mousePress(w, b, mods, from);
    QMouseEvent move(QEvent::MouseMove, to, w->mapToGlobal(to), Qt::NoButton, b, mods);
    QCoreApplication::sendEvent(w, &move);
    QTest::mouseRelease(w, b, mods, to);
}

TEST_F(Mouse, ALeftSelectionZoomsOnlyWhenWiderThan30Pixels)
{
    build(60);
    ui->crossVisible = true;
    ui->crossIndex = 10;
    drag(graph.get(), Qt::LeftButton, QPoint(50, 100), QPoint(80, 140));
    EXPECT_EQ(sink.count(190), 0);
    EXPECT_FALSE(graph->isZoomSelecting());
    drag(graph.get(), Qt::LeftButton, QPoint(50, 100), QPoint(81, 140));
    ASSERT_EQ(sink.count(190), 1);
    EXPECT_EQ(sink.last(190)->p1, ui->getIndexByXAxis(50));
    EXPECT_EQ(sink.last(190)->p2, ui->getIndexByXAxis(81));
    // A selection dragged into the value axis stops at the plot edge.
    QTest::mousePress(graph.get(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 100));
    const QPoint axis(graph->width() - 5, 120);
    QMouseEvent move(QEvent::MouseMove, axis, graph->mapToGlobal(axis), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(graph.get(), &move);
    EXPECT_EQ(graph->zoomRect().left() + graph->zoomRect().width(), graph->width() - ui->axisWidth);
    QTest::mouseRelease(graph.get(), Qt::LeftButton, Qt::NoModifier, axis);
}

TEST_F(Mouse, SlowDragsAddUpToWholeBars)
{
    build(60);
    // 420 px pane, 59-bar window: one bar is about 7 px of drag.
    QTest::mousePress(graph.get(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 100));
    EXPECT_TRUE(graph->isDragging());
    EXPECT_EQ(sink.count(181), 1);
    int total = 0;
    for (int x = 198; x >= 180; x -= 2) {
        QMouseEvent move(QEvent::MouseMove, QPoint(x, 100), graph->mapToGlobal(QPoint(x, 100)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(graph.get(), &move);
        total += sink.last(193)->p2;
    }
    // Every step alone is below a bar; together 20 px are two bars.
    EXPECT_EQ(total, 20 * 59 / 420);
    QTest::mouseRelease(graph.get(), Qt::LeftButton, Qt::NoModifier, QPoint(180, 100));
    EXPECT_FALSE(graph->isDragging());
}

TEST_F(Mouse, ARightPressWithoutCrosshairSendsNothing)
{
    build(60);
    QTest::mousePress(graph.get(), Qt::RightButton, Qt::NoModifier, QPoint(100, 100));
    EXPECT_TRUE(sink.events.empty());
    QTest::mouseRelease(graph.get(), Qt::RightButton, Qt::NoModifier, QPoint(100, 100));

    // With the crosshair a right drag opens statistics only past 30 pixels.
    ui->crossVisible = true;
    drag(graph.get(), Qt::RightButton, QPoint(100, 100), QPoint(125, 120));
    EXPECT_TRUE(graph->isStatSelecting());
    EXPECT_TRUE(graph->isStatOpen());
    drag(graph.get(), Qt::RightButton, QPoint(100, 100), QPoint(140, 120));
    EXPECT_FALSE(graph->isStatOpen());
    EXPECT_EQ(sink.count(181), 0);
}

// Texts of the menus the pane pops up while `act` runs; each is closed at once.
QStringList menusDuring(const std::function<void()>& act)
{
    QStringList seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* m = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            QStringList items;
            for (QAction* a : m->actions())
                if (!a->isSeparator())
                    items << a->text();
            seen << items.join(QLatin1Char('|'));
            m->close();
        }
    });
    poll.start(0);
    act();
    return seen;
}

void contextMenu(QWidget* w, QPoint p)
{
    QContextMenuEvent e(QContextMenuEvent::Mouse, p, w->mapToGlobal(p));
    QCoreApplication::sendEvent(w, &e);
}

TEST_F(Mouse, ARightDragSelectsBeforeTheMenuWhereverTheSystemAsksForIt)
{
    build(60);
    ui->crossVisible = true;
    // X11 asks for the menu on the press: it waits for the release, so the
    // drag selects and the menu offers the selection.
    QStringList menus = menusDuring([&] {
        QTest::mousePress(graph.get(), Qt::RightButton, Qt::NoModifier, QPoint(100, 100));
        contextMenu(graph.get(), QPoint(100, 100));
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        QMouseEvent move(QEvent::MouseMove, QPoint(160, 120), graph->mapToGlobal(QPoint(160, 120)), Qt::NoButton,
                         Qt::RightButton, Qt::NoModifier);
        QCoreApplication::sendEvent(graph.get(), &move);
        QTest::mouseRelease(graph.get(), Qt::RightButton, Qt::NoModifier, QPoint(160, 120));
    });
    ASSERT_EQ(menus.size(), 1);
    EXPECT_TRUE(menus[0].startsWith(QStringLiteral("放大|时段统计|"))) << menus[0].toStdString();
    EXPECT_TRUE(graph->isStatOpen());

    // A plain right click on X11 opens the ordinary menu once, on release.
    menus = menusDuring([&] {
        QTest::mousePress(graph.get(), Qt::RightButton, Qt::NoModifier, QPoint(100, 100));
        contextMenu(graph.get(), QPoint(100, 100));
        QTest::mouseRelease(graph.get(), Qt::RightButton, Qt::NoModifier, QPoint(100, 100));
    });
    ASSERT_EQ(menus.size(), 1);
    EXPECT_FALSE(menus[0].contains(QStringLiteral("时段统计")));

    // Systems that ask on the release (the press and release came first)
    // get the menu at once, with the finished selection.
    graph->setStatSelecting(false);
    menus = menusDuring([&] {
        QTest::mousePress(graph.get(), Qt::RightButton, Qt::NoModifier, QPoint(100, 100));
        QMouseEvent move(QEvent::MouseMove, QPoint(170, 120), graph->mapToGlobal(QPoint(170, 120)), Qt::NoButton,
                         Qt::RightButton, Qt::NoModifier);
        QCoreApplication::sendEvent(graph.get(), &move);
        QTest::mouseRelease(graph.get(), Qt::RightButton, Qt::NoModifier, QPoint(170, 120));
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        contextMenu(graph.get(), QPoint(170, 120));
    });
    ASSERT_EQ(menus.size(), 1);
    EXPECT_TRUE(menus[0].startsWith(QStringLiteral("放大|时段统计|"))) << menus[0].toStdString();
}

TEST_F(Mouse, QuickBuySellNeedsCtrlAndReadsTheLastMouseRow)
{
    build(60);
    graph->setQuickBuySell(true);
    hover(graph.get(), QPoint(150, 80));
    sink.events.clear();
    QTest::mouseClick(graph.get(), Qt::LeftButton, Qt::NoModifier, QPoint(150, 200));
    EXPECT_TRUE(sink.events.empty());
    QTest::mouseClick(graph.get(), Qt::LeftButton, Qt::ControlModifier, QPoint(150, 200));
    ASSERT_EQ(sink.count(3246), 1);
    EXPECT_EQ(sink.last(3246)->p2, 0);
    const double price = series->valueAtY(80, graph->rect());
    EXPECT_EQ(sink.last(3246)->text, KW::formatDoubleNumber(price, 2, 0x40000, false, "非法值"));
    QTest::mouseClick(graph.get(), Qt::RightButton, Qt::ControlModifier | Qt::ShiftModifier, QPoint(150, 200));
    ASSERT_EQ(sink.count(3247), 1);
    EXPECT_EQ(sink.last(3247)->p2, 1);
    QTest::mouseClick(graph.get(), Qt::LeftButton, Qt::ControlModifier | Qt::AltModifier, QPoint(150, 200));
    EXPECT_EQ(sink.count(3246), 1);
}

TEST_F(Mouse, DoubleClickTogglesTheCrosshairAndReportsDayBars)
{
    build(60);
    hover(graph.get(), QPoint(150, 80));
    sink.events.clear();
    QTest::mouseDClick(graph.get(), Qt::LeftButton, Qt::NoModifier, QPoint(150, 80));
    EXPECT_TRUE(ui->crossVisible);
    EXPECT_EQ(ui->crossIndex, ui->getIndexByXAxis(150));
    ASSERT_EQ(sink.count(3073), 1);
    EXPECT_EQ(sink.last(3073)->p2, int(ui->getDateTimeByIndex(ui->crossIndex).toSecsSinceEpoch()));
    ASSERT_NE(sink.last(187), nullptr);
    EXPECT_EQ(sink.last(187)->p2, ui->crossIndex);
    QTest::mouseDClick(graph.get(), Qt::LeftButton, Qt::NoModifier, QPoint(150, 80));
    EXPECT_FALSE(ui->crossVisible);
    EXPECT_EQ(sink.last(187)->p2, -1);

    // Minute bars: no 3073.
    ui->period = 300;
    sink.events.clear();
    QTest::mouseDClick(graph.get(), Qt::LeftButton, Qt::NoModifier, QPoint(150, 80));
    EXPECT_EQ(sink.count(3073), 0);
    EXPECT_TRUE(ui->crossVisible);
}

TEST_F(Mouse, AMovedMouseReportsItsBarAndLeavesTheCachedPicture)
{
    build(60);
    const int refreshes = graph->refreshCount();
    hover(graph.get(), QPoint(120, 60));
    ASSERT_NE(sink.last(187), nullptr);
    EXPECT_EQ(sink.last(187)->p2, ui->getIndexByXAxis(120));
    EXPECT_EQ(ui->getMouseX(), 120);
    EXPECT_TRUE(graph->isMouseIn());
    graph->repaint();
    EXPECT_EQ(graph->refreshCount(), refreshes);
    // A locked cursor: a press reports the lock's time and the bar.
    ui->lockCursor = true;
    ui->crossIndex = 5;
    sink.events.clear();
    QTest::mouseClick(graph.get(), Qt::LeftButton, Qt::NoModifier, QPoint(120, 60));
    ASSERT_EQ(sink.count(183), 1);
    EXPECT_EQ(sink.last(183)->p2, ui->getIndexByXAxis(120));
    EXPECT_EQ(sink.last(3093)->text, ui->getDateTimeByIndex(ui->lockedIndex).toString("yyyy/MM/dd hh:mm"));
    EXPECT_TRUE(ui->lockClicked);
}

} // namespace
