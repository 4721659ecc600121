#include "CKLineViewWindow.h"

#include "CKLineViewDrawToolBar.h"
#include "CKLineViewFormulaExport.h"
#include "CKLineViewFormulaMenu.h"
#include "CKLineViewSectorWindow.h"
#include "CKLineViewStageWindow.h"
#include "CKLineViewTradeMenu.h"

#include <algorithm>
#include <functional>

#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/config/CAppConfig.h"
#include "platform/config/CUserConfig.h"
#include "platform/config/QLLog.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/catalog/FormulaPeriod.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/framework/CEventBus.h"
#include "platform/framework/CMessageBox.h"
#include "platform/indexui/CIndexMainWindowHelper.h"
#include "platform/market/CDividAdjuster.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketSimulator.h"
#include "platform/trading/CLinkageManager.h"
#include "platform/market/CMarketStore.h"
#include "series/CKLineData.h"

namespace TC {

namespace {

// The chart asks its host for N of the N-unit periods with this event.
constexpr int kAskPeriodMultiple = 221;
constexpr int kSuperposeMenu = 3230;

// A box lists this many load problems; the log holds them all.
constexpr int kMaxProblemsShown = 12;

bool isMultiplePeriod(int period)
{
    return period == 10 || period == 11 || period == 13;
}

QString instrumentName(const QString& key)
{
    const auto detail = CMarketStore::instance()->instrument(key);
    return detail ? QString::fromStdString(detail->name) : QString();
}

// Day of the instrument's last bar (not its market's: a delisted or sample
// instrument ends earlier); invalid when it has none.
QDate lastBarDay(const QString& key)
{
    CMarketStore* store = CMarketStore::instance();
    const QVector<quoter::CBar> days = store->dayBars(key);
    if (!days.isEmpty())
        return CLocalTimeConverter::dateOf(days.last().time);
    const QVector<quoter::CBar> minutes = store->minuteBars(key);
    if (!minutes.isEmpty())
        return CLocalTimeConverter::dateOf(minutes.last().time);
    const QVector<quoter::CTick> ticks = store->ticks(key);
    return ticks.isEmpty() ? QDate() : CLocalTimeConverter::dateOf(ticks.last().timeMs / 1000);
}

QStringList mainPaneOverlays(const CKLineMainWidget* chart)
{
    QStringList out;
    const CKLineWidget* main = chart->mainPane();
    for (const QString& f : main->indexNames())
        if (!main->series()->isMainGraph(f))
            out.append(f.toUpper());
    return out;
}

bool isOverlayFormula(const CFormulaOperateManager::DetailPtr& detail)
{
    return detail->getPlacement() != 0;
}

// Adds the leaves of `node` that go on the main pane (overlays) or get a pane
// of their own, one submenu per catalogue; returns how many were added.
// Catalogues without any such leaf stay out of the menu.
int addCatalogue(QMenu* menu, const CFormulaCatalog::Ptr& node, bool overlays,
                 const std::function<void(QAction*, const QString&)>& hook)
{
    int added = 0;
    for (int i = 0; i < node->size(); ++i) {
        const CFormulaCatalog::Ptr child = node->getChild(i);
        if (!child)
            continue;
        if (!child->isFormula()) {
            auto* sub = new QMenu(child->catalogName(), menu);
            const int n = addCatalogue(sub, child, overlays, hook);
            if (n == 0) {
                delete sub;
                continue;
            }
            menu->addMenu(sub);
            added += n;
            continue;
        }
        const auto detail = CFormulaOperateManager::getFormula(child->formulaName());
        if (!detail || isOverlayFormula(detail) != overlays)
            continue;
        const QString name = detail->getName().toUpper();
        if (name == QLatin1String("KLINE") || name == QLatin1String("TICKDATA"))
            continue; // the main graph is always there
        const QString title = detail->getTitle();
        QAction* a = menu->addAction(title.isEmpty() || title == detail->getName()
                                         ? detail->getName()
                                         : QStringLiteral("%1 %2").arg(detail->getName(), title));
        a->setData(name);
        hook(a, name);
        ++added;
    }
    return added;
}

CKLineViewWindow::SaveFilePrompt& saveFilePrompt()
{
    static CKLineViewWindow::SaveFilePrompt prompt;
    return prompt;
}

QList<QAction*> formulaActions(const QMenu* menu)
{
    QList<QAction*> out;
    for (QAction* a : menu->actions()) {
        if (a->menu())
            out += formulaActions(a->menu());
        else if (!a->data().toString().isEmpty())
            out.append(a);
    }
    return out;
}

} // namespace

CKLineViewWindow::CKLineViewWindow(const CKLineViewLayout& layout, const QString& settingsPath,
                                   QWidget* parent)
    : QMainWindow(parent), m_layout(layout), m_settingsPath(settingsPath)
{
    m_simulator = new CMarketSimulator(nullptr, CMarketSimulator::kDefaultSeed, this);
    CFormulaManager::instance()->setSimulator(m_simulator);
    connect(m_simulator, &CMarketSimulator::sigInstrumentTicked, this, &CKLineViewWindow::slotUpdateStatus);
    // The 实时 feed trades live: the linkage service follows the same ticks.
    CLinkageManager::instance()->attachSimulator(m_simulator);

    m_busToken = KW::CEventBus::instance()->subscribe([this](int id, int p1, int, const QString& text, void* data) {
        // The region statistics ask for the period quote (219) and the
        // stage ranking (3180) of the market.
        if (id == 219 || id == 3180) {
            const QString key = m_chart ? m_chart->getStock() : m_layout.instrument();
            QMetaObject::invokeMethod(
                this, [this, key, id, text] { CKLineViewStageWindow::openFor(this, key, id, text); },
                Qt::QueuedConnection);
            return true;
        }
        // The title bar's "叠加" button: the pane's superposition menu, once
        // the click that asked for it is over.
        if (id == kSuperposeMenu) {
            QMetaObject::invokeMethod(
                this, [this, p1] { showSuperposeMenu(p1); }, Qt::QueuedConnection);
            return true;
        }
        // The chart may change its instrument itself (the keyboard spirit's
        // pick) without telling anyone; what it posts afterwards lets the
        // toolbar, title and saved layout follow.
        if (m_chart && m_chart->getStock() != m_layout.instrument())
            QMetaObject::invokeMethod(this, &CKLineViewWindow::followChartInstrument, Qt::QueuedConnection);
        if (id != kAskPeriodMultiple || !data)
            return false;
        *static_cast<int*>(data) = m_layout.periodMultiple();
        return true;
    });

    // This terminal keeps one layout per period (the chart's per-period
    // memory), not one fixed set of sub-panes for every period.
    luawrapper::LuaModuleCtrl::setModuleEnabled(QStringLiteral("mdl_ui_custom_use_fixed_attached_figure"),
                                                false);
    m_chart = new CKLineMainWidget(this, 0);
    setCentralWidget(m_chart);
    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("status_label"));
    statusBar()->addPermanentWidget(m_statusLabel);
    createToolBar();
    m_formulaMenu = new CKLineViewFormulaMenu(this);
    menuBar()->addMenu(m_formulaMenu);
    m_tradeMenu = new CKLineViewTradeMenu(m_chart, this);
    menuBar()->addMenu(m_tradeMenu);
    addToolBar(new CKLineViewDrawToolBar(m_chart, this));

