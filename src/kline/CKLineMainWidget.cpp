#include "kline/CKLineMainWidget.h"

#include <utility>

#include <boost/weak_ptr.hpp>

#include <QVBoxLayout>

#include "dialogs/CKLineTimeLineWidget.h"
#include "kline/CKLineLinkageSettingDialog.h"
#include "kline/CKLineWidget.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/config/CAppConfig.h"
#include "platform/config/CUserConfig.h"
#include "platform/config/QLLog.h"
#include "platform/formula/editor/CFormulaEditorManager.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/framework/CDragWidgetList.h"
#include "platform/framework/CHighlightWidget.h"
#include "platform/indexui/CIndexModelWidget.h"
#include "platform/indexui/CIndexTitleWidget.h"
#include "platform/indexui/CPanelInfo.h"
#include "platform/indexui/CSubScriptLogInfo.h"
#include "platform/market/CStockManager.h"
#include "platform/market/InstrumentAccess.h"
#include "series/CFormulaBaseAxis.h"
#include "series/CKLineData.h"

namespace TC {

namespace {
// Chart instance numbers (GUI thread only).
int s_chartCounter = 5000;
} // namespace

// Request id -> series of the ids booked by full requests; the formula
// service's real-time answers to the batch are routed through it.
struct CKLineMainWidget::BatchRoutes {
    QHash<QString, boost::weak_ptr<CKLineData>> series;
};

int CKLineMainWidget::nextChartInstanceNumber()
{
    return s_chartCounter;
}

CKLineMainWidget::CKLineMainWidget(QWidget* parent, EIndexViewType type)
    : KW::CBaseWidget(QStringLiteral("kline_main_widget"), false, parent),
      m_viewType(type),
      m_mainId(s_chartCounter++),
      m_batchRoutes(std::make_shared<BatchRoutes>())
{
    m_defaultSubIndexes << QStringLiteral("KDJ") << QStringLiteral("MACD") << QStringLiteral("VOL")
                        << QStringLiteral("CCI") << QStringLiteral("RSI") << QStringLiteral("OBV")
                        << QStringLiteral("PSY") << QStringLiteral("AD") << QStringLiteral("CR");
    setMinimumWidth(150);
    m_uiParam = boost::shared_ptr<CKLineUiParam>(new CKLineUiParam);
    m_uiParam->mainPanel = std::make_shared<CPanelInfo>();
    m_uiParam->mainPanel->id = m_mainId;
    m_uiParam->downloadFunc = [this] { downloadData(); };
    createUi();
    resetFormulaAxis();
    setFocusPolicy(Qt::StrongFocus);
    // What the formula editor saved or deleted reaches the chart's formula management.
    connect(CFormulaEditorManager::instance(), &CFormulaEditorManager::formulaUpdated, this,
            [this](const QString& name, int op, QObject* target) {
                updateIndex(name, CFormulaEditorManager::operationFor(this, op, target), 0, 0, 0, QString());
            });
}

void CKLineMainWidget::createUi()
{
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_paneList = new KW::CDragWidgetList(Qt::Vertical, this);
    m_paneList->setMargins(0, 0, 0, 0);
    m_paneList->setSplitterColorKey(getConfig()->conciseStyle()
                                        ? QStringLiteral("ic_clr_concise_mainwindow_split_background")
                                        : QStringLiteral("ic_clr_realtime_spliter_background"));
    m_paneList->setSplitterWidth(1);
    // Panes can be sized by their splitters from the start, not only after
    // a period change has re-enabled dragging.
    m_paneList->setDragEnable(true);
    connect(m_paneList, &KW::CDragWidgetList::stretchDragged, this,
            [](int, QWidget* w) {
                if (auto* pane = qobject_cast<CKLineWidget*>(w))
                    pane->handleEvent(206, 0, 0, QString(), nullptr);
            });

    connect(m_paneList, &KW::CWidgetList::layoutChanged, this, [this]() { placeHighlight(); });

    m_mainPane = new CKLineWidget(m_mainId, m_uiParam, 0, m_viewType, this, this);
    m_mainPane->addIndex(QStringLiteral("KLine"), QString());
    m_mainPane->addIndex(QStringLiteral("MA"), QString());
    m_paneList->addStretchWidget(m_mainPane, 2, 3, false);
    m_paneList->setMinimumItemLength(minimumPaneHeight());
    layout->addWidget(m_paneList, 1);

    m_timeLine = new CKLineTimeLineWidget(this, m_viewType == 0, this);
    layout->addWidget(m_timeLine);
    if (m_viewType == 3) {
        m_timeLine->hide();
        m_timeLine->setFixedHeight(0);
    }

    m_highlight = new KW::CHighlightWidget(this);
    m_highlight->hide();

    if (m_viewType == 0 && getConfig()->conciseStyle()) {
        m_indexModel = new CIndexModelWidget(true, this);
        m_indexModel->setUpstream(this);
        m_indexModel->setFixedHeight(m_indexModel->getSize().height());
        m_indexModel->hide();
        layout->addWidget(m_indexModel);
    }
    setLayout(layout);
}

CKLineMainWidget::~CKLineMainWidget()
{
    // Series may outlive the chart (the service holds them until unrequested).
    m_uiParam->downloadFunc = nullptr;
    // Deleting a pane relays the pane list, whose signals would call back
    // into this half-destroyed chart (placeHighlight walks the pane lists):
    // cut those connections and empty the lists before anything is deleted.
    if (m_paneList)
        disconnect(m_paneList, nullptr, this, nullptr);
    CKLineWidget* main = std::exchange(m_mainPane, nullptr);
    const QVector<CKLineWidget*> subs = std::exchange(m_subPanes, {});
    m_satellitePanes.clear();
    m_highlightedPaneId = -1;
    if (m_statisticDialog)
        m_statisticDialog->deleteLater();
    if (main) {
        main->release();
        delete main;
    }
    for (CKLineWidget* pane : subs) {
        pane->release();
        delete pane;
    }
    if (m_uiParam) {
        delete m_uiParam->formulaBase;
        m_uiParam->formulaBase = nullptr;
    }
    delete m_timeLine;
    m_timeLine = nullptr;
    delete m_paneList;
    m_paneList = nullptr;
    delete m_linkageDialog;
    m_linkageDialog = nullptr;
    m_periodIndexes.clear();
    m_periodStretch.clear();
    m_batchRoutes.reset();
}

// ---------------------------------------------------------------------------
// Instrument, period, ex-rights

void CKLineMainWidget::setStock(const QString& code)
{
    setStock(CStockManager::getInstrumentDetail(code));
}

void CKLineMainWidget::setStock(std::shared_ptr<qlservice::CInstrumentDetail> detail)
{
    m_uiParam->setStock(detail);
    m_uiParam->lastTradingDay = CStockManager::getLastTradingDay(getDetailQsMarket(detail));
    if (!CAppConfig::isClientType(3)) {
        const CUserConfig* cfg = getUserConfig();
        if (cfg && !cfg->keepAttachedFigures())
            clearSubIndexes();
    }
    if (m_mainPane)
        m_mainPane->setStock(detail);
    if (!m_uiParam->formulaBase)
        resetFormulaAxis();
}

void CKLineMainWidget::setPeriod(EFormulaPeriod p)
{
    const int current = int(m_uiParam->period);
    if (p == current || p == -1)
        return;
    const int old = current;
    // The period being left keeps its layout as it is now (the tick chart
    // switch below replaces the main pane's formulas).
    saveCurrentIndexs();
    m_periodOverlays[old] = mainOverlays();
    if (p == 0 || current == 0)
        enableTickGraph(p == 0);
    m_uiParam->period = p;
    if (m_mainPane)
        m_mainPane->setPeriod(p);
    if (m_indexModel)
        m_indexModel->reset();
    m_periodStretch[old] = getStretchFactorList();

    // A period seen for the first time starts with the layout just left; the
    // tick chart starts with its tick line alone.
    if (!m_periodIndexes.contains(p)) {
        if (p != 0) {
            m_periodIndexes[p] = m_periodIndexes.value(old);
            m_periodOverlays[p] = m_periodOverlays.value(old);
            m_periodStretch[p] = m_periodStretch.value(old);
        } else {
            m_periodIndexes[p] = QList<QString>{QString()};
        }
    }

    if (CAppConfig::isClientType(3)) {
        clearSubIndexes();
        applyPeriodLayout(p);
    } else if (!getUserConfig()) {
        return;
    } else if (!luawrapper::LuaModuleCtrl::checkModule(
                   {QStringLiteral("mdl_ui_custom"), QStringLiteral("mdl_ui_custom_use_fixed_attached_figure")})) {
        clearSubIndexes();
        applyPeriodLayout(p);
        if (m_indexModel)
            m_indexModel->updateSelectTemplateIndex(p);
    } else if (getUserConfig()->keepAttachedFigures()) {
        // The sub-panes stay from period to period; only the tick chart (and
        // view type 1) goes without them, and leaving it gives them back.
        if (m_uiParam->tickGraph || m_viewType == 1)
            clearSubIndexes();
        else if (old == 0)
            applyPeriodLayout(p);
    } else {
        clearSubIndexes();
    }

    m_paneList->setDragEnable(true);
    const std::vector<int>& stretch = m_periodStretch[p];
    for (int i = 0; i < m_paneList->count() && i < int(stretch.size()); ++i)
        m_paneList->changeStretchAt(i, stretch[size_t(i)]);
    m_paneList->updateWidgetLength();

    if (m_mainPane)
        m_mainPane->unrequest();
    unrequestSubGraph();
    clear(false);
}

void CKLineMainWidget::applyPeriodLayout(int p)
{
    setCurrentIndexes(m_periodIndexes.value(p));
    // The layout list names one overlay; the others of that period follow it.
    if (!m_mainPane)
        return;
    const QStringList overlays = m_periodOverlays.value(p);
    const QList<QString> list = m_periodIndexes.value(p);
    if (overlays.isEmpty() || list.isEmpty() ||
        overlays.first().compare(list.first(), Qt::CaseInsensitive) != 0)
        return;
    for (int i = 1; i < overlays.size(); ++i)
        if (!m_mainPane->hasIndex(overlays.at(i)))
            m_mainPane->addIndex(overlays.at(i), QString());
}

void CKLineMainWidget::removeMainOverlays()
{
    if (m_mainPane)
        for (const QString& f : mainOverlays())
            m_mainPane->removeIndex(f);
}

QStringList CKLineMainWidget::mainOverlays() const
{
    QStringList out;
    if (m_mainPane)
        for (const QString& f : m_mainPane->indexNames())
            if (!m_mainPane->series()->isMainGraph(f))
                out << f;
    return out;
}

void CKLineMainWidget::enableTickGraph(bool on)
{
    if (!m_mainPane)
        return;
    if (m_uiParam->tickGraph && !on) {
        m_mainPane->unrequest();
        unrequestSubGraph();
        clear(false);
        m_mainPane->setIndex(QStringLiteral("KLINE"), QString());
        m_mainPane->addIndex(QStringLiteral("MA"), QString());
    } else if (!m_uiParam->tickGraph && on) {
        m_mainPane->unrequest();
        unrequestSubGraph();
        clear(false);
        m_mainPane->setIndex(QStringLiteral("TICKDATA"), QString());
    }
    m_uiParam->tickGraph = on;
}

bool CKLineMainWidget::isTickGraph() const
{
    return m_uiParam->tickGraph;
}

void CKLineMainWidget::setDrType(int t)
{
    m_uiParam->drType = t;
    if (m_mainPane)
        m_mainPane->setDrType(t);
}

int CKLineMainWidget::getDrType() const
{
    return m_uiParam->drType;
}

qint64 CKLineMainWidget::getPeriod() const
{
    return m_uiParam->period;
}

int CKLineMainWidget::getKlinePeriod() const
{
    return int(m_uiParam->period);
}

QString CKLineMainWidget::getStock() const
{
    return m_uiParam->formulaBase ? m_uiParam->formulaBase->getStock() : QString();
}

QString CKLineMainWidget::getMarket() const
{
    return getDetailQsMarket(m_uiParam->curStock);
}

// ---------------------------------------------------------------------------
// Requests

void CKLineMainWidget::request(bool full)
{
    if (!full) {
        requestNoChangeAxis(true);
        return;
    }
    m_requested = true;
    clear(false);

    QVector<CFormulaParam> records;
    QVector<CKLineWidget*> owners;
    QVector<CKLineWidget*> panes;
    if (m_mainPane)
        panes << m_mainPane;
    panes << m_subPanes;
    for (CKLineWidget* pane : panes) {
        const int before = records.size();
        pane->collectFormulaParams(records);
        for (int i = before; i < records.size(); ++i)
            owners << pane;
    }
    for (int i = 0; i < records.size(); ++i)
        m_batchRoutes->series.insert(records.at(i).requestId, owners.at(i)->series());

    const std::weak_ptr<BatchRoutes> routes = m_batchRoutes;
    CFormulaManager::RealtimeCallback onRealtime = [routes](int type, QString id,
                                                            const CFormulaManager::InstantPtr& instant) {
        const auto r = routes.lock();
        if (!r)
            return;
        if (const auto s = r->series.value(id).lock())
            s->formulaRealtimeCallback(type, id, instant);
    };
    // A correction of history the real-time messages cannot carry comes
    // back as a whole answer.
    CFormulaManager::HistoryCallback onReload = [routes](const CFormulaManager::MetaPtr& meta,
                                                         const CFormulaManager::ResultPtr& result, QString id,
                                                         int type, QString text, bool quiet) {
        const auto r = routes.lock();
        if (!r)
            return;
        if (const auto s = r->series.value(id).lock())
            s->formulaHistoryCallback(meta, result, id, type, text, quiet, false);
    };
    QVector<CFormulaManager::MetaPtr> metas;
    QVector<CFormulaManager::ResultPtr> results;
    CFormulaManager::instance()->requestFormulasSync(records, metas, results, onRealtime, onReload);
    if (metas.size() < records.size() || results.size() < records.size()) {
        // Nothing of the batch is live at the service: forget the booked ids
        // so the next request asks again.
        for (CKLineWidget* pane : owners)
            pane->series()->unrequest();
        for (const CFormulaParam& r : records)
            m_batchRoutes->series.remove(r.requestId);
        return;
    }
    m_lastBatchSize = records.size();
    for (int i = 0; i < records.size(); ++i)
        owners.at(i)->deliverResult(records.at(i), metas.at(i), results.at(i));
    if (m_mainPane && m_mainPane->series())
        m_mainPane->series()->requestRankList();
    updateView();
    resetTimeline();
    repaint();
}

void CKLineMainWidget::requestNoChangeAxis(bool flag)
{
    if (m_mainPane)
        m_mainPane->request(m_mainPane->lastRunMode(), flag);
    for (CKLineWidget* pane : m_subPanes) {
        if ((pane->hasGroupModelIndex() || pane->hasPythonIndex()) && !m_uiParam->isShowGroupIndexGraph()) {
            pane->unrequest();
            pane->clear();
            pane->refresh();
        }
        pane->request(pane->lastRunMode(), flag);
    }
}

void CKLineMainWidget::requestMainGraph()
{
    if (m_mainPane)
        m_mainPane->request(m_mainPane->lastRunMode(), false);
}

void CKLineMainWidget::unrequest()
{
    unrequestMainGraph();
    unrequestSubGraph();
}

void CKLineMainWidget::unrequestMainGraph()
{
    if (m_mainPane)
        m_mainPane->unrequest();
}

void CKLineMainWidget::unrequestSubGraph()
{
    const bool isIndex = se::isIndexEx(QString::fromStdString(getDetailMarket(m_uiParam->curStock)),
                                       QString::fromStdString(getDetailCode(m_uiParam->curStock)));
    for (CKLineWidget* pane : m_subPanes) {
        if (pane->hasGroupModelIndex() && !isIndex)
            continue;
        pane->unrequest();
    }
}

void CKLineMainWidget::clear(bool repaint)
{
    QLLOG_INFO(qlog::kStdLogger, "clear, mainID:%1%, stock: %2%,", m_uiParam->getMainPanelID(),
               m_uiParam->getCurrKey());
    if (m_mainPane)
        m_mainPane->clear();
    for (CKLineWidget* pane : m_subPanes)
        if (!pane->hasGroupModelIndex())
            pane->clear();
    if (m_timeLine)
        m_timeLine->reset();
    m_uiParam->clear();
    if (repaint)
        updateView();
}

void CKLineMainWidget::updateView()
{
    if (m_mainPane)
        m_mainPane->refresh();
    for (CKLineWidget* pane : m_subPanes)
        pane->refresh();
    if (m_timeLine)
        m_timeLine->update();
    update();
}

int CKLineMainWidget::minimumPaneHeight() const
{
    const CIndexTitleWidget* title = m_mainPane ? m_mainPane->title() : nullptr;
    return (title ? title->titleHeight() : 0) + kMinPlotHeight;
}

void CKLineMainWidget::resetFormulaAxis()
{
    delete m_uiParam->formulaBase;
    m_uiParam->formulaBase = nullptr;
    // The chart's own selector belongs to no series: it outlives any pane.
    m_uiParam->formulaBase = CFormulaBaseAxis::create(m_uiParam->indexType, nullptr, m_uiParam);
}

void CKLineMainWidget::setIndexType(int t)
{
    const auto special = [](int v) { return v == 4 || v == 5 || v == 7; };
    const bool change = special(m_uiParam->indexType) || special(t);
    if (change && m_mainPane) {
        if (m_uiParam->formulaBase)
            m_mainPane->removeIndex(m_uiParam->formulaBase->getBaseFormula());
        m_mainPane->removeIndex(QStringLiteral("价位线"));
    }
    m_uiParam->indexType = t;
    resetFormulaAxis();
    if (change && m_mainPane) {
        const QString base = t == 4 ? QStringLiteral("价位线")
                                    : (m_uiParam->formulaBase ? m_uiParam->formulaBase->getBaseFormula() : QString());
        if (!base.isEmpty())
            m_mainPane->addIndex(base, QString());
    }
}

void CKLineMainWidget::getIndexType(int& t) const
{
    t = m_uiParam->indexType;
}

void CKLineMainWidget::resetUiParam()
{
    m_uiParam->crossVisible = false;
    m_uiParam->mouseInChart = false;
    m_uiParam->crossIndex = -1;
}

void CKLineMainWidget::setAutoIndex(bool on)
{
    for (CKLineWidget* pane : m_subPanes)
        pane->setAutoIndex(on);
}

// ---------------------------------------------------------------------------
// Flags

void CKLineMainWidget::setCreateNewWorkShow(bool on)
{
    if (!m_mainPane)
        return;
    m_createNewWorkShow = on;
    m_mainPane->setCreateNewWorkShow(on);
}

void CKLineMainWidget::setTimeRangeQuotation(bool on)
{
    if (!m_mainPane)
        return;
    m_timeRangeQuotation = on;
    m_mainPane->setTimeRangeQuotation(on);
}

void CKLineMainWidget::beReplay(bool on)
{
    m_replay = on;
    if (m_mainPane)
        m_mainPane->setReplay(on);
    for (CKLineWidget* pane : m_subPanes)
        pane->setReplay(on);
}

void CKLineMainWidget::setQuickBuySell(bool on)
{
    m_quickBuySell = on;
    if (m_mainPane)
        m_mainPane->setQuickBuySell(on);
}

void CKLineMainWidget::setEnableDoubleClick(bool on)
{
    m_uiParam->enableDoubleClick = on;
}

void CKLineMainWidget::setFormulaAccount(const QString& account)
{
    m_uiParam->setFormulaAccount(account);
}

void CKLineMainWidget::setBtnToolVisible(bool on)
{
    if (m_mainPane)
        m_mainPane->setBtnToolVisible(on);
}

void CKLineMainWidget::setConciseStyle(bool on)
{
    if (m_mainPane)
        m_mainPane->setConciseStyle(on);
}

void CKLineMainWidget::setStopBtnVisible(bool on)
{
    for (CKLineWidget* pane : m_subPanes)
        pane->setStrategyRunning(on);
}

void CKLineMainWidget::setIsLoginInit(bool on)
{
    for (CKLineWidget* pane : m_subPanes)
        pane->setIsLoginInit(on);
}

void CKLineMainWidget::setSubIndexCloseBtnVisible(int index, bool on)
{
    if (index >= 0 && index < m_subPanes.size())
        m_subPanes.at(index)->setCloseBtnVisible(on);
}

void CKLineMainWidget::setCurrGraphColor(const QString& key)
{
    if (!m_mainPane)
        return;
    m_mainPane->graph()->setCurrGraphColor(key);
}

bool CKLineMainWidget::deleteCurrGraph()
{
    bool deleted = false;
    QVector<CKLineWidget*> panes = m_subPanes;
    if (m_mainPane)
        panes.prepend(m_mainPane);
    for (CKLineWidget* pane : panes) {
        CKLineGraphWidget* g = pane->graph();
        if (g && (g->currGraph() >= 0 || g->drawGraphType() != 0)) {
            g->deleteCurrGraph();
            deleted = true;
        }
    }
    return deleted;
}

bool CKLineMainWidget::startDrawTool(int type)
{
    return m_mainPane && m_mainPane->graph()->startDrawTool(type);
}

void CKLineMainWidget::setWidgetFocus()
{
    setFocus(Qt::OtherFocusReason);
}

void CKLineMainWidget::subScriptLog(const boost::shared_ptr<CSubScriptLogInfo>& info)
{
    if (!info)
        return;
    // The view model keeps std pointers; the copy keeps the boost owner alive.
    const boost::shared_ptr<CSubScriptLogInfo> owner = info;
    m_uiParam->scriptLogSubscribers.insert(info->getFormula(),
                                           std::shared_ptr<CSubScriptLogInfo>(info.get(), [owner](CSubScriptLogInfo*) {}));
}

void CKLineMainWidget::unSubScriptLog(const QString& formula)
{
    m_uiParam->scriptLogSubscribers.remove(formula);
}


} // namespace TC
