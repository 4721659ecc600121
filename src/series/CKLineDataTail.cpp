#include "series/CKLineData.h"

#include <algorithm>

#include "model/CKLineUiParam.h"
#include "platform/indexui/CDrawStyle.h"

namespace TC {

namespace {

// Style codes whose drawing reaches beyond the bar it belongs to: texts,
// numbers and icons centred on a bar, DRAWLINE and segment lines joining
// distant bars, tick charts and horizontal broken lines across the window.
bool reachesOtherBars(int code)
{
    switch (code) {
    case 13:
    case 26:
    case 28:
    case 31:
    case 41:
    case 43:
    case 101:
    case 102:
        return true;
    default:
        return false;
    }
}

} // namespace

bool CKLineData::PictureState::sameLayout(const PictureState& o) const
{
    return size == o.size && first == o.first && last == o.last && dates == o.dates && plotWidth == o.plotWidth &&
           axisWidth == o.axisWidth && bars == o.bars && ranges == o.ranges && ticks == o.ticks;
}

bool CKLineData::PictureState::operator==(const PictureState& o) const
{
    return sameLayout(o) && drawn == o.drawn && highBar == o.highBar && lowBar == o.lowBar;
}

CKLineData::PictureState CKLineData::pictureState(const QRect& pane) const
{
    PictureState s;
    s.size = pane.size();
    if (m_pUiParam) {
        const CKLineUiParam& ui = *m_pUiParam;
        s.first = ui.getMinDispIndex();
        s.last = ui.getMaxDispIndex();
        s.dates = ui.m_tradeDateList.size();
        s.plotWidth = ui.plotWidth;
        s.axisWidth = ui.axisWidth;
    }
    s.bars.reserve(m_data.size());
    for (auto it = m_data.constBegin(); it != m_data.constEnd(); ++it)
        s.bars.append(it->barCount());
    for (auto it = m_maxMinMap.constBegin(); it != m_maxMinMap.constEnd(); ++it)
        s.ranges.append(it.value());
    for (auto it = m_drawnRanges.constBegin(); it != m_drawnRanges.constEnd(); ++it)
        s.drawn += it.value();
    s.ticks = m_axisTicks;
    if (m_drawStyle) {
        s.highBar = m_drawStyle->markedHighBar();
        s.lowBar = m_drawStyle->markedLowBar();
    }
    return s;
}

bool CKLineData::coversAreLocal() const
{
    if (!m_pUiParam || m_replay || !m_nonBaseData.isEmpty())
        return false;
    const CKLineUiParam& ui = *m_pUiParam;
    if (ui.tickGraph || !ui.addStockList.isEmpty())
        return false;
    const int dates = ui.m_tradeDateList.size();
    if (dates < 2)
        return false;
    for (auto it = m_data.constBegin(); it != m_data.constEnd(); ++it) {
        const RPCFormulaResultCache& cache = it.value();
        if (!m_maxMinMap.contains(it.key()))
            continue;
        if (!cache.isValid() || cache.barCount() != dates)
            return false;
        for (int o = 0; o < cache.outputCount(); ++o)
            if (reachesOtherBars(cache.styleCode(o)))
                return false;
    }
    // A mark on the newest bar labels it leftwards, past the strip.
    const int newest = dates - 1;
    return !m_drawStyle || (m_drawStyle->markedHighBar() != newest && m_drawStyle->markedLowBar() != newest);
}

QRect CKLineData::tailStrip(const QRect& pane) const
{
    if (!m_pUiParam)
        return pane;
    const CKLineUiParam& ui = *m_pUiParam;
    const int dates = ui.m_tradeDateList.size();
    const int span = std::max(0, ui.getMaxDispIndex() - ui.getMinDispIndex());
    const int step = int(double(ui.plotWidth) / double(span + 1)) + 1;
    int x = ui.plotWidth;
    if (dates >= 2 && ui.getMaxDispIndex() >= dates - 1)
        x = ui.getXAxisByIndex(dates - 2, -1, -1);
    // A bar's body spans about a step around its centre; lines leaving it
    // are antialiased a pixel further.
    const int left = std::max(pane.left(), std::min(x, ui.plotWidth) - step - 4);
    return QRect(QPoint(left, pane.top()), pane.bottomRight());
}

} // namespace TC