    m_quitAction = new QAction(QStringLiteral("退出"), this);
    m_quitAction->setObjectName(QStringLiteral("quit_action"));
    // Some platform themes bind nothing to Quit: Ctrl+Q always closes.
    QList<QKeySequence> quitKeys = QKeySequence::keyBindings(QKeySequence::Quit);
    const QKeySequence ctrlQ(Qt::CTRL | Qt::Key_Q);
    if (!quitKeys.contains(ctrlQ))
        quitKeys.prepend(ctrlQ);
    m_quitAction->setShortcuts(quitKeys);
    // Also while the load-problems box has the focus.
    m_quitAction->setShortcutContext(Qt::ApplicationShortcut);
    connect(m_quitAction, &QAction::triggered, this, &QWidget::close);
    addAction(m_quitAction);

    CIndexMainWindowHelper* helper = CIndexMainWindowHelper::inst();
    connect(helper, &CIndexMainWindowHelper::sectorAnalysisRequested, this,
            &CKLineViewWindow::showSectorAnalysis);
    connect(helper, &CIndexMainWindowHelper::exportFormulaRequested, this, &CKLineViewWindow::exportFormula);
    connect(helper, &CIndexMainWindowHelper::refreshRequested, this, &CKLineViewWindow::refreshChart);

    m_layout.applyTo(m_chart);
    rebuildIndexMenus();
    updateTitle();
    slotUpdateStatus();
    m_chart->request(true);

