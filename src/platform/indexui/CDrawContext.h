#pragma once

#include <climits>
#include <cmath>

#include <QRect>

namespace TC {

// Where one drawing call of CDrawStyle puts its bars and values.
//
// Bars: the window [first, last] of a series' own bar indexes is drawn into
// `span` + 1 equal slots across `rect` (span = getEndStartSub of the visible
// window, so client type 3's widened span is honoured). Bar b sits in slot
// b - first + slotOffset, and its centre is
//     x(b) = rect.left() + trunc(slot * step) + hw,   step = rect.width() / (span + 1),
// which is the view model's getXAxisByIndex for a plot starting at x 0, so
// candles and the crosshair meet. `hw` is the body half width (a body covers
// x - hw .. x + hw). A series that starts inside the visible window (fewer bars
// than the chart) passes a negative `first` or a positive `slotOffset`; bars
// below 0 and past the series' end are simply not there.
//
// Values: max -> rect.top(), min -> rect.bottom(), rows as TC::dataToYAxis
// gives them (y() is the same arithmetic, inlined; callers pass only numbers).
//
// `strokeFrom`: bars before it are left out of the strokes (not out of what
// the window as a whole decides, such as the high / low marks). A redraw
// clipped to the newest bars sets it well left of its clip, for the styles
// whose pixels lie near their own bars, so the hidden bars cost nothing.
struct CDrawContext {
    QRect rect;
    double max = 0.0;
    double min = 0.0;
    int first = 0;
    int last = -1;
    int span = 0;
    int hw = 0;
    int slotOffset = 0;
    int strokeFrom = INT_MIN;

    CDrawContext() = default;
    CDrawContext(const QRect& r, double maxValue, double minValue, int firstBar, int lastBar, int spanSlots,
                 int halfWidth, int offset = 0)
        : rect(r), max(maxValue), min(minValue), first(firstBar), last(lastBar),
          span(spanSlots < 0 ? 0 : spanSlots), hw(halfWidth < 0 ? 0 : halfWidth), slotOffset(offset)
    {
        prepare();
    }

    // Recomputes the cached factors after a field was changed by hand.
    void prepare()
    {
        m_step = double(rect.width()) / double(span + 1);
        m_flat = !(max != min);
        m_ratio = m_flat ? 0.0 : (double(rect.bottom()) - double(rect.top())) / (max - min);
        m_mid = double((rect.top() + rect.bottom()) / 2);
        m_lo = double(rect.top()) - 100000.0;
        m_hi = double(rect.bottom()) + 100000.0;
    }

    double step() const { return m_step; }
    int slotOf(int bar) const { return bar - first + slotOffset; }
    // Left pixel column of a slot; slot + 1 gives the next slot's left column.
    int slotLeft(int slot) const { return rect.left() + int(double(slot) * m_step); }
    int x(int bar) const { return slotLeft(slotOf(bar)) + hw; }
    int y(double value) const
    {
        if (m_flat)
            return int(m_mid);
        double v = double(rect.bottom()) - (value - min) * m_ratio;
        if (!(v >= m_lo)) // also catches NaN from an overflowing ratio
            v = m_lo;
        if (v > m_hi)
            v = m_hi;
        return int(std::trunc(v));
    }

private:
    double m_step = 1.0;
    double m_ratio = 0.0;
    double m_mid = 0.0;
    double m_lo = 0.0;
    double m_hi = 0.0;
    bool m_flat = true;
};

} // namespace TC
