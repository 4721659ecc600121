// The time-line strip under a chart: its settings, the overview switch, the
// cursor's tip box, the overview window drag, and the main widget's tip texts.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLocale>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include "common/TestHelpers.h"
#include "dialogs/CKLineTimeLineWidget.h"
#include "kline/CKLineMainWidget.h"
#include "model/CKLineUiParam.h"
#include "platform/framework/CUiResource.h"

using KW::CTimeLineWidget;
using TC::CKLineMainWidget;
using TC::CKLineTimeLineWidget;

namespace {

QColor colour(const char* key)
{
    return KW::CUiResource::instance()->getColor(QLatin1String(key));
}

// A chart with `n` daily bars whose crosshair is visible.
struct Chart {
    explicit Chart(int n = 100, qint64 period = 86400) : widget(nullptr, 0)
    {
        TC::CKLineUiParam& ui = *widget.getUiParam();
        ui.m_tradeDateList = ktest::dailyTags(QDate(2024, 1, 2), n);
        ui.period = period;
        ui.crossVisible = true;
    }
    TC::CKLineUiParam& ui() { return *widget.getUiParam(); }
    CKLineMainWidget widget;
};

void sendMouse(QWidget* w, QEvent::Type type, const QPoint& pos, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

TEST(TimeLineStrip, ConstructionSettings)
{
    Chart c;
    CKLineTimeLineWidget full(&c.widget, true);
    const char* const images[] = {
        "ic_img_timeline_overview_spliter",         "ic_img_timeline_overview_spliter",
        "ic_img_timeline_overview_scrollbar_block", "ic_img_timeline_overview_left_arrow",
        "ic_img_timeline_overview_right_arrow",     "ic_img_transparent",
        "ic_img_timeline_overview_scrollbar_bg"};
    for (int i = 0; i < CTimeLineWidget::ImgCount; ++i)
        EXPECT_EQ(full.timeLineImageKey(i), QLatin1String(images[i])) << i;
    EXPECT_EQ(full.backgroundColorKey(), QStringLiteral("ic_clr_timeline_background"));
    EXPECT_EQ(full.height(), full.baseHeight() + 13);
    EXPECT_EQ(full.maximumHeight(), full.baseHeight() + 13);
    EXPECT_FALSE(full.isOverviewVisible());
    EXPECT_EQ(full.scrollBarHeight(), 7);
    EXPECT_EQ(full.scrollArrowWidth(), 0);
    EXPECT_FALSE(full.overviewEffect());
    EXPECT_TRUE(full.isSimpleTimeLine());
    EXPECT_EQ(full.minDragButtonWidth(), 45);
    EXPECT_EQ(full.tipIndex(), -1);
    ASSERT_NE(full.overviewAction(), nullptr);
    EXPECT_TRUE(full.overviewAction()->isCheckable());

    CKLineTimeLineWidget reduced(&c.widget, false);
    EXPECT_EQ(reduced.overviewAction(), nullptr);
    reduced.slotShowOverView(true); // no action: nothing happens
    EXPECT_FALSE(reduced.isOverviewVisible());
    EXPECT_EQ(reduced.maximumHeight(), reduced.baseHeight() + 13);
}

TEST(TimeLineStrip, OverviewActionShowsAndHidesTheOverview)
{
    Chart c;
    CKLineTimeLineWidget strip(&c.widget, true);
    const int base = strip.baseHeight();
    strip.overviewAction()->setChecked(true);
    EXPECT_TRUE(strip.isOverviewVisible());
    EXPECT_EQ(strip.overviewHeight(), 40);
    EXPECT_EQ(strip.maximumHeight(), base + 13 + 40);
    EXPECT_EQ(strip.overviewRect().height(), 40);
    EXPECT_EQ(strip.overviewContentRect().height(), 33); // 7 rows of scroll bar under it
    strip.overviewAction()->setChecked(false);
    EXPECT_FALSE(strip.isOverviewVisible());
    EXPECT_EQ(strip.maximumHeight(), base + 13);
    // The slot follows the action, not its argument.
    strip.slotShowOverView(true);
    EXPECT_FALSE(strip.isOverviewVisible());
}

TEST(TimeLineStrip, FreeTipBoxKeepsFiftyPixelsFromTheRightEdge)
{
    Chart c;
    CKLineTimeLineWidget strip(&c.widget, true);
    strip.resize(400, strip.height());
    strip.setTip(40, 395);
    const QRect box = strip.tipBoxRect();
    ASSERT_FALSE(box.isNull());
    EXPECT_LE(box.left() + box.width(), 400 - 50);
    EXPECT_EQ(box.top(), 1);
    EXPECT_EQ(box.height(), strip.height() - 2);

    const QImage img = strip.grab().toImage();
    const QRgb bg = colour("ic_clr_realtime_cross_line_bg").rgb();
    EXPECT_EQ(img.pixel(box.left() + 1, box.top() + 1), bg);
    EXPECT_EQ(img.pixel(box.right() - 1, box.bottom() - 1), bg);
    for (int x = 350; x < 400; ++x)
        EXPECT_NE(img.pixel(x, box.top() + 1), bg) << x;

    // Where there is room it stands at the tip x.
    strip.setTip(40, 30);
    EXPECT_EQ(strip.tipBoxRect().left(), 30);
    // No tip index, or no crosshair: no box.
    strip.setTip(-1, 30);
    EXPECT_TRUE(strip.tipBoxRect().isNull());
    strip.setTip(40, 30);
    c.ui().crossVisible = false;
    EXPECT_TRUE(strip.tipBoxRect().isNull());
}

TEST(TimeLineStrip, LockedTipBoxMayTouchTheRightEdge)
{
    Chart c;
    CKLineTimeLineWidget strip(&c.widget, true);
    strip.resize(400, strip.height());
    c.ui().lockCursor = true;
    c.ui().lockedIndex = 99;
    c.ui().crossIndex = 99;
    c.ui().plotWidth = 1000;
    c.ui().setMinDispIndex(0);
    c.ui().setMaxDispIndex(99);
    strip.setTip(-1, 0); // the free tip does not matter while locked
    const QRect box = strip.tipBoxRect();
    ASSERT_FALSE(box.isNull());
    EXPECT_EQ(box.right(), 399);
    const QImage img = strip.grab().toImage();
    EXPECT_EQ(img.pixel(399, box.top() + 1), colour("ic_clr_realtime_cross_line_bg").rgb());

    // Well inside, the box stands at the locked bar's x.
    c.ui().crossIndex = 10;
    EXPECT_EQ(strip.tipBoxRect().left(), c.widget.getLockPos());
    // A locked index without a bar shows nothing.
    c.ui().lockedIndex = 500;
    EXPECT_TRUE(strip.tipBoxRect().isNull());
}

TEST(TimeLineStrip, DraggingTheOverviewWindowMovesTheChart)
{
    Chart c(1000);
    CKLineTimeLineWidget strip(&c.widget, true);
    strip.resize(500, strip.height());
    strip.overviewAction()->setChecked(true);
    strip.resize(500, strip.maximumHeight());
    strip.setActualRegion(0, 999);
    strip.setOverviewRegion(0, 999);
    strip.setDispRegion(900, 999);
    strip.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&strip));

