#pragma once

#include <QColor>
#include <QRect>
#include <QString>

#include "platform/framework/CBaseWidget.h"

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

    // Height the axis needs: one line of the time-line text font plus room for
    // the tick marks; subclasses add their own strip to it.
    int baseHeight() const;
    QRect timeLineRect() const;
    QRect overviewRect() const;

    QSize sizeHint() const override;
    void themeChanged() override;

signals:
    void regionChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
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
};

} // namespace KW