    // Once the event loop runs, so neither a test nor the start waits on it.
    QTimer::singleShot(0, this, [this] { showLoadProblems(CMarketStore::instance()->loadErrors()); });
}

CKLineViewWindow::~CKLineViewWindow()
{
    KW::CEventBus::instance()->unsubscribe(m_busToken);
    CLinkageManager::instance()->attachSimulator(nullptr);
    m_simulator->stop();
    // The chart cancels its requests while the simulator is still attached;
    // then the service goes back to the process-wide simulator.
    delete m_chart;
    m_chart = nullptr;
    if (CFormulaManager::instance()->simulator() == m_simulator)
        CFormulaManager::instance()->setSimulator(nullptr);
}

void CKLineViewWindow::createToolBar()
{
    QToolBar* bar = addToolBar(QStringLiteral("chart"));
    bar->setObjectName(QStringLiteral("klineview_toolbar"));
    bar->setMovable(false);

    m_instrumentEdit = new QLineEdit(bar);
    m_instrumentEdit->setObjectName(QStringLiteral("instrument_edit"));
    m_instrumentEdit->setPlaceholderText(QStringLiteral("代码/名称"));
    m_instrumentEdit->setClearButtonEnabled(true);
    auto* completer = new QCompleter(completionLines(), m_instrumentEdit);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    m_instrumentEdit->setCompleter(completer);
    // A click on a line of the popup completes the entry without any Enter.
    connect(completer, QOverload<const QString&>::of(&QCompleter::activated), this,
            &CKLineViewWindow::switchInstrument);
    connect(m_instrumentEdit, &QLineEdit::returnPressed, this, &CKLineViewWindow::slotInstrumentEntered);
    bar->addWidget(m_instrumentEdit);

    m_periodCombo = new QComboBox(bar);
    m_periodCombo->setObjectName(QStringLiteral("period_combo"));
    for (int i = 0; i < kPeriodCount; ++i)
        m_periodCombo->addItem(getCycleName(i), getPeriodByIndex(i));
    connect(m_periodCombo, QOverload<int>::of(&QComboBox::activated), this,
            &CKLineViewWindow::slotPeriodChosen);
    bar->addWidget(m_periodCombo);

    m_drCombo = new QComboBox(bar);
    m_drCombo->setObjectName(QStringLiteral("dr_combo"));
    for (int t = 0; t <= 4; ++t)
        m_drCombo->addItem(getDrName(t), t);
    connect(m_drCombo, QOverload<int>::of(&QComboBox::activated), this, &CKLineViewWindow::slotDrChosen);
    bar->addWidget(m_drCombo);

    m_indexButton = new QToolButton(bar);
    m_indexButton->setObjectName(QStringLiteral("index_button"));
    m_indexButton->setText(QStringLiteral("指标"));
    m_indexButton->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(m_indexButton);
    m_overlayMenu = menu->addMenu(QStringLiteral("主图指标"));
    m_subPaneMenu = menu->addMenu(QStringLiteral("添加副图"));
    m_applyMenu = menu->addMenu(QStringLiteral("更换选中副图指标"));
    connect(menu->addAction(QStringLiteral("删除最后副图")), &QAction::triggered, this,
            &CKLineViewWindow::removeLastSubPane);
    menu->addSeparator();
    connect(menu->addAction(QStringLiteral("查看持仓")), &QAction::triggered, this,
            [this] { m_chart->viewGroupModelPosition(); });
    connect(menu->addAction(QStringLiteral("查看变量")), &QAction::triggered, this,
            [this] { m_chart->viewVariable(); });
    for (QMenu* m : {m_overlayMenu, m_subPaneMenu, m_applyMenu})
        connect(m, &QMenu::aboutToShow, this, [this, m] { fillIndexMenu(m); });
    m_indexButton->setMenu(menu);
    bar->addWidget(m_indexButton);

    m_realtimeAction = bar->addAction(QStringLiteral("实时"));
    m_realtimeAction->setObjectName(QStringLiteral("realtime_action"));
    m_realtimeAction->setCheckable(true);
    connect(m_realtimeAction, &QAction::toggled, this, &CKLineViewWindow::slotRealtimeToggled);

    m_downloadAction = bar->addAction(QStringLiteral("下载数据"));
    m_downloadAction->setObjectName(QStringLiteral("download_action"));
    connect(m_downloadAction, &QAction::triggered, this, [this] { m_chart->downloadData(); });
}

