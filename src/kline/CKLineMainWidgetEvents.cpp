// Events reaching the chart from its panes, and the visible window kept in
// step with new history and new bars.
#include <cmath>

#include "dialogs/CKLineTimeLineWidget.h"
#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/editor/CFormulaEditorManager.h"
#include "platform/formula/editor/CFormulaWindow.h"
#include "platform/framework/CDragWidgetList.h"
#include "platform/framework/CMessageBox.h"
#include "platform/indexui/CIndexModelWidget.h"
#include "platform/trading/CStrategyTradeManager.h"
#include "platform/trading/CTradeStrategyData.h"

namespace TC {

bool CKLineMainWidget::handleEvent(int id, int p1, int p2, const QString& text, void* data)
{
    CKLineUiParam& ui = *m_uiParam;
    switch (id) {
    case 170: {
        bool changed = false;
        if (p1 != ui.getMinDispIndex()) {
            ui.setMinDispIndex(p1);
            changed = true;
        }
        if (p2 != ui.getMaxDispIndex()) {
            ui.setMaxDispIndex(p2);
            changed = true;
        }
        bool ok = false;
        const int ovStart = text.toInt(&ok);
        if (ok && ovStart != ui.overviewStart) {
            ui.overviewStart = ovStart;
            changed = true;
        }
        if (data && *static_cast<int*>(data) != ui.overviewEnd) {
            ui.overviewEnd = *static_cast<int*>(data);
            changed = true;
        }
        const int bar = ui.getIndexByXAxis(ui.getMouseX());
        if (bar < 0 || bar > ui.getLastIndex())
            ui.crossIndex = -1;
        else if (ui.crossVisible)
            ui.crossIndex = bar;
        updateKlineId(ui.crossIndex);
        m_timeLine->setTip(ui.crossIndex, ui.getMouseX());
        if (changed)
            updateView();
        ui.resetSpan = std::max(20, ui.getMaxDispIndex() - ui.getMinDispIndex());
        // updateView() has redrawn the main pane with its new axis already.
        if (m_mainPane && !changed)
            m_mainPane->refresh();
        postEvent(170, ui.getMinDispIndex(), ui.getMaxDispIndex(), QString(), nullptr);
        return true;
    }
    case 181:
        highlightWidget(p1);
        return true;
    case 183:
        if (ui.lockCursor && !ui.crossVisible) {
            ui.lockClicked = true;
            moveLockCursor(ui.lockedIndex);
            connectTickData();
        } else {
            updateGroupModelPosition();
            connectTickData();
            if (ui.curStock && ui.lockedIndex >= 0 && ui.lockedIndex < ui.m_tradeDateList.size())
                postEvent(3175, 0, int(ui.m_tradeDateList.at(ui.lockedIndex)), ui.getCurrMarket(), nullptr);
        }
        repaint();
        return false;
    case 184:
        postEvent(188, 0, 0, QString::number(qint64(ui.getLastTimeTag()) * 1000), nullptr);
        return true;
    case 185:
        addIndexWidget();
        return true;
    case 186:
        return true;
    case 187:
        if (ui.crossVisible || ui.lockClicked) {
            ui.crossIndex = p2;
            updateKlineId(p2);
        }
        if (p2 == -1) {
            ui.crossIndex = -1;
            updateKlineId(-1);
        }
        m_timeLine->setTip(p2, p1);
        setMouseInFalse();
        // Only what the cursor changed repaints (crosshair strips, titles,
        // the time strip's box), at the next turn of the event loop.
        updateCrosshairs();
        return false;
    case 188:
        if (!ui.lockCursor)
            connectTickData();
        return true;
    case 190: {
        const int drawn = m_mainPane ? m_mainPane->graph()->refreshCount() : 0;
        changeDispRegion(p1, p2);
        // A window that was taken has redrawn every pane with its axis.
        if (m_mainPane && m_mainPane->graph()->refreshCount() == drawn)
            m_mainPane->refresh();
        postEvent(170, ui.getMinDispIndex(), ui.getMaxDispIndex(), QString(), nullptr);
        return true;
    }
    case 191:
        statisticSelectRegion(p1, text);
        return true;
    case 193:
        // A pane reports the dragged bars as (0, bars); other senders put
        // them first. The unused one is 0 either way.
        dragWidget(p1 + p2);
        return true;
    case 194:
        setPeriod(p2);
        request(false);
        return false;
    case 195:
        if (p2 != ui.drType) {
            ui.drType = p2;
            if (m_mainPane)
                m_mainPane->setDrType(p2);
            unrequest();
            request(false);
        }
        return true;
    case 196:
        if (p2 == 1 || ui.overviewEnd == ui.getLastIndex())
            resetTimeline();
        if (ui.crossVisible) {
            ui.setMouseX(ui.getXAxisByIndex(ui.crossIndex, -1, -1));
            m_timeLine->setTip(ui.crossIndex, ui.getMouseX());
        }
        if (ui.timetagSet)
            fixMultiWidgetTimetag();
        updateView();
        return true;
    case 197:
        updateTimeline(ui.getMinDispIndex(), ui.getMaxDispIndex());
        return true;
    case 198:
        // The window edits the pane's formula for this chart: its save lands here.
        if (CFormulaWindow* window = CFormulaEditorManager::instance()->createWindow(text)) {
            window->setTargetChart(this);
            window->setSelectCode(text, p1);
        }
        return true;
    case 202:
        lockOrUnlockCursor();
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
        if (m_indexModel) {
            m_indexModel->updateIndexTemplate(text);
            m_indexModel->saveSelectTemplateIndex(int(ui.period));
        }
        return true;
    case 3021:
        if (m_mainPane)
            m_mainPane->setIndex(QStringLiteral("KLINE"), QString());
        saveCurrentIndexs();
        return true;
    case 3039:
        if (m_indexModel) {
            if (p2 == 1)
                delAllIndexWidgets();
            for (const QString& name : m_indexModel->getTemplateIndex())
                addIndexWidget()->addIndex(name, QString());
            saveCurrentIndexs();
        }
        return true;
    case 3087:
        ui.setMouseX(ui.getXAxisByIndex(ui.lockedIndex, -1, -1));
        m_timeLine->setTip(ui.lockedIndex, ui.getMouseX());
        return true;
    case 3160:
        showLinkageSetting();
        return true;
    case 3161:
        updateLinkageSetting();
        return true;
    case 3162:
        closeLinkageSetting();
        return true;
    case 3163:
        updateLinkageDatas();
        return true;
    case 3164:
        showLinkageDatas(data, text, p1, p2);
        return true;
    case 3207: {
        const QStringList parts = text.split(QLatin1Char('|'));
        if (parts.size() == 2 && CFormulaOperateManager::getFormula(parts.at(0))) {
            auto strategy = std::make_shared<CTradeStrategyData>(parts.at(0), parts.at(1), 1);
            CStrategyTradeManager::instance()->addStrategy(strategy);
            CStrategyTradeManager::instance()->runStrategy(parts.at(0));
            KW::CMessageBox::information(QStringLiteral("提示"), QStringLiteral("添加成功!"), this);
        }
        return true;
    }
    case 3228:
        if (p2 == 2) {
            const int last = ui.getLastIndex();
            if (last >= 0) {
                m_timeLine->setOverviewRegion(0, last);
                m_timeLine->setDispRegion(std::max(0, last - ui.resetSpanNarrow), last);
                syncFromTimeLine(false);
            }
            updateIndexId();
            postEvent(170, ui.getMinDispIndex(), ui.getMaxDispIndex(), QString(), nullptr);
        } else if (p2 == 1) {
            scaleView(false);
        } else if (p2 == 0) {
            scaleView(true);
        }
        return true;
    case 3230:
        postEvent(3230, p1, p2, text, data);
        return true;
    case 3233:
        if (m_indexModel) {
            QList<QString> names;
            for (CKLineWidget* pane : m_subPanes)
                for (const QString& n : pane->indexNames())
                    names << n;
            m_indexModel->showSaveModelDialog(names);
        }
        return true;
    case 3239:
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
    ui.actualStart = 0;
    ui.actualEnd = last + ui.optionExtraDays();
    ui.overviewStart = 0;
    ui.overviewEnd = ui.actualEnd;
    const int first = ui.resetWindowStart();
    m_timeLine->setActualRegion(ui.actualStart, ui.actualEnd);
    m_timeLine->setOverviewRegion(ui.overviewStart, ui.overviewEnd);
    m_timeLine->setDispRegion(first, ui.actualEnd);
    m_timeLine->setMinDispRegion(ui.minDispSpan);
    m_timeLine->tryAdjustOverviewRegion();
    m_timeLine->updateOverview();
    syncFromTimeLine(true);
    if (!m_requested)
        updateView();
}

void CKLineMainWidget::updateTimeline(int first, int last)
{
    CKLineUiParam& ui = *m_uiParam;
    // A window on the newest bar follows it at its width (candles keep
    // their size all day); only a window on the whole history grows.
    if (last == ui.overviewEnd) {
        ++last;
        if (first > ui.actualStart)
            ++first;
    }
    ++ui.overviewEnd;
    ui.actualEnd = ui.getLastIndex() + ui.optionExtraDays();
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

bool CKLineMainWidget::isShowCrossLine() const
{
    return m_uiParam->crossVisible;
}

bool CKLineMainWidget::isLockShow() const
{
    return m_uiParam->lockCursor;
}

int CKLineMainWidget::getLockId() const
{
    return m_uiParam->lockedIndex;
}

int CKLineMainWidget::getLockPos() const
{
    return m_uiParam->getXAxisByIndex(m_uiParam->crossIndex, -1, -1);
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
    // The title font decides the smallest pane.
    if (m_paneList)
        m_paneList->setMinimumItemLength(minimumPaneHeight());
    updateView();
}

} // namespace TC
