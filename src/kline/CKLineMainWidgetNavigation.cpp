// Cursor, window and keyboard: the chart's navigation over its bars. The
// time-line strip owns the regions; after every change the view model takes
// them back (syncFromTimeLine) and the panes repaint.
#include <cmath>

#include <QKeyEvent>
#include <QWheelEvent>

#include <QPointer>

#include "dialogs/CKLineTimeLineWidget.h"
#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/config/CAppConfig.h"
#include "platform/framework/KWKeys.h"
#include "platform/indexui/CSmartKeyboardDialog.h"
#include "platform/market/InstrumentAccess.h"
#include "series/CKLineData.h"

namespace TC {

void CKLineMainWidget::syncFromTimeLine(bool withActual)
{
    CKLineUiParam& ui = *m_uiParam;
    ui.setMinDispIndex(m_timeLine->dispStartRegion());
    ui.setMaxDispIndex(m_timeLine->dispEndRegion());
    ui.overviewStart = m_timeLine->minOverViewStartTime();
    ui.overviewEnd = m_timeLine->maxOverViewEndTime();
    if (withActual) {
        ui.actualStart = m_timeLine->actualStartTime();
        ui.actualEnd = m_timeLine->actualEndTime();
    }
}

void CKLineMainWidget::changeDispRegion(int first, int last)
{
    if (first < 0 || last < 0 || first > last || last - first < 20)
        return;
    m_timeLine->setDispRegion(first, last);
    const QPair<int, int> ov = CKLineUiParam::explicitOverview(m_timeLine->dispStartRegion(),
                                                               m_timeLine->dispEndRegion(),
                                                               m_timeLine->actualEndTime());
    m_timeLine->setOverviewRegion(ov.first, ov.second);
    m_timeLine->tryAdjustOverviewRegion();
    syncFromTimeLine(true);
    updateView();
}

void CKLineMainWidget::changeDispTimeRegion(const int& from, const int& to)
{
    const int drawn = m_mainPane ? m_mainPane->graph()->refreshCount() : 0;
    changeDispRegion(m_uiParam->getIndexByTimeTag(from), m_uiParam->getIndexByTimeTag(to));
    // A window that was taken has redrawn every pane with its axis.
    if (m_mainPane && m_mainPane->graph()->refreshCount() == drawn)
        m_mainPane->refresh();
    postEvent(170, m_uiParam->getMinDispIndex(), m_uiParam->getMaxDispIndex(), QString(), nullptr);
}

void CKLineMainWidget::timeLineTryMoveById(int id)
{
    const CKLineUiParam& ui = *m_uiParam;
    const int min = ui.getMinDispIndex();
    const int max = ui.getMaxDispIndex();
    const int mid = min + (max - min) / 2;
    const int start = ui.actualStart;
    const int end = ui.actualEnd;
    if (min < id && id < max) {
        if (id < mid)
            m_timeLine->tryMoveTo(std::max(start, min - (mid - id)), true);
        else if (id > mid)
            m_timeLine->tryMoveTo(std::min(end, max + (id - mid)), false);
        else
            return;
    } else if (id >= max) {
        m_timeLine->tryMoveTo(std::min(end, max + id - max + (max - min) / 2), false);
    } else {
        m_timeLine->tryMoveTo(std::max(start, min - (min - id) - (max - min) / 2), true);
    }
    syncFromTimeLine(false);
}

void CKLineMainWidget::timeLineMoveIdToCenter(int id)
{
    timeLineTryMoveById(id);
    m_uiParam->crossIndex = id;
    updateKlineId(id);
    updateGroupModelPosition();
    m_uiParam->setMouseX(m_uiParam->getXAxisByIndex(id, -1, -1));
    m_timeLine->setTip(id, m_uiParam->getMouseX());
    m_uiParam->crossOnClose = true;
    m_uiParam->lockedIndex = id;
    updateView();
}

void CKLineMainWidget::updateKlineId(int id)
{
    if (m_mainPane)
        m_mainPane->updateKlineId();
    for (CKLineWidget* pane : m_subPanes)
        pane->updateKlineId();
    const CKLineUiParam& ui = *m_uiParam;
    if ((!ui.lockCursor || ui.lockClicked) && ui.curStock && id >= 0 && id < ui.m_tradeDateList.size())
        postEvent(3175, 0, int(ui.m_tradeDateList.at(id)), ui.getCurrMarket(), nullptr);
    updateGroupModelPosition();
}

void CKLineMainWidget::updateIndexId()
{
    updateKlineId(m_uiParam->crossIndex);
    m_timeLine->setTip(m_uiParam->crossIndex, m_uiParam->getXAxisByIndex(m_uiParam->crossIndex, -1, -1));
    updateView();
}

void CKLineMainWidget::moveCursor(bool left, bool fast)
{
    CKLineUiParam& ui = *m_uiParam;
    if (ui.lockCursor) {
        ui.lockClicked = true;
        moveLockCursor(left, fast);
        connectTickData();
        return;
    }
    if (!ui.crossVisible) {
        ui.crossVisible = true;
        ui.crossIndex = ui.getMaxDispIndex();
    } else {
        ui.crossIndex = ui.stepCursor(ui.crossIndex, left, fast);
    }
    setMouseInFalse();
    if (m_mainPane)
        m_mainPane->setMouseIn(true);
    updateGroupModelPosition();
    ui.crossOnClose = true;
    ui.lockedIndex = ui.crossIndex;
    if (ui.crossIndex >= ui.getMinDispIndex() && ui.crossIndex <= ui.getMaxDispIndex()) {
        updateKlineId(ui.crossIndex);
        ui.setMouseX(ui.getXAxisByIndex(ui.crossIndex, -1, -1));
        m_timeLine->setTip(ui.crossIndex, ui.getMouseX());
    } else {
        m_timeLine->tryMoveTo(ui.crossIndex, left);
        syncFromTimeLine(false);
        updateKlineId(ui.crossIndex);
        ui.setMouseX(ui.getXAxisByIndex(ui.crossIndex, -1, -1));
        m_timeLine->setTip(ui.crossIndex, ui.getMouseX());
    }
    connectTickData();
    updateView();
}

void CKLineMainWidget::moveLockCursor(int index)
{
    CKLineUiParam& ui = *m_uiParam;
    const bool leftOfWindow = index < ui.getMinDispIndex();
    ui.lockedIndex = std::max(ui.actualStart, std::min(index, ui.actualEnd));
    ui.crossIndex = ui.lockedIndex;
    updateKlineId(ui.lockedIndex);
    updateGroupModelPosition();
    ui.crossOnClose = true;
    const int bar = ui.lockedIndex;
    if (bar < ui.getMinDispIndex() || bar > ui.getMaxDispIndex()) {
        if (m_historySector) {
            const int span = ui.getMaxDispIndex() - ui.getMinDispIndex();
            m_timeLine->tryMoveTo(std::max(bar - span / 2, ui.actualStart), true);
        } else {
            m_timeLine->tryMoveTo(bar, leftOfWindow);
        }
        syncFromTimeLine(false);
    }
    ui.setMouseX(ui.getXAxisByIndex(bar, -1, -1));
    m_timeLine->setTip(bar, ui.getMouseX());
    updateView();
}

void CKLineMainWidget::moveLockCursor(bool left, bool fast)
{
    CKLineUiParam& ui = *m_uiParam;
    const int bar = ui.stepCursor(ui.lockedIndex, left, fast);
    ui.lockedIndex = bar;
    ui.crossIndex = bar;
    updateKlineId(bar);
    updateGroupModelPosition();
    ui.crossOnClose = true;
    if (bar < ui.getMinDispIndex() || bar > ui.getMaxDispIndex()) {
        if (m_historySector) {
            const int span = ui.getMaxDispIndex() - ui.getMinDispIndex();
            m_timeLine->tryMoveTo(std::max(bar - span / 2, ui.actualStart), true);
        } else {
            m_timeLine->tryMoveTo(bar, left);
        }
        syncFromTimeLine(false);
    }
    ui.setMouseX(ui.getXAxisByIndex(bar, -1, -1));
    m_timeLine->setTip(bar, ui.getMouseX());
    updateView();
}

void CKLineMainWidget::moveViewHasTime(int timetag)
{
    const int k = m_uiParam->getIndexByTimeTag(timetag);
    if (k >= 0 && k < m_uiParam->m_tradeDateList.size() && m_uiParam->getTimeTagByIndex(k) == timetag)
        moveLockCursor(k);
}

void CKLineMainWidget::moveToFirst()
{
    m_uiParam->crossVisible = true;
    m_uiParam->crossIndex = 0;
    updateIndexId();
}

void CKLineMainWidget::moveToHome()
{
    m_uiParam->crossVisible = true;
    m_uiParam->crossIndex = m_uiParam->getMinDispIndex();
    updateIndexId();
}

void CKLineMainWidget::moveToEnd()
{
    m_uiParam->crossVisible = true;
    m_uiParam->crossIndex = m_uiParam->getMaxDispIndex();
    updateIndexId();
}

void CKLineMainWidget::moveToLast()
{
    m_uiParam->crossVisible = true;
    m_uiParam->crossIndex = m_uiParam->getLastIndex();
    updateIndexId();
}

void CKLineMainWidget::scaleView(bool wider)
{
    const int held = m_uiParam->crossIndex;
    m_timeLine->resizeDispRegion(wider ? 0.1 : -0.1);
    syncFromTimeLine(false);
    if (m_uiParam->crossVisible && held >= 0)
        timeLineMoveIdToCenter(held);
    else
        updateView();
    postEvent(170, m_uiParam->getMinDispIndex(), m_uiParam->getMaxDispIndex(), QString(), nullptr);
}

void CKLineMainWidget::lockCursor(bool on)
{
    if (!m_mainPane)
        return;
    m_mainPane->lockCursor(on);
    updateGroupModelPosition();
    update();
}

void CKLineMainWidget::lockOrUnlockCursor()
{
    if (!m_mainPane)
        return;
    m_mainPane->lockOrUnlockCursor();
    updateGroupModelPosition();
    update();
}

void CKLineMainWidget::lockMaxCursor()
{
    CKLineUiParam& ui = *m_uiParam;
    ui.lockCursor = true;
    ui.crossIndex = ui.actualEnd;
    ui.lockedIndex = ui.actualEnd;
    handleEvent(187, 0, ui.actualEnd, QString(), nullptr);
}

void CKLineMainWidget::hideCrossline()
{
    m_uiParam->crossVisible = false;
    updateView();
}

void CKLineMainWidget::showCrossLine()
{
    m_uiParam->crossVisible = true;
    updateView();
}

void CKLineMainWidget::switchCrossline()
{
    m_uiParam->crossVisible = !m_uiParam->crossVisible;
    updateView();
}

void CKLineMainWidget::updateKeboardIndex(int timetag)
{
    m_uiParam->lockedTimeTag = timetag;
}

void CKLineMainWidget::setCurrentTradeDateTime(int day)
{
    m_uiParam->lastTradingDay = day;
}

void CKLineMainWidget::dragWidget(int offset)
{
    const int first = m_uiParam->getMinDispIndex();
    const int last = m_uiParam->getMaxDispIndex();
    m_timeLine->tryMoveTo(first + offset, true);
    syncFromTimeLine(false);
    // A drag worth less than a bar, or one against the end of the data,
    // leaves the pictures as they are.
    if (m_uiParam->getMinDispIndex() != first || m_uiParam->getMaxDispIndex() != last)
        updateView();
}

void CKLineMainWidget::connectTickData()
{
    CKLineUiParam& ui = *m_uiParam;
    if (!ui.connectTick || !ui.tickGraph)
        return;
    qint64 ms = m_mainPane ? m_mainPane->graph()->timeAtIndex(ui.crossIndex) : -1;
    if (ms < 0)
        ms = qint64(ui.getLastTimeTag()) * 1000;
    postEvent(188, 0, 0, QString::number(ms), nullptr);
}

void CKLineMainWidget::updateGroupModelPosition()
{
    for (CKLineWidget* pane : m_subPanes)
        if (pane->hasGroupModelIndex() || pane->hasPythonIndex() || pane->hasVbaIndex())
            pane->graph()->update();
}

void CKLineMainWidget::setTimetag(int t)
{
    CKLineUiParam& ui = *m_uiParam;
    ui.lockCursor = true;
    ui.lockClicked = true;
    ui.timetag = t;
    ui.timetagSet = true;
    updateView();
}

void CKLineMainWidget::fixMultiWidgetTimetag()
{
    CKLineUiParam& ui = *m_uiParam;
    const QVector<qint64>& tags = ui.m_tradeDateList;
    if (tags.isEmpty())
        return;
    const auto it = std::lower_bound(tags.begin(), tags.end(), qint64(ui.timetag));
    if (it == tags.end())
        return;
    const int k = int(it - tags.begin());
    if (k > 0) {
        const QPair<int, int> w = ui.timetagWindow(k);
        changeDispRegion(w.first, w.second);
        ui.crossIndex = k;
        if (ui.lockCursor)
            ui.lockedIndex = k;
        ui.setMouseX(ui.getXAxisByIndex(k, -1, -1));
        m_timeLine->setTip(k, ui.getMouseX());
        updateKlineId(k);
    }
    update();
}

// ---------------------------------------------------------------------------
// Keyboard and wheel

void CKLineMainWidget::keyPressEvent(QKeyEvent* event)
{
    // Esc closes an open position or variable view before anything else.
    if (event->key() == Qt::Key_Escape) {
        bool closed = m_mainPane && m_mainPane->graph()->hideInspectionView();
        for (CKLineWidget* pane : m_subPanes)
            closed = pane->graph()->hideInspectionView() || closed;
        if (closed) {
            event->accept();
            return;
        }
    }
    if (event->key() == Qt::Key_Delete && deleteCurrGraph()) {
        event->accept();
        return;
    }
    const bool client3 = CAppConfig::isClientType(3);
    if (m_viewType != 7 && !client3) {
        QWidget::keyPressEvent(event);
        return;
    }
    CKLineUiParam& ui = *m_uiParam;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int held = ui.crossIndex;
        m_timeLine->resizeDispRegion(event->key() == Qt::Key_Up ? -0.1 : 0.1);
        syncFromTimeLine(false);
        if (ui.crossVisible && held >= 0)
            timeLineMoveIdToCenter(held);
        else
            updateView();
        postEvent(170, ui.getMinDispIndex(), ui.getMaxDispIndex(), QString(), nullptr);
        break;
    }
    case Qt::Key_Left:
        moveCursor(true, event->modifiers() & Qt::ControlModifier);
        break;
    case Qt::Key_Right:
        moveCursor(false, event->modifiers() & Qt::ControlModifier);
        break;
    case Qt::Key_Home:
        ui.crossVisible = true;
        ui.crossIndex = ui.getMinDispIndex();
        updateIndexId();
        break;
    case Qt::Key_End:
        ui.crossVisible = true;
        ui.crossIndex = ui.getMaxDispIndex();
        updateIndexId();
        break;
    default:
        if (KW::isKeyCharOrNum(event)) {
            openKeyboardSpirit(event->text());
        } else {
            QWidget::keyPressEvent(event);
        }
        break;
    }
    if (client3)
        event->ignore();
}