void CKLineViewWindow::showSuperposeMenu(int paneId)
{
    if (!m_chart || !m_chart->mainPane())
        return;
    CKLineWidget* pane = m_chart->mainPane();
    for (CKLineWidget* sub : m_chart->subPanes())
        if (sub->paneId() == paneId)
            pane = sub;
    pane->graph()->showSuperposeMenu(QPoint());
}

void CKLineViewWindow::cyclePeriod()
{
    m_chart->switchPeriod();
    m_layout.setPeriod(int(m_chart->getPeriod()), m_layout.periodMultiple());
    syncControls();
}

void CKLineViewWindow::rebuildIndexMenus()
{
    for (QMenu* m : {m_overlayMenu, m_subPaneMenu, m_applyMenu})
        fillIndexMenu(m);
}

void CKLineViewWindow::fillIndexMenu(QMenu* menu)
{
    const bool overlays = menu == m_overlayMenu;
    qDeleteAll(menu->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly));
    menu->clear();
    const CFormulaCatalog::Ptr root = CFormulaOperateManager::getRootCatalog();
    if (root && overlays) {
        addCatalogue(menu, root, true, [this](QAction* a, const QString& formula) {
            a->setCheckable(true);
            connect(a, &QAction::triggered, this, [this, formula](bool on) { setOverlay(formula, on); });
        });
    } else if (root) {
        const bool add = menu == m_subPaneMenu;
        addCatalogue(menu, root, false, [this, add](QAction* a, const QString& formula) {
            connect(a, &QAction::triggered, this, [this, formula, add] {
                if (add)
                    addSubPane(formula);
                else
                    applyFormula(formula);
            });
        });
    }
    if (overlays) {
        menu->addSeparator();
        QAction* none = menu->addAction(QStringLiteral("无"));
        none->setObjectName(QStringLiteral("overlays_off"));
        connect(none, &QAction::triggered, this, &CKLineViewWindow::clearOverlays);
        syncControls();
    }
}

void CKLineViewWindow::syncControls()
{
    m_syncing = true;
    m_instrumentEdit->setText(m_layout.instrument());
    m_periodCombo->setCurrentIndex(std::max(getPeriodIndex(m_layout.period()), 0));
    m_drCombo->setCurrentIndex(m_layout.drType());
    const QStringList overlays = mainPaneOverlays(m_chart);
    for (QAction* a : formulaActions(m_overlayMenu))
        a->setChecked(overlays.contains(a->data().toString()));
    m_syncing = false;
}

void CKLineViewWindow::updateTitle()
{
    const QString name = instrumentName(m_layout.instrument());
    setWindowTitle(QStringLiteral("klineview — %1 %2").arg(name, m_layout.instrument()).simplified());
}

