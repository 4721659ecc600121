#include "kline/CKLineWidget.h"

#include <QResizeEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "dialogs/CKLineCycleCountdown.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/config/CAppConfig.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/framework/CFrameSplitterLine.h"
#include "platform/framework/CPushButton.h"
#include "platform/indexui/CIndexTitleWidget.h"
#include "platform/indexui/CShowGroupRunTimeWidget.h"
#include "platform/market/InstrumentAccess.h"
#include "platform/trading/CStrategyTradeManager.h"
#include "series/CKLineData.h"

namespace TC {

namespace {

// Pane instance numbers are handed to the series (GUI thread only).
int s_paneCounter = 5000;

const char* const kButtonFont = "fnt_default_small_heavy";

KW::CPushButton* makeButton(const QString& text, int id, int w, QWidget* parent, KW::CEventDeliverer* upstream)
{
    auto* b = new KW::CPushButton(text, id, parent);
    b->setFontKey(QLatin1String(kButtonFont));
    b->setFixedSize(w, 20);
    b->setUpstream(upstream);
    b->hide();
    return b;
}

} // namespace

int CKLineWidget::nextPaneInstanceNumber()
{
    return s_paneCounter;
}

CKLineWidget::CKLineWidget(int paneId, boost::shared_ptr<CKLineUiParam> uiParam, int paneType, int viewType,
                           KW::CEventDeliverer* upstream, QWidget* parent)
    : KW::CBaseWidget(QStringLiteral("kline_graph_widget"), false, parent),
      m_uiParam(std::move(uiParam)),
      m_paneType(paneType),
      m_viewType(viewType),
      m_paneId(paneId),
      m_paneNo(s_paneCounter++)
{
    setUpstream(upstream);

    m_series = boost::shared_ptr<CKLineData>(new CKLineData(m_uiParam, paneType, this));
    m_series->setViewType(viewType);
    m_series->setPaneNo(m_paneNo);

    auto* layout = new QVBoxLayout;
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);

    m_graph = new CKLineGraphWidget(paneId, m_uiParam, m_series, paneType, viewType, this);
    m_graph->setUpstream(this);
    if (!(viewType == 3 && isSubPane())) {
        m_title = new CIndexTitleWidget(m_series, paneType, viewType, m_uiParam ? m_uiParam->drType : 0, this);
        m_title->setUpstream(this);
        layout->addWidget(m_title);
        if (getConfig()->conciseStyle()) {
            auto* line = new KW::CFrameSplitterLine(QStringLiteral("ic_clr_concise_mainwindow_split_background"), this);
            line->setFixedHeight(1);
            layout->addWidget(line);
        }
    }
    layout->addWidget(m_graph, 1);

    m_runTime = new CShowGroupRunTimeWidget(this);
    m_runTime->hide();
    m_countdown = new CKLineCycleCountdown(this);
    m_countdown->hide();

    if (isSubPane()) {
        m_liveTradeBtn = makeButton(QStringLiteral("实盘交易"), 1103, 47, this, this);
        m_liveTradeBtn->setImageKey(QStringLiteral("img_btn_ok"));
        m_runModelBtn = makeButton(QStringLiteral("运行模型"), 1105, 50, this, this);
        m_runModelBtn->setImageKey(QStringLiteral("img_btn_ok"));
        m_stopBtn = makeButton(QStringLiteral("策略停止"), 1104, 47, this, this);
        m_stopBtn->setColorKeys({QStringLiteral("tc_clr_back_stop_btn_nomal"), QStringLiteral("tc_clr_back_stop_btn_hover"),
                                 QStringLiteral("tc_clr_back_stop_btn_press"),
                                 QStringLiteral("tc_clr_back_stop_btn_disable")});
        m_stopBtn->setTextColorKeys(
            {QStringLiteral("tc_clr_back_stop_btn_txt_nomal"), QStringLiteral("tc_clr_back_stop_btn_txt_hover"),
             QStringLiteral("tc_clr_back_stop_btn_txt_press"), QStringLiteral("tc_clr_back_stop_btn_txt_disable")});
    }
    setLayout(layout);

    m_mouseStayTimer = new QTimer(this);
    m_mouseStayTimer->setSingleShot(true);
    connect(m_mouseStayTimer, SIGNAL(timeout()), this, SLOT(slotMouseStayTimeOut()));
    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setSingleShot(true);
    m_refreshTimer->setTimerType(Qt::PreciseTimer);
    m_refreshTimer->setInterval(kFrameMs);
    connect(m_refreshTimer, &QTimer::timeout, this, &CKLineWidget::slotRefreshTimeOut);
}

