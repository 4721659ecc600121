// Events reaching the chart from its panes, and the visible window kept in
// step with new history and new bars.
#include <cmath>

#include "dialogs/CKLineTimeLineWidget.h"
#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/framework/CDragWidgetList.h"

namespace TC {

bool CKLineMainWidget::handleEvent(int id, int p1, int p2, const QString& text, void* data)
{
    switch (id) {
    case 181:
        highlightWidget(p1);
        return true;
    case 185:
        addIndexWidget();
        return true;
    case 186:
        return true;
    case 196:
        if (p2 == 1 || m_uiParam->overviewEnd == m_uiParam->getLastIndex())
            resetTimeline();
        updateView();
        return true;
    case 197:
        updateTimeline(m_uiParam->getMinDispIndex(), m_uiParam->getMaxDispIndex());
        return true;
    case 204:
        saveCurrentIndexs();
        return true;
    case 206: {
        // A pane was resized by dragging: the heights become the factors.
        for (int i = 0; i < m_paneList->count(); ++i)
            m_paneList->changeStretchAt(i, std::max(1, m_paneList->itemLength(i)));
        m_paneList->updateWidgetLength();
        m_paneList->setDragEnable(true);
        return true;
    }
    case 3020:
        delIndexWidget(p1);
        saveCurrentIndexs();
        postEvent(3020, p1, p2, text, data);
        return true;
    case 3266:
        return true;
    default:
        return KW::CBaseWidget::handleEvent(id, p1, p2, text, data);
    }
}

void CKLineMainWidget::resetTimeline()
{
    CKLineUiParam& ui = *m_uiParam;
    const int last = ui.getLastIndex();
    if (last < 0) {
        if (!m_requested)
            updateView();
        return;
    }
    const int span = ui.maxDispIndex - ui.minDispIndex == 1 ? ui.resetSpanNarrow : ui.resetSpan;
    const int first = std::max(last - span, 0);
    m_timeLine->setActualRegion(0, last);
    m_timeLine->setOverviewRegion(0, last);
    m_timeLine->setMinDispRegion(ui.minDispSpan);
    m_timeLine->setDispRegion(first, last);
    m_timeLine->tryAdjustOverviewRegion();
    m_timeLine->updateOverview();
    ui.actualStart = m_timeLine->actualStartTime();
    ui.actualEnd = m_timeLine->actualEndTime();
    ui.overviewStart = m_timeLine->minOverViewStartTime();
    ui.overviewEnd = m_timeLine->maxOverViewEndTime();
    ui.setMinDispIndex(m_timeLine->dispStartRegion());
    ui.setMaxDispIndex(m_timeLine->dispEndRegion());
    if (!m_requested)
        updateView();
}

void CKLineMainWidget::updateTimeline(int first, int last)
{
    CKLineUiParam& ui = *m_uiParam;
    if (last == ui.overviewEnd)
        ++last;
    ++ui.overviewEnd;
    ui.actualEnd = ui.getLastIndex();
    m_timeLine->updateActualEndTime(ui.actualEnd);
    m_timeLine->setOverviewRegion(ui.overviewStart, ui.overviewEnd);
    m_timeLine->setMinDispRegion(ui.minDispSpan);
    m_timeLine->setDispRegion(first, last);
    m_timeLine->tryAdjustOverviewRegion();
    ui.overviewStart = m_timeLine->minOverViewStartTime();
    ui.overviewEnd = m_timeLine->maxOverViewEndTime();
    ui.setMinDispIndex(m_timeLine->dispStartRegion());
    ui.setMaxDispIndex(m_timeLine->dispEndRegion());
    updateView();
}

void CKLineMainWidget::enterEvent(QEvent* event)
{
    m_uiParam->mouseInChart = true;
    KW::CBaseWidget::enterEvent(event);
}

void CKLineMainWidget::leaveEvent(QEvent* event)
{
    m_uiParam->mouseInChart = false;
    KW::CBaseWidget::leaveEvent(event);
    update();
}

void CKLineMainWidget::resizeEvent(QResizeEvent* event)
{
    KW::CBaseWidget::resizeEvent(event);
}

void CKLineMainWidget::themeChanged()
{
    KW::CBaseWidget::themeChanged();
    updateView();
}

} // namespace TC