CKLineViewLayout CKLineViewWindow::currentLayout() const
{
    CKLineViewLayout layout = m_layout;
    if (m_chart) {
        const QString key = CMarketStore::instance()->resolveKey(m_chart->getStock());
        if (!key.isEmpty())
            layout.setInstrument(key);
        // The chart's own menus may have changed period or ex-rights.
        layout.setPeriod(int(m_chart->getPeriod()), m_layout.periodMultiple());
        layout.setDrType(m_chart->getDrType());
        layout.setIndexes(CKLineViewLayout::indexesOf(m_chart));
        layout.setChartParam(CKLineViewLayout::chartParamOf(m_chart));
    }
    return layout;
}

QStringList CKLineViewWindow::completionLines()
{
    QStringList lines;
    for (const QString& key : CMarketStore::instance()->instrumentKeys()) {
        const QString name = instrumentName(key);
        lines.append(name.isEmpty() || name == key ? key : QStringLiteral("%1 %2").arg(key, name));
    }
    return lines;
}

QString CKLineViewWindow::findInstrument(const QString& text, QString* why)
{
    const QString t = text.simplified();
    CMarketStore* store = CMarketStore::instance();
    QString key = store->resolveKey(t);
    if (!key.isEmpty())
        return key;

    // A completion line is its key and the name.
    const int space = t.indexOf(QLatin1Char(' '));
    if (space > 0) {
        key = store->resolveKey(t.left(space));
        if (!key.isEmpty() &&
            instrumentName(key).simplified().compare(t.mid(space + 1), Qt::CaseInsensitive) == 0)
            return key;
    }

    // A name or a bare code, when only one instrument has it.
    QStringList found;
    for (const QString& k : store->instrumentKeys()) {
        const auto detail = store->instrument(k);
        if (!detail)
            continue;
        if (QString::fromStdString(detail->name).simplified().compare(t, Qt::CaseInsensitive) == 0 ||
            QString::fromStdString(detail->code).compare(t, Qt::CaseInsensitive) == 0)
            found.append(k);
    }
    if (found.size() == 1)
        return found.first();
    if (why)
        *why = found.isEmpty()
                   ? QStringLiteral("未知代码: %1").arg(t)
                   : QStringLiteral("代码不唯一: %1 (%2)").arg(t, found.join(QStringLiteral(", ")));
    return QString();
}

bool CKLineViewWindow::switchInstrument(const QString& text)
{
    QString why;
    const QString key = findInstrument(text, &why);
    if (key.isEmpty()) {
        statusBar()->showMessage(why, 5000);
        return false;
    }
    m_layout.setInstrument(key);
    m_instrumentEdit->setText(key);
    if (key != m_chart->getStock()) {
        m_tradeMenu->syncOptionMode(key);
        m_chart->setStock(key);
        m_chart->request(true);
    }
    updateTitle();
    slotUpdateStatus();
    return true;
}

void CKLineViewWindow::followChartInstrument()
{
    const QString key = m_chart ? CMarketStore::instance()->resolveKey(m_chart->getStock()) : QString();
    if (key.isEmpty() || key == m_layout.instrument())
        return;
    m_layout.setInstrument(key);
    m_instrumentEdit->setText(key);
    updateTitle();
    slotUpdateStatus();
}

void CKLineViewWindow::slotInstrumentEntered()
{
    switchInstrument(m_instrumentEdit->text());
}

void CKLineViewWindow::slotPeriodChosen(int index)
{
    if (m_syncing)
        return;
    const int period = m_periodCombo->itemData(index).toInt();
    int multiple = m_layout.periodMultiple();
    if (isMultiplePeriod(period)) {
        bool ok = false;
        multiple = QInputDialog::getInt(this, m_periodCombo->itemText(index), QStringLiteral("周期数 N"),
                                        isMultiplePeriod(m_layout.period()) ? multiple : 2, 1,
                                        CKLineViewLayout::kMaxMultiple, 1, &ok);
        if (!ok) {
            syncControls();
            return;
        }
    }
    if (!m_layout.setPeriod(period, multiple))
        return;
    m_chart->setPeriod(period);
    m_chart->request(true);
    syncControls();
}

