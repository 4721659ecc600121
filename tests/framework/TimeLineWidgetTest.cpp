#include <climits>
#include <cmath>
#include <random>
#include <string>

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/framework/CTimeLineWidget.h"
#include "platform/framework/CUiResource.h"

using namespace KW;

namespace {

struct Regions {
    int aS, aE, oS, oE, dS, dE;
    bool operator==(const Regions& o) const
    {
        return aS == o.aS && aE == o.aE && oS == o.oS && oE == o.oE && dS == o.dS && dE == o.dE;
    }
};

Regions regionsOf(const CTimeLineWidget& t)
{
    return {t.actualStartTime(),    t.actualEndTime(),   t.minOverViewStartTime(),
            t.maxOverViewEndTime(), t.dispStartRegion(), t.dispEndRegion()};
}

::testing::AssertionResult invariantsHold(const CTimeLineWidget& t)
{
    const Regions r = regionsOf(t);
    const long long minSpan = std::min<long long>(t.minDispRegion(), (long long)r.aE - r.aS);
    if (0 <= r.aS && r.aS <= r.oS && r.oS <= r.dS && r.dS <= r.dE && r.dE <= r.oE && r.oE <= r.aE &&
        (long long)r.dE - r.dS >= minSpan)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "actual " << r.aS << ".." << r.aE << " overview " << r.oS << ".." << r.oE << " display " << r.dS
           << ".." << r.dE << " min span " << t.minDispRegion();
}

// A strip as the chart sets it up after loading 1000 bars.
void resetLike(CTimeLineWidget& t, int lastBar, int first)
{
    t.setActualRegion(0, lastBar);
    t.setOverviewRegion(0, lastBar);
    t.setDispRegion(first, lastBar);
    t.setMinDispRegion(20);
    t.tryAdjustOverviewRegion();
    t.updateOverview();
}

// A subclass showing where the drawing hooks land.
class HookedTimeLine : public CTimeLineWidget
{
public:
    QRect lineRect;
    QRect overview;

protected:
    void drawTimeLine(QPainter&, const QRect& r) override { lineRect = r; }
    void drawOverview(QPainter&, const QRect& r) override { overview = r; }
};

} // namespace

TEST(TimeLineWidgetTest, RegionsStayNestedUnderRandomCalls)
{
    CTimeLineWidget t;
    QSignalSpy spy(&t, &CTimeLineWidget::regionChanged);
    std::mt19937 rng(20240611u);
    std::uniform_int_distribution<int> op(0, 10);
    // Mostly plausible indexes, sometimes negative or huge.
    auto index = [&]() {
        switch (std::uniform_int_distribution<int>(0, 9)(rng)) {
        case 0:
            return std::uniform_int_distribution<int>(INT_MIN, -1)(rng);
        case 1:
            return std::uniform_int_distribution<int>(INT_MAX - 1000, INT_MAX)(rng);
        default:
            return std::uniform_int_distribution<int>(-50, 1200)(rng);
        }
    };
    const double fractions[] = {-2.0, -0.5, -0.1, -0.001, 0.0, 0.001, 0.1, 0.5, 3.0, 1e300, -1e300, NAN};

    for (int step = 0; step < 20000; ++step) {
        const Regions before = regionsOf(t);
        const int signalsBefore = spy.count();
        const int kind = op(rng);
        switch (kind) {
        case 0:
            t.setActualRegion(index(), index());
            break;
        case 1:
            t.updateActualEndTime(index());
            break;
        case 2:
            t.setOverviewRegion(index(), index());
            break;
        case 3:
        case 4:
            t.setDispRegion(index(), index());
            break;
        case 5:
            t.setMinDispRegion(std::uniform_int_distribution<int>(-5, 300)(rng));
            break;
        case 6:
            t.tryAdjustOverviewRegion();
            break;
        case 7:
            t.updateOverview();
            break;
        case 8:
            t.resizeDispRegion(fractions[std::uniform_int_distribution<int>(0, 11)(rng)]);
            break;
        default:
            t.tryMoveTo(index(), std::uniform_int_distribution<int>(0, 1)(rng) == 1);
            break;
        }
        ASSERT_TRUE(invariantsHold(t)) << "step " << step << " operation " << kind;
        // The notification fires exactly when something visible changed.
        const bool changed = !(regionsOf(t) == before);
        ASSERT_EQ(spy.count() - signalsBefore, changed ? 1 : 0) << "step " << step << " operation " << kind;
    }
}