void CKLineMainWidget::openKeyboardSpirit(const QString& typed)
{
    // The host hears of the key first and may take it (a non-zero answer):
    // then it shows its own instrument picker.
    int taken = 0;
    postEvent(157, 0, 0, QString(), &taken);
    if (taken)
        return;
    CSmartKeyboardDialog* spirit = CSmartKeyboardDialog::instance();
    QPointer<CKLineMainWidget> self(this);
    spirit->setSelectStockFunc([self](std::shared_ptr<qlservice::CInstrumentDetail> stock, int kind) {
        if (self)
            self->onSelectStock(stock, kind);
    });
    spirit->setTitle(QStringLiteral("键盘精灵"));
    spirit->setChar(typed);
    spirit->move(mapToGlobal(rect().center()) - spirit->rect().center());
    spirit->show();
    spirit->raise();
    spirit->activateWindow();
}

void CKLineMainWidget::onSelectStock(std::shared_ptr<qlservice::CInstrumentDetail> stock, int kind)
{
    if (!stock || kind != 0 || getDetailQsKey(stock) == getDetailQsKey(m_uiParam->curStock))
        return;
    unrequest();
    setStock(stock);
    request(true);
}

void CKLineMainWidget::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0 || m_uiParam->m_tradeDateList.isEmpty()) {
        event->ignore();
        return;
    }
    CKLineUiParam& ui = *m_uiParam;
    // Zoom around the crosshair bar, else around the bar under the mouse.
    int anchor = ui.crossVisible ? ui.crossIndex : -1;
    if (anchor < 0 && m_mainPane) {
        const QPoint p = m_mainPane->graph()->mapFrom(this, event->position().toPoint());
        anchor = ui.getIndexByXAxis(p.x());
    }
    m_timeLine->resizeDispRegion(delta > 0 ? -0.1 : 0.1);
    syncFromTimeLine(false);
    if (anchor >= 0)
        timeLineTryMoveById(anchor);
    if (ui.crossVisible && anchor >= 0) {
        ui.setMouseX(ui.getXAxisByIndex(anchor, -1, -1));
        m_timeLine->setTip(anchor, ui.getMouseX());
    }
    updateView();
    postEvent(170, ui.getMinDispIndex(), ui.getMaxDispIndex(), QString(), nullptr);
    event->accept();
}

} // namespace TC