void CKLineViewWindow::slotDrChosen(int index)
{
    if (m_syncing || !m_layout.setDrType(m_drCombo->itemData(index).toInt()))
        return;
    m_chart->setDrType(m_layout.drType());
    m_chart->request(true);
}

void CKLineViewWindow::setOverlay(const QString& formula, bool on)
{
    CKLineWidget* main = m_chart->mainPane();
    const QString name = formula.trimmed().toUpper();
    const auto detail = CFormulaOperateManager::getFormula(name);
    if (!detail || !isOverlayFormula(detail) || main->series()->isMainGraph(name)) {
        syncControls();
        return;
    }
    if (on == mainPaneOverlays(m_chart).contains(name)) {
        syncControls();
        return;
    }
    if (on) {
        main->addIndex(name, QString());
    } else {
        for (const QString& f : main->indexNames())
            if (f.toUpper() == name)
                main->removeIndex(f);
    }
    m_chart->request(true);
    m_layout.setIndexes(CKLineViewLayout::indexesOf(m_chart));
    syncControls();
}

void CKLineViewWindow::clearOverlays()
{
    // Keep the sub-panes and the candles.
    CKLineWidget* main = m_chart->mainPane();
    for (const QString& f : main->indexNames())
        if (!main->series()->isMainGraph(f))
            main->removeIndex(f);
    m_chart->request(true);
    m_layout.setIndexes(CKLineViewLayout::indexesOf(m_chart));
    syncControls();
}

void CKLineViewWindow::addSubPane(const QString& formula)
{
    const int n = m_chart->subPanes().size();
    m_chart->setSubIndexSize(n + 1);
    m_chart->setSubIndex(n, formula);
    m_layout.setIndexes(CKLineViewLayout::indexesOf(m_chart));
}

void CKLineViewWindow::applyFormula(const QString& formula)
{
    m_chart->updateIndex(formula, 1, 0, 0, 0, QString());
    m_layout.setIndexes(CKLineViewLayout::indexesOf(m_chart));
    syncControls();
}

void CKLineViewWindow::removeLastSubPane()
{
    const int n = m_chart->subPanes().size();
    if (n == 0)
        return;
    m_chart->setSubIndexSize(n - 1);
    m_layout.setIndexes(CKLineViewLayout::indexesOf(m_chart));
}

void CKLineViewWindow::setRealtime(bool on)
{
    m_realtimeAction->setChecked(on);
}

void CKLineViewWindow::slotRealtimeToggled(bool on)
{
    if (on)
        m_simulator->start(kRealtimeIntervalMs);
    else
        m_simulator->stop();
    slotUpdateStatus();
}

void CKLineViewWindow::slotUpdateStatus()
{
    const QDate day = lastBarDay(m_layout.instrument());
    QString text = QStringLiteral("%1 %2  最后交易日 %3")
                       .arg(m_layout.instrument(), instrumentName(m_layout.instrument()),
                            day.isValid() ? day.toString(Qt::ISODate) : QStringLiteral("-"));
    if (m_simulator->isRunning())
        text += QStringLiteral("  实时");
    m_statusLabel->setText(text);
}

bool CKLineViewWindow::saveSettings()
{
    m_layout = currentLayout();
    if (m_settingsPath.isEmpty())
        return false;
    QString why;
    if (!m_layout.save(m_settingsPath, &why)) {
        QLLOG_ERROR(qlog::kStdLogger, "cannot save %1%: %2%", m_settingsPath, why);
        KW::CMessageBox::warning(QStringLiteral("提示"), QStringLiteral("布局保存失败: %1").arg(why), this);
        return false;
    }
    return true;
}

KW::CMessageBox* CKLineViewWindow::loadProblemsBox() const
{
    return m_problemsBox.data();
}

