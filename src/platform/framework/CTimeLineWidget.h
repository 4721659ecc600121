#pragma once

#include <QColor>
#include <QPixmap>
#include <QRect>
#include <QString>

#include "platform/framework/CBaseWidget.h"

class QMouseEvent;
class QPainter;

namespace KW {

// Base of a chart's time-line strip. It keeps three regions of bar indexes,
// each a closed range [start, end]:
//   actual    all the data: 0 <= actualStartTime() <= actualEndTime()
//   overview  the part the overview shows, inside actual
//   display   the visible window of the chart, inside overview
// and paints a plain background ("ic_clr_timeline_background" unless
// `setBackgroundColorKey` says otherwise); a subclass draws the axis and the
// overview through `drawTimeLine` / `drawOverview`.
//
// Invariants, kept after every call whatever the arguments (negative,
// reversed, past the end):
//   actualStart <= overviewStart <= dispStart <= dispEnd <= overviewEnd <= actualEnd
//   dispEnd - dispStart >= min(minDispRegion(), actualEnd - actualStart)
//
// Requested and effective regions: `setOverviewRegion` and `setDispRegion`
// remember the range asked for; the getters return it clamped into the
// actual region (a reversed range is swapped first), the display widened
// to the minimum span around its centre, and the overview widened to
// contain the display. A range asked for past the current actual end thus
// takes effect as the actual region grows: a host that appends a bar sets
// the window to end on the new bar, then `updateActualEndTime`, and the
// window follows. The operations that move the window themselves
// (`resizeDispRegion`, `tryMoveTo`, `tryAdjustOverviewRegion`) adopt the
// effective regions as the requested ones.
//
// `regionChanged()` is emitted whenever an effective region changed, so the
// owner can mirror the regions into its view model.
//
// Overview band: the hook `drawOverview` gets the band minus the scroll bar
// (`overviewContentRect`). The band always shows the whole actual region,
// bar i at left + (i - actualStart) * width / (actual bars), so the window
// over it has the visible range's share of the history and can be dragged
// to either end of the data; the overview region only tells the owner which
// bars lie around the window. Over it the display
// region is drawn as a highlighted window ("ic_clr_timeline_overview_window",
// the window picture stretched over it, a splitter picture on each edge);
// with the overview effect on, the rest of the band is shaded
// ("ic_clr_timeline_overview_shade"). Under it runs a scroll bar of
// `scrollBarHeight()` rows: arrows of `scrollArrowWidth()` at both ends (a
// click steps one bar), a track, and a drag button standing for the display
// region within the actual region, never narrower than
// `minDragButtonWidth()`. Dragging the window or the button scrolls the
// display region (`tryMoveTo`); a press on the band outside the window
// centres the window there, a press on the track outside the button pages
// by one window. Every such user move also emits `regionDragged()`.
// The simple time line flag is kept for hosts that set it; this
// implementation offers only the simple form.
class CTimeLineWidget : public CBaseWidget
{
    Q_OBJECT

public:
    explicit CTimeLineWidget(QWidget* parent = nullptr);

    // Negative values are taken as 0; a reversed range is swapped.
    void setActualRegion(int start, int end);
    int actualStartTime() const { return m_actual.start; }
    int actualEndTime() const { return m_actual.end; }
    // Moves only the end (never below the actual start).
    void updateActualEndTime(int end);

    void setOverviewRegion(int start, int end);
    int minOverViewStartTime() const { return m_overview.start; }
    int maxOverViewEndTime() const { return m_overview.end; }

    void setDispRegion(int start, int end);
    int dispStartRegion() const { return m_disp.start; }
    int dispEndRegion() const { return m_disp.end; }

    // Smallest window, as dispEnd - dispStart; negative is taken as 0.
    void setMinDispRegion(int span);
    int minDispRegion() const { return m_minSpan; }

    // Widens the overview so that it holds the window with a margin of 30 %
    // of the window's width on each side, as far as the actual region allows.
    // It never narrows the overview.
    void tryAdjustOverviewRegion();
    // Re-applies the regions and repaints the overview.
    void updateOverview();

    // Zoom: f < 0 narrows the window by |f| of its width, f > 0 widens it by
    // f of its width (at least one bar either way; 0 and non-finite values do
    // nothing). The width stays between the minimum span and the actual
    // region's width. A window that ends on the actual end keeps its right
    // end (the newest bar stays in view); any other keeps its centre, shifted
    // back inside the actual region when needed.
    void resizeDispRegion(double f);

    // Scrolls the window, keeping its width: with `left` the bar `index`
    // becomes the first visible bar, otherwise the last one. The index is
    // clamped into the actual region and the window stops at its ends (a
    // window moved past the newest bar ends on it).
    void tryMoveTo(int index, bool left);

