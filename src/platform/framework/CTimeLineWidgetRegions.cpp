// The region bookkeeping of CTimeLineWidget.
#include "platform/framework/CTimeLineWidget.h"

#include <algorithm>
#include <cmath>

namespace KW {

namespace {

// Share of the window's width kept free on each side of it in the overview.
constexpr double kOverviewMargin = 0.3;

qint64 clamp64(qint64 v, qint64 lo, qint64 hi)
{
    return std::max(lo, std::min(v, hi));
}

} // namespace

void CTimeLineWidget::setActualRegion(int start, int end)
{
    start = std::max(0, start);
    end = std::max(0, end);
    if (start > end)
        std::swap(start, end);
    m_actual.start = start;
    m_actual.end = end;
    resolve();
}

void CTimeLineWidget::updateActualEndTime(int end)
{
    m_actual.end = std::max(m_actual.start, end);
    resolve();
}

void CTimeLineWidget::setOverviewRegion(int start, int end)
{
    m_wantOverview.start = std::min(start, end);
    m_wantOverview.end = std::max(start, end);
    resolve();
}

void CTimeLineWidget::setDispRegion(int start, int end)
{
    m_wantDisp.start = std::min(start, end);
    m_wantDisp.end = std::max(start, end);
    resolve();
}

void CTimeLineWidget::setMinDispRegion(int span)
{
    m_minSpan = std::max(0, span);
    resolve();
}

void CTimeLineWidget::resolve()
{
    const qint64 aS = m_actual.start;
    const qint64 aE = m_actual.end;

    qint64 dS = clamp64(m_wantDisp.start, aS, aE);
    qint64 dE = clamp64(m_wantDisp.end, aS, aE);
    const qint64 span = std::min<qint64>(m_minSpan, aE - aS);
    if (dE - dS < span) {
        // Widen around the centre, then push back inside the data.
        dS = dS - (span - (dE - dS)) / 2;
        dS = clamp64(dS, aS, aE - span);
        dE = dS + span;
    }
    m_disp.start = static_cast<int>(dS);
    m_disp.end = static_cast<int>(dE);

    m_overview.start = static_cast<int>(std::min(clamp64(m_wantOverview.start, aS, aE), dS));
    m_overview.end = static_cast<int>(std::max(clamp64(m_wantOverview.end, aS, aE), dE));

    if (m_actual != m_notifiedActual || m_overview != m_notifiedOverview || m_disp != m_notifiedDisp) {
        m_notifiedActual = m_actual;
        m_notifiedOverview = m_overview;
        m_notifiedDisp = m_disp;
        update();
        emit regionChanged();
    }
}

void CTimeLineWidget::adoptEffective()
{
    m_wantOverview = m_overview;
    m_wantDisp = m_disp;
}

void CTimeLineWidget::tryAdjustOverviewRegion()
{
    const qint64 margin = std::llround(kOverviewMargin * (m_disp.end - m_disp.start));
    Region ov = m_overview;
    if (m_disp.start - ov.start < margin)
        ov.start = static_cast<int>(std::max<qint64>(m_actual.start, m_disp.start - margin));
    if (ov.end - m_disp.end < margin)
        ov.end = static_cast<int>(std::min<qint64>(m_actual.end, qint64(m_disp.end) + margin));
    m_wantOverview = ov;
    resolve();
}

void CTimeLineWidget::updateOverview()
{
    resolve();
    update();
}

void CTimeLineWidget::resizeDispRegion(double f)
{
    if (!std::isfinite(f) || f == 0.0)
        return;
    const qint64 aS = m_actual.start;
    const qint64 aE = m_actual.end;
    const qint64 width = m_disp.end - m_disp.start;
    const double step = std::max(1.0, std::fabs(f) * double(width));
    const double wanted = f < 0 ? double(width) - step : double(width) + step;

    const qint64 lo = std::min<qint64>(m_minSpan, aE - aS);
    const qint64 hi = aE - aS;
    const qint64 newWidth = std::llround(std::max(double(lo), std::min(wanted, double(hi))));
    if (newWidth == width)
        return;

    qint64 s;
    if (m_disp.end == aE) {
        s = aE - newWidth;
    } else {
        // Keep the centre; an odd change puts the extra bar on the right.
        s = (qint64(m_disp.start) + m_disp.end - newWidth) / 2;
        s = clamp64(s, aS, aE - newWidth);
    }
    m_wantDisp.start = static_cast<int>(s);
    m_wantDisp.end = static_cast<int>(s + newWidth);
    resolve();
    adoptEffective();
}

void CTimeLineWidget::tryMoveTo(int index, bool left)
{
    const qint64 aS = m_actual.start;
    const qint64 aE = m_actual.end;
    const qint64 width = m_disp.end - m_disp.start;
    const qint64 i = clamp64(index, aS, aE);
    qint64 s = left ? i : i - width;
    s = clamp64(s, aS, aE - width);
    m_wantDisp.start = static_cast<int>(s);
    m_wantDisp.end = static_cast<int>(s + width);
    resolve();
    adoptEffective();
}

} // namespace KW