void CKLineViewWindow::showLoadProblems(const QStringList& problems)
{
    if (problems.isEmpty())
        return;
    // Paths relative to the user's CSV folder keep the lines short.
    const QString folder = QDir::toNativeSeparators(CAppConfig::userDataDir() + QStringLiteral("/csv/"));
    QStringList lines;
    for (int i = 0; i < problems.size() && i < kMaxProblemsShown; ++i) {
        QString line = problems.at(i);
        if (line.startsWith(folder))
            line = line.mid(folder.size());
        lines.append(line);
    }
    QString text = QStringLiteral("自定义数据文件(%1)有误，以下数据未载入：\n\n%2")
                       .arg(QDir::toNativeSeparators(CAppConfig::userDataDir() + QStringLiteral("/csv")),
                            lines.join(QLatin1Char('\n')));
    if (problems.size() > kMaxProblemsShown)
        text += QStringLiteral("\n\n另有 %1 条，见日志 logs/klineview.log。")
                    .arg(problems.size() - kMaxProblemsShown);
    if (m_problemsBox)
        m_problemsBox->close();
    m_problemsBox = new KW::CMessageBox(KW::CMessageBox::Warning, QStringLiteral("提示"), text, this);
    m_problemsBox->setObjectName(QStringLiteral("load_problems_box"));
    m_problemsBox->setModal(false);
    m_problemsBox->setAttribute(Qt::WA_DeleteOnClose);
    m_problemsBox->show();
}

void CKLineViewWindow::setSaveFilePrompt(SaveFilePrompt prompt)
{
    saveFilePrompt() = std::move(prompt);
}

void CKLineViewWindow::showSectorAnalysis(const QString& stockKey)
{
    const QString key = stockKey.isEmpty() ? m_chart->getStock() : stockKey;
    if (m_sectorWindow)
        m_sectorWindow->close();
    m_sectorWindow = new CKLineViewSectorWindow(key, this);
    m_sectorWindow->show();
    m_sectorWindow->raise();
}

CKLineViewSectorWindow* CKLineViewWindow::sectorWindow() const
{
    return m_sectorWindow.data();
}

bool CKLineViewWindow::exportFormula(const QString& formula)
{
    const QString caption = QStringLiteral("导出公式");
    const QString suggested =
        QDir(CAppConfig::userDataDir()).filePath(CKLineViewFormulaExport::suggestedFileName(formula));
    const QString filter = QStringLiteral("公式文件 (*.fml);;所有文件 (*)");
    const SaveFilePrompt& prompt = saveFilePrompt();
    const QString path = prompt ? prompt(this, caption, suggested, filter)
                                : QFileDialog::getSaveFileName(this, caption, suggested, filter);
    if (path.isEmpty())
        return false;
    QString error;
    if (!CKLineViewFormulaExport::write(formula, path, &error)) {
        KW::CMessageBox::warning(QStringLiteral("提示"), QStringLiteral("导出失败: %1").arg(error), this);
        return false;
    }
    statusBar()->showMessage(QStringLiteral("已导出 %1").arg(QDir::toNativeSeparators(path)), 5000);
    return true;
}

void CKLineViewWindow::refreshChart()
{
    m_chart->request(true);
    slotUpdateStatus();
}

void CKLineViewWindow::keyPressEvent(QKeyEvent* event)
{
    const bool fast = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Left:
        m_chart->moveCursor(true, fast);
        break;
    case Qt::Key_Right:
        m_chart->moveCursor(false, fast);
        break;
    case Qt::Key_Up:
        m_chart->scaleView(false);
        break;
    case Qt::Key_Down:
        m_chart->scaleView(true);
        break;
    case Qt::Key_Home:
        m_chart->moveToHome();
        break;
    case Qt::Key_End:
        m_chart->moveToEnd();
        break;
    case Qt::Key_Escape:
        m_chart->hideCrossline();
        break;
    case Qt::Key_F8:
        cyclePeriod();
        break;
    default:
        QMainWindow::keyPressEvent(event);
        return;
    }
    event->accept();
}

void CKLineViewWindow::closeEvent(QCloseEvent* event)
{
    m_simulator->stop();
    saveSettings();
    QMainWindow::closeEvent(event);
}

} // namespace TC