CKLineWidget::~CKLineWidget()
{
    // The service holds the series through its callbacks until they are
    // cancelled; a pane never outlives its subscriptions.
    if (m_series)
        m_series->unrequest();
}

void CKLineWidget::setPaneId(int id)
{
    m_paneId = id;
    m_graph->setPaneIndex(id);
}

// ---------------------------------------------------------------------------
// Formulas

void CKLineWidget::addIndex(const QString& name, const QString& paramText)
{
    m_indexName = name;
    m_graph->addIndex(name, paramText);
    if (m_title) {
        m_title->showIndex(name, paramText);
        m_title->resetSize();
    }
    m_lastIndexName = name;
}

void CKLineWidget::setIndex(const QString& name, const QString& paramText)
{
    m_graph->clearData();
    if (m_title)
        m_title->clear();
    m_autoRequest = true;
    m_indexName = name;
    m_graph->setIndex(name, paramText);
    if (m_title) {
        if (m_uiParam)
            m_title->setStock(m_uiParam->curStock);
        m_title->showIndex(name, paramText);
        m_title->resetSize();
    }
    m_lastIndexName = name;
}

void CKLineWidget::removeIndex(const QString& name)
{
    m_graph->removeIndex(name);
    if (m_title) {
        m_title->hideIndex(name);
        m_title->resetSize();
    }
    m_lastIndexName.clear();
}

QStringList CKLineWidget::indexNames() const
{
    return m_graph->indexNames();
}

bool CKLineWidget::hasIndex(const QString& name) const
{
    return m_graph->hasIndex(name);
}

bool CKLineWidget::hasGroupModelIndex() const
{
    return m_series && m_series->hasGroupModelIndex();
}

bool CKLineWidget::hasPythonIndex() const
{
    return m_series && m_series->hasPythonIndex();
}

bool CKLineWidget::hasVbaIndex() const
{
    for (const QString& f : indexNames())
        if (CFormulaOperateManager::isVbaIndex(f))
            return true;
    return false;
}

bool CKLineWidget::hasData() const
{
    return m_series && m_series->hasData();
}

// ---------------------------------------------------------------------------
// Requests

void CKLineWidget::request(int runMode, bool flag)
{
    m_lastRunMode = runMode;
    if (isSubPane()) {
        if (m_loginInit || !m_autoRequest) {
            m_savedFlag = flag;
            m_loginInit = false;
            takeDeferredPath();
            return;
        }
        if (m_title)
            m_title->setShowSimpleTitle(false);
        m_simpleTitle = false;
        if (m_runModelBtn)
            m_runModelBtn->hide();
    }

    const bool group = hasGroupModelIndex();
    const bool python = hasPythonIndex();
    const bool vba = hasVbaIndex();
    if (!group && !python && !vba) {
        m_graph->requestData(flag, runMode);
    } else if (group && !python && !vba && (!(m_uiParam && m_uiParam->isShowGroupIndexGraph()) || hasData())) {
        refresh();
    } else {
        m_series->unrequest();
        m_graph->requestData(flag, runMode);
    }
    if (!group && !python)
        deliverEvent(3086, 0, 0, QString(), nullptr);
    showLiveTradeButton(runMode);
}

void CKLineWidget::takeDeferredPath()
{
    const bool group = hasGroupModelIndex();
    const bool python = hasPythonIndex();
    if (!group && !python) {
        m_autoRequest = true;
        request(m_lastRunMode, m_savedFlag);
        return;
    }
    if (python && m_autoRequest) {
        const QStringList names = indexNames();
        const auto strategy =
            names.isEmpty() ? nullptr : CStrategyTradeManager::instance()->getStrategyByName(names.first());
        if (strategy && strategy->isActive()) {
            request(m_lastRunMode, m_savedFlag);
            return;
        }
    }
    m_simpleTitle = true;
    if (m_title) {
        const QStringList names = indexNames();
        m_title->setShowSimpleTitle(true);
        m_title->setSimpleTite(names.isEmpty() ? QString() : names.first());
    }
    relayout();
}