    void setBackgroundColorKey(const QString& key);
    QString backgroundColorKey() const { return m_backgroundKey; }

    // The overview band at the bottom of the strip.
    void setOverviewVisible(bool visible);
    bool isOverviewVisible() const { return m_overviewVisible; }
    void setOverviewHeight(int height);
    int overviewHeight() const { return m_overviewHeight; }

    // The seven pictures of the overview, by resource key: left and right
    // splitter of the window, the scroll bar's drag button, left and right
    // arrow, the picture stretched over the window, the scroll bar track.
    enum ETimeLineImage {
        ImgLeftSplitter,
        ImgRightSplitter,
        ImgDragButton,
        ImgLeftArrow,
        ImgRightArrow,
        ImgWindow,
        ImgScrollBackground,
        ImgCount
    };
    void setTimeLineImage(const QString& leftSplitter, const QString& rightSplitter, const QString& dragButton,
                          const QString& leftArrow, const QString& rightArrow, const QString& window,
                          const QString& scrollBackground);
    QString timeLineImageKey(int which) const;

    // Negative values are taken as 0.
    void setScrollBarHeight(int height);
    int scrollBarHeight() const { return m_scrollBarHeight; }
    void setScrollArrowWidth(int width);
    int scrollArrowWidth() const { return m_scrollArrowWidth; }
    void setMinDragButtonWidth(int width);
    int minDragButtonWidth() const { return m_minDragButtonWidth; }
    void setOverviewEffect(bool on);
    bool overviewEffect() const { return m_overviewEffect; }
    void setSimpleTimeLine(bool on) { m_simpleTimeLine = on; }
    bool isSimpleTimeLine() const { return m_simpleTimeLine; }

    // Parts of the overview band (null while the overview is hidden).
    QRect overviewContentRect() const;
    QRect scrollBarRect() const;
    // The display region over the overview content; null when there is none.
    QRect overviewWindowRect() const;
    // The scroll bar's drag button; null when there is no scroll bar.
    QRect dragButtonRect() const;

    // Height the axis needs: one line of the time-line text font plus room for
    // the tick marks; subclasses add their own strip to it.
    int baseHeight() const;
    QRect timeLineRect() const;
    QRect overviewRect() const;

    QSize sizeHint() const override;
    void themeChanged() override;

signals:
    void regionChanged();
    // The user moved the display region with the mouse (after regionChanged).
    void regionDragged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Drawing hooks of subclasses, called after the background is filled.
    virtual void drawTimeLine(QPainter& painter, const QRect& rect);
    virtual void drawOverview(QPainter& painter, const QRect& rect);

private:
    struct Region {
        int start = 0;
        int end = 0;
        bool operator==(const Region& o) const { return start == o.start && end == o.end; }
        bool operator!=(const Region& o) const { return !(*this == o); }
    };

    // Recomputes the effective overview and display from the requested ones
    // and notifies when anything changed.
    void resolve();
    void adoptEffective();
    // Overview painting and mouse handling (CTimeLineWidgetOverview.cpp).
    void reloadPictures();
    void paintOverviewFrame(QPainter& painter);
    QRect scrollTrackRect() const;
    // Pixels per bar of the overview content; 0 when it has no width.
    double overviewSpacing() const;
    int overviewBarAt(int x) const;
    void moveDispStart(int start);

    Region m_actual;
    Region m_wantOverview;
    Region m_wantDisp;
    Region m_overview;
    Region m_disp;
    int m_minSpan = 0;

    // What regionChanged() last reported.
    Region m_notifiedActual;
    Region m_notifiedOverview;
    Region m_notifiedDisp;

    QString m_backgroundKey;
    QColor m_background;
    bool m_overviewVisible = false;
    int m_overviewHeight = 0;

    QString m_imageKeys[ImgCount];
    QPixmap m_images[ImgCount];
    QColor m_windowColor;
    QColor m_shadeColor;
    int m_scrollBarHeight = 0;
    int m_scrollArrowWidth = 0;
    int m_minDragButtonWidth = 0;
    bool m_overviewEffect = false;
    bool m_simpleTimeLine = false;

    // Mouse drag of the window or the drag button.
    enum DragMode { DragNone, DragWindow, DragButton };
    DragMode m_dragMode = DragNone;
    int m_dragPressX = 0;
    int m_dragStartDisp = 0;
    // Bars per pixel of the drag in progress, fixed at the press so the
    // overview widening under the drag does not change the pace.
    double m_dragBarsPerPixel = 0.0;
};

} // namespace KW