TEST(TimeLineWidgetTest, ReversedNegativeAndOversizedArgumentsAreNormalised)
{
    CTimeLineWidget t;
    t.setActualRegion(500, -3);
    EXPECT_EQ(t.actualStartTime(), 0);
    EXPECT_EQ(t.actualEndTime(), 500);
    t.setDispRegion(300, 200);
    EXPECT_EQ(t.dispStartRegion(), 200);
    EXPECT_EQ(t.dispEndRegion(), 300);
    // The overview (never set: 0..0) is widened to hold the window.
    EXPECT_EQ(t.minOverViewStartTime(), 0);
    EXPECT_EQ(t.maxOverViewEndTime(), 300);

    t.setOverviewRegion(-100, 9999);
    EXPECT_EQ(t.minOverViewStartTime(), 0);
    EXPECT_EQ(t.maxOverViewEndTime(), 500);

    // A window too narrow for the minimum span widens around its centre.
    t.setMinDispRegion(20);
    t.setDispRegion(250, 250);
    EXPECT_EQ(t.dispStartRegion(), 240);
    EXPECT_EQ(t.dispEndRegion(), 260);
    // ... and stays inside the data at the edges.
    t.setDispRegion(-40, 3);
    EXPECT_EQ(t.dispStartRegion(), 0);
    EXPECT_EQ(t.dispEndRegion(), 20);

    // Less data than the minimum span: the window is all of it.
    t.setActualRegion(0, 5);
    EXPECT_EQ(t.dispStartRegion(), 0);
    EXPECT_EQ(t.dispEndRegion(), 5);
    t.updateActualEndTime(-7);
    EXPECT_EQ(t.actualEndTime(), 0);
    EXPECT_EQ(t.dispEndRegion(), 0);
}

TEST(TimeLineWidgetTest, WindowFollowsAnAppendedBarAskedForBeforeTheActualEndGrows)
{
    CTimeLineWidget t;
    resetLike(t, 999, 969);
    EXPECT_EQ(regionsOf(t), (Regions{0, 999, 0, 999, 969, 999}));

    // The chart's order on a new bar: overview, window, then the actual end.
    t.setOverviewRegion(0, 1000);
    t.setDispRegion(969, 1000);
    EXPECT_EQ(t.dispEndRegion(), 999); // not there yet
    t.updateActualEndTime(1000);
    t.setMinDispRegion(20);
    t.tryAdjustOverviewRegion();
    EXPECT_EQ(regionsOf(t), (Regions{0, 1000, 0, 1000, 969, 1000}));
}

TEST(TimeLineWidgetTest, OverviewIsWidenedAroundTheWindowWithAMargin)
{
    CTimeLineWidget t;
    t.setActualRegion(0, 999);
    t.setDispRegion(400, 500);
    t.setOverviewRegion(400, 500);
    t.tryAdjustOverviewRegion();
    EXPECT_EQ(t.minOverViewStartTime(), 370);
    EXPECT_EQ(t.maxOverViewEndTime(), 530);

    // Never narrowed, and clamped at the data's ends.
    t.setOverviewRegion(0, 999);
    t.tryAdjustOverviewRegion();
    EXPECT_EQ(t.minOverViewStartTime(), 0);
    EXPECT_EQ(t.maxOverViewEndTime(), 999);
    t.setDispRegion(0, 100);
    t.setOverviewRegion(0, 100);
    t.tryAdjustOverviewRegion();
    EXPECT_EQ(t.minOverViewStartTime(), 0);
    EXPECT_EQ(t.maxOverViewEndTime(), 130);
}

TEST(TimeLineWidgetTest, ResizeNarrowsAndWidensKeepingTheNewestBarOrTheCentre)
{
    CTimeLineWidget t;
    resetLike(t, 999, 900);

    // At the actual end the right end stays.
    t.resizeDispRegion(-0.1); // 99 -> 89
    EXPECT_EQ(t.dispStartRegion(), 910);
    EXPECT_EQ(t.dispEndRegion(), 999);
    t.resizeDispRegion(0.1); // 89 -> 98
    EXPECT_EQ(t.dispStartRegion(), 901);
    EXPECT_EQ(t.dispEndRegion(), 999);

    // Elsewhere the centre stays.
    t.setDispRegion(400, 499);
    t.resizeDispRegion(-0.1);
    EXPECT_EQ(t.dispStartRegion(), 405);
    EXPECT_EQ(t.dispEndRegion(), 494);
    t.resizeDispRegion(0.5); // 89 -> 134 (133.5 rounded away from zero)
    EXPECT_EQ(t.dispEndRegion() - t.dispStartRegion(), 134);
    EXPECT_NEAR((t.dispStartRegion() + t.dispEndRegion()) / 2.0, 449.5, 0.5);

    // Never below the minimum span; a tiny fraction still moves one bar.
    t.setDispRegion(400, 425);
    t.resizeDispRegion(-0.001);
    EXPECT_EQ(t.dispEndRegion() - t.dispStartRegion(), 24);
    t.resizeDispRegion(-0.9);
    EXPECT_EQ(t.dispEndRegion() - t.dispStartRegion(), 20);
    t.resizeDispRegion(-0.5);
    EXPECT_EQ(t.dispEndRegion() - t.dispStartRegion(), 20);

    // Never wider than the data; near the left edge it is pushed inside.
    t.setDispRegion(0, 50);
    t.resizeDispRegion(0.5);
    EXPECT_EQ(t.dispStartRegion(), 0);
    EXPECT_EQ(t.dispEndRegion(), 75);
    t.resizeDispRegion(100.0);
    EXPECT_EQ(t.dispStartRegion(), 0);
    EXPECT_EQ(t.dispEndRegion(), 999);

    // No-ops.
    const Regions before = regionsOf(t);
    t.resizeDispRegion(0.0);
    t.resizeDispRegion(NAN);
    t.resizeDispRegion(INFINITY);
    EXPECT_EQ(regionsOf(t), before);
    EXPECT_TRUE(invariantsHold(t));
}