    const QRect window = strip.overviewWindowRect();
    ASSERT_FALSE(window.isNull());
    EXPECT_NEAR(window.left(), 450, 1);
    EXPECT_EQ(window.right(), 499);
    // The window is highlighted over the overview the main widget drew.
    QImage img = strip.grab().toImage();
    const QRect content = strip.overviewContentRect();
    const int y = content.center().y();
    EXPECT_EQ(img.pixel(100, y), colour("ic_clr_timeline_overview_background").rgb());
    EXPECT_NE(img.pixel(470, y), img.pixel(100, y));
    // The scroll bar's button stands at the right end, at least 45 wide.
    const QRect button = strip.dragButtonRect();
    EXPECT_EQ(button.right(), 499);
    EXPECT_GE(button.width(), 45);

    QSignalSpy changed(&strip, &CTimeLineWidget::regionChanged);
    QSignalSpy dragged(&strip, &CTimeLineWidget::regionDragged);
    sendMouse(&strip, QEvent::MouseButtonPress, QPoint(470, y), Qt::LeftButton);
    sendMouse(&strip, QEvent::MouseMove, QPoint(370, y), Qt::LeftButton);
    sendMouse(&strip, QEvent::MouseButtonRelease, QPoint(370, y), Qt::NoButton);
    EXPECT_EQ(strip.dispStartRegion(), 700);
    EXPECT_EQ(strip.dispEndRegion(), 799);
    EXPECT_GE(changed.count(), 1);
    EXPECT_GE(dragged.count(), 1);
    // Mirrored into the chart's view model.
    EXPECT_EQ(c.ui().getMinDispIndex(), 700);
    EXPECT_EQ(c.ui().getMaxDispIndex(), 799);
    EXPECT_EQ(c.ui().overviewStart, strip.minOverViewStartTime());
    EXPECT_EQ(c.ui().overviewEnd, strip.maxOverViewEndTime());