void CKLineWidget::showLiveTradeButton(int runMode)
{
    if (!m_liveTradeBtn)
        return;
    if (runMode == 1 && CFormulaOperateManager::isUserModelExist(m_indexName)) {
        if (m_runTime->isVisible())
            m_liveTradeBtn->move(m_runTime->x(), m_runTime->geometry().bottom() + 14);
        else
            m_liveTradeBtn->move(plotWidth() + 2, 12);
        m_liveTradeBtn->show();
        m_liveTradeBtn->raise();
    } else {
        m_liveTradeBtn->hide();
    }
}

void CKLineWidget::clear()
{
    m_graph->clearData();
    if (m_title) {
        m_title->clear();
        // The formulas stay on the pane: the title keeps naming them while
        // their values are gone.
        showTitleFormulas();
    }
}

void CKLineWidget::showTitleFormulas()
{
    if (!m_title)
        return;
    if (m_uiParam && !isSubPane())
        m_title->setStock(m_uiParam->curStock);
    for (const QString& n : indexNames())
        m_title->showIndex(n, m_graph->paramText(n));
    m_title->resetSize();
}

void CKLineWidget::unrequest()
{
    m_series->unrequest();
    m_graph->clearData();
    m_graph->refreshGraph();
    m_graph->update();
    if (m_title)
        m_title->update();
}

void CKLineWidget::release()
{
    unrequest();
    if (m_title)
        m_title->clear();
}

void CKLineWidget::refresh()
{
    // Whatever asked, the picture is current now.
    m_refreshPending = false;
    m_refreshTimer->stop();
    m_graph->refreshGraph();
    if (m_title) {
        m_title->resetSize();
        m_title->update();
    }
    update();
    m_graph->update();
}

void CKLineWidget::scheduleRefresh()
{
    m_refreshPending = true;
    // Not restarted by later updates: a steady stream still shows within a
    // frame of its first update.
    if (!m_refreshTimer->isActive())
        m_refreshTimer->start();
}

void CKLineWidget::flushRefresh()
{
    if (!m_refreshPending)
        return;
    m_refreshPending = false;
    m_refreshTimer->stop();
    // New values only: the picture and the title's values change, no size
    // does, so neither the title's layout nor the whole pane is redone, and
    // covers of the newest bar redraw only its strip.
    m_graph->update(m_graph->refreshTail());
    if (m_title)
        m_title->updateValues();
}

void CKLineWidget::slotRefreshTimeOut()
{
    flushRefresh();
}

void CKLineWidget::collectFormulaParams(QVector<CFormulaParam>& records)
{
    // A pane cleared for a full request keeps its booked ids while its
    // results are gone; cancel them so the batch asks again instead of
    // leaving the pane empty.
    if (!m_series->hasData() && !m_series->reqIds().isEmpty())
        m_series->unrequest();
    m_series->collectFormulaParams(records, m_lastRunMode);
}

void CKLineWidget::deliverResult(const CFormulaParam& record, const std::shared_ptr<se::RPCFormulaMetaResult>& meta,
                                 const std::shared_ptr<se::RPCFormulaResult>& result)
{
    if (hasGroupModelIndex() && hasData())
        return;
    m_series->formulaHistoryCallback(meta, result, record.requestId, 1, QString(), false, true);
}

// ---------------------------------------------------------------------------
// Instrument, period, flags

void CKLineWidget::setStock(std::shared_ptr<qlservice::CInstrumentDetail> stock)
{
    m_series->clearSeries();
    if (m_title) {
        m_title->clear();
        m_title->setStock(stock);
        for (const QString& n : indexNames())
            m_title->showIndex(n, m_graph->paramText(n));
        if (m_uiParam && m_uiParam->swLevel != -1) {
            QStringList keys;
            for (const auto& s : m_uiParam->addStockList)
                keys << getDetailQsKey(s);
            m_title->setAddStocks(keys);
        }
    }
    m_graph->setStock(stock);
    // The countdown decides itself whether it can count (period, feed,
    // session); it only needs to know what to count.
    m_countdown->setStock(stock);
    if (m_uiParam)
        m_countdown->setPeriod(int(m_uiParam->period));
    m_countdown->start(1000);
    if (m_uiParam)
        m_graph->setPeriod(int(m_uiParam->period));
}

void CKLineWidget::setPeriod(int period)
{
    if (m_title)
        m_title->setPeroid(period);
    m_graph->setPeriod(period);
    m_countdown->setPeriod(period);
    m_countdown->start(1000);
}

void CKLineWidget::setDrType(int drType)
{
    if (m_title)
        m_title->setDrType(drType);
}

void CKLineWidget::setSelected(bool selected)
{
    if (m_title)
        m_title->setShowTitleBg(selected);
}