TEST(TimeLineWidgetTest, TryMoveToScrollsInBothDirectionsKeepingTheWidth)
{
    CTimeLineWidget t;
    resetLike(t, 999, 969);
    QSignalSpy spy(&t, &CTimeLineWidget::regionChanged);

    // Left: the bar becomes the first visible one.
    t.tryMoveTo(500, true);
    EXPECT_EQ(t.dispStartRegion(), 500);
    EXPECT_EQ(t.dispEndRegion(), 530);
    EXPECT_EQ(spy.count(), 1);
    // Right: the bar becomes the last visible one.
    t.tryMoveTo(700, false);
    EXPECT_EQ(t.dispStartRegion(), 670);
    EXPECT_EQ(t.dispEndRegion(), 700);

    // Stops at both ends of the data.
    t.tryMoveTo(-30, true);
    EXPECT_EQ(t.dispStartRegion(), 0);
    EXPECT_EQ(t.dispEndRegion(), 30);
    t.tryMoveTo(5, false);
    EXPECT_EQ(t.dispStartRegion(), 0);
    EXPECT_EQ(t.dispEndRegion(), 30);
    t.tryMoveTo(990, true);
    EXPECT_EQ(t.dispStartRegion(), 969);
    EXPECT_EQ(t.dispEndRegion(), 999);
    t.tryMoveTo(INT_MAX, false);
    EXPECT_EQ(t.dispEndRegion(), 999);

    // The overview keeps holding the window.
    EXPECT_TRUE(invariantsHold(t));

    // Moving to where it already is reports nothing.
    const int emitted = spy.count();
    t.tryMoveTo(969, true);
    EXPECT_EQ(spy.count(), emitted);
}

TEST(TimeLineWidgetTest, PaintsItsBackgroundAndCallsTheDrawingHooks)
{
    HookedTimeLine t;
    t.resize(300, 60);
    t.setOverviewHeight(40);
    t.setOverviewVisible(true);
    t.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&t));
    QImage img = t.grab().toImage();
    const QColor bg = CUiResource::instance()->getColor(QStringLiteral("ic_clr_timeline_background"));
    EXPECT_EQ(img.pixel(10, 5), bg.rgb());
    EXPECT_EQ(img.pixel(290, 55), bg.rgb());
    EXPECT_EQ(t.lineRect, QRect(0, 0, 300, 20));
    EXPECT_EQ(t.overview, QRect(0, 20, 300, 40));
    EXPECT_GT(t.baseHeight(), 0);
    EXPECT_EQ(t.sizeHint().height(), t.baseHeight() + 40);

    t.setBackgroundColorKey(QStringLiteral("ic_clr_kline_timeline_background"));
    CUiResource::instance()->setTheme(QStringLiteral("light"));
    img = t.grab().toImage();
    EXPECT_EQ(img.pixel(10, 5),
              CUiResource::instance()->getColor(QStringLiteral("ic_clr_kline_timeline_background")).rgb());
    CUiResource::instance()->setTheme(QStringLiteral("dark"));
}

TEST(TimeLineWidgetTest, TheOverviewBandShowsTheWholeHistoryWhateverTheOverviewRegion)
{
    HookedTimeLine t;
    t.resize(1000, 80);
    t.setOverviewHeight(40);
    t.setOverviewVisible(true);
    t.setScrollBarHeight(7);
    t.setActualRegion(0, 999);
    t.setOverviewRegion(780, 999); // the region around a 100-bar window
    t.setDispRegion(900, 999);
    ASSERT_EQ(t.minOverViewStartTime(), 780);
    // The window stands for bars 900..999 of 1000: the last tenth of the band.
    const QRect content = t.overviewContentRect();
    const QRect w = t.overviewWindowRect();
    EXPECT_NEAR(w.left(), content.left() + 900, 1);
    EXPECT_EQ(w.right(), content.right());
    EXPECT_NEAR(w.width(), 100, 1);

    // Dragging the window to the band's left end reaches the first bar.
    const int y = content.center().y();
    QMouseEvent press(QEvent::MouseButtonPress, QPoint(w.center().x(), y), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&t, &press);
    QMouseEvent move(QEvent::MouseMove, QPoint(w.center().x() - 950, y), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&t, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPoint(w.center().x() - 950, y), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&t, &release);
    EXPECT_EQ(t.dispStartRegion(), 0);
    EXPECT_EQ(t.dispEndRegion(), 99);
    EXPECT_NEAR(t.overviewWindowRect().left(), content.left(), 1);

    // A click on bar ~500 of the band centres the window there.
    QMouseEvent click(QEvent::MouseButtonPress, QPoint(content.left() + 500, y), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&t, &click);
    EXPECT_NEAR((t.dispStartRegion() + t.dispEndRegion()) / 2, 500, 2);
}