    // A drag past the start stops on the first bar.
    sendMouse(&strip, QEvent::MouseButtonPress, QPoint(strip.overviewWindowRect().center().x(), y),
              Qt::LeftButton);
    sendMouse(&strip, QEvent::MouseMove, QPoint(-300, y), Qt::LeftButton);
    sendMouse(&strip, QEvent::MouseButtonRelease, QPoint(-300, y), Qt::NoButton);
    EXPECT_EQ(strip.dispStartRegion(), 0);
    EXPECT_EQ(strip.dispEndRegion(), 99);

    // The scroll bar's button drags the window across the whole data.
    const QRect b = strip.dragButtonRect();
    const int sy = b.center().y();
    sendMouse(&strip, QEvent::MouseButtonPress, b.center(), Qt::LeftButton);
    sendMouse(&strip, QEvent::MouseMove, QPoint(b.center().x() + 1000, sy), Qt::LeftButton);
    sendMouse(&strip, QEvent::MouseButtonRelease, QPoint(b.center().x() + 1000, sy), Qt::NoButton);
    EXPECT_EQ(strip.dispEndRegion(), 999);
    EXPECT_EQ(strip.dispEndRegion() - strip.dispStartRegion(), 99);
}

TEST(TimeLineStrip, ClicksWithoutDataOrOverviewChangeNothing)
{
    Chart c;
    CKLineTimeLineWidget strip(&c.widget, true);
    strip.resize(300, strip.height());
    QSignalSpy dragged(&strip, &CTimeLineWidget::regionDragged);
    sendMouse(&strip, QEvent::MouseButtonPress, QPoint(100, 5), Qt::LeftButton);
    sendMouse(&strip, QEvent::MouseMove, QPoint(10, 5), Qt::LeftButton);
    sendMouse(&strip, QEvent::MouseButtonRelease, QPoint(10, 5), Qt::NoButton);
    strip.overviewAction()->setChecked(true);
    strip.resize(300, strip.maximumHeight());
    sendMouse(&strip, QEvent::MouseButtonPress, QPoint(100, strip.height() - 10), Qt::LeftButton);
    EXPECT_EQ(dragged.count(), 0);
    EXPECT_TRUE(strip.overviewWindowRect().isNull());
}

TEST(TimeLineStrip, TimelineTipFormatsByPeriod)
{
    Chart c(10);
    const QDateTime t = QDateTime(QDate(2024, 1, 5), QTime(0, 0));
    c.ui().m_tradeDateList[3] = t.addSecs(9 * 3600 + 31 * 60 + 7).toSecsSinceEpoch();

    c.ui().period = 0;
    EXPECT_EQ(c.widget.getTimelineTip(3), QStringLiteral("2024/01/05 09:31:07"));
    c.widget.beReplay(true);
    EXPECT_EQ(c.widget.getTimelineTip(3), QStringLiteral("2024/01/05 09:31:07.000"));
    c.widget.beReplay(false);
    for (qint64 p : {60, 300, 3600, 11, 13}) {
        c.ui().period = p;
        EXPECT_EQ(c.widget.getTimelineTip(3), QStringLiteral("2024/01/05 09:31")) << p;
    }
    // 2024-01-05 was a Friday: the Chinese short name, whatever the system.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    for (qint64 p : {86400, 604800, 7200, 10}) {
        c.ui().period = p;
        EXPECT_EQ(c.widget.getTimelineTip(3), QStringLiteral("2024/01/05周五")) << p;
    }
    c.ui().m_tradeDateList[3] = t.addDays(2).toSecsSinceEpoch();
    EXPECT_EQ(c.widget.getTimelineTip(3), QStringLiteral("2024/01/07周日"));
    QLocale::setDefault(before);
    EXPECT_EQ(c.widget.getTimelineTip(-1), QString());
    EXPECT_EQ(c.widget.getTimelineTip(10), QString());
}

TEST(TimeLineStrip, ForwardsTheOverviewToTheMainSeries)
{
    Chart c;
    CKLineTimeLineWidget strip(&c.widget, true);
    strip.resize(300, 10);
    strip.overviewAction()->setChecked(true);
    strip.resize(300, strip.maximumHeight());
    const QImage img = strip.grab().toImage();
    // The main pane's series has no result: its overview is the plain band.
    const QRect content = strip.overviewContentRect();
    EXPECT_EQ(img.pixel(content.center()), colour("ic_clr_timeline_overview_background").rgb());
    // The axis part is the view model's (one bar shown: background only).
    EXPECT_EQ(img.pixel(5, 2), colour("ic_clr_kline_timeline_background").rgb());
}