void CKLineWidget::setCreateNewWorkShow(bool on) { m_graph->setCreateNewWorkShow(on); }
void CKLineWidget::setTimeRangeQuotation(bool on) { m_graph->setTimeRangeQuotation(on); }
void CKLineWidget::setReplay(bool on) { m_graph->setReplay(on); }
void CKLineWidget::setQuickBuySell(bool on) { m_graph->setQuickBuySell(on); }
void CKLineWidget::setMouseIn(bool on) { m_graph->setMouseIn(on); }

void CKLineWidget::setAutoIndex(bool on)
{
    if (isSubPane())
        m_autoRequest = on;
}

void CKLineWidget::setIsLoginInit(bool on)
{
    if (isSubPane())
        m_loginInit = on;
}

void CKLineWidget::setStrategyRunning(bool on)
{
    m_strategyRunning = on;
    relayout();
}

void CKLineWidget::setBtnToolVisible(bool on)
{
    if (m_title)
        m_title->setBtnToolVisible(on);
}

void CKLineWidget::setConciseStyle(bool on)
{
    if (m_title)
        m_title->setConciseStyle(on);
}

void CKLineWidget::setCloseBtnVisible(bool on)
{
    if (m_title)
        m_title->setCloseBtnVisible(on);
}

// ---------------------------------------------------------------------------
// Layout and cursor

int CKLineWidget::plotWidth() const
{
    return m_uiParam ? m_uiParam->plotWidth : width();
}

int CKLineWidget::overlayTop() const
{
    return getConfig()->conciseStyle() ? 22 : 12;
}

void CKLineWidget::relayout()
{
    const int x0 = plotWidth();
    const int y0 = overlayTop();
    const bool stopVisible = m_stopBtn && m_strategyRunning;
    if (m_stopBtn) {
        m_stopBtn->move(x0, 2);
        m_stopBtn->setVisible(stopVisible);
        if (stopVisible)
            m_stopBtn->raise();
        if (m_title)
            m_title->setCloseBtnVisible(!stopVisible);
    }
    if (!m_simpleTitle || !m_runModelBtn) {
        if (m_runModelBtn)
            m_runModelBtn->hide();
        m_runTime->move(x0, stopVisible ? y0 + m_stopBtn->height() : y0);
    } else {
        m_runModelBtn->move(x0, y0 + 5);
        m_runModelBtn->show();
        m_runModelBtn->raise();
        m_runTime->hide();
    }
    if (m_liveTradeBtn) {
        if (m_runTime->isVisible())
            m_liveTradeBtn->move(m_runTime->x() + 2, m_runTime->geometry().bottom() + 12);
        else if (stopVisible)
            m_liveTradeBtn->move(x0 + 2, m_stopBtn->geometry().bottom() + 5);
        else
            m_liveTradeBtn->move(x0 + 2, 12);
    }
    m_countdown->move(x0, height() - 20);
    m_countdown->raise();
    refresh();
}

void CKLineWidget::resizeEvent(QResizeEvent* event)
{
    KW::CBaseWidget::resizeEvent(event);
    relayout();
}

void CKLineWidget::updateKlineId()
{
    const int bar = m_graph->cursorIndex();
    if (m_title && !(m_uiParam && m_uiParam->lockCursor && !m_uiParam->lockClicked))
        m_title->updateIndexId(bar);
    m_graph->updateCrosshair();
    deliverEvent(188, 0, 0, QString(), nullptr);
    m_mouseStayTimer->start(400);
}

void CKLineWidget::lockCursor(bool on)
{
    if (!m_uiParam)
        return;
    if (on && !m_uiParam->lockCursor)
        m_uiParam->lockedIndex = m_uiParam->crossIndex;
    m_uiParam->lockCursor = on;
    m_graph->refreshGraph();
    m_graph->update();
    if (m_title)
        m_title->update();
}

void CKLineWidget::lockOrUnlockCursor()
{
    if (m_uiParam)
        lockCursor(!m_uiParam->lockCursor);
}

bool CKLineWidget::isMouseStayPending() const
{
    return m_mouseStayTimer->isActive();
}

void CKLineWidget::slotMouseStayTimeOut()
{
    // The cursor rested on a bar: the drawing area may now show what is
    // costly to follow while the mouse moves.
    m_graph->cursorRested();
}

void CKLineWidget::clearExtendCache()
{
    if (isSubPane())
        CFormulaManager::instance()->clearExtendCache(m_indexName);
}

} // namespace TC
