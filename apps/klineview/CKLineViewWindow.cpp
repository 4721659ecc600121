#include "CKLineViewWindow.h"

#include <algorithm>

#include <QActionGroup>
#include <QKeyEvent>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QDateTime>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "platform/config/QLLog.h"
#include "platform/formula/catalog/FormulaPeriod.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/framework/CEventBus.h"
#include "platform/market/CDividAdjuster.h"
#include "platform/market/CMarketSimulator.h"
#include "platform/market/CMarketStore.h"
#include "series/CKLineData.h"

namespace TC {

namespace {

// The chart asks its host for N of the N-unit periods with this event.
constexpr int kAskPeriodMultiple = 221;

const char* const kOverlayChoices[] = {"MA", "EMA", "BOLL", "BBI", "SAR"};
const char* const kSubPaneChoices[] = {"VOL", "MACD", "KDJ", "RSI", "CCI", "OBV"};

bool isMultiplePeriod(int period)
{
    return period == 10 || period == 11 || period == 13;
}

QString instrumentName(const QString& key)
{
    const auto detail = CMarketStore::instance()->instrument(key);
    return detail ? QString::fromStdString(detail->name) : QString();
}

} // namespace

CKLineViewWindow::CKLineViewWindow(const CKLineViewLayout& layout, const QString& settingsPath,
                                   QWidget* parent)
    : QMainWindow(parent), m_layout(layout), m_settingsPath(settingsPath)
{
    m_simulator = new CMarketSimulator(nullptr, CMarketSimulator::kDefaultSeed, this);
    CFormulaManager::instance()->setSimulator(m_simulator);
    connect(m_simulator, &CMarketSimulator::sigInstrumentTicked, this, &CKLineViewWindow::slotUpdateStatus);

    m_busToken = KW::CEventBus::instance()->subscribe([this](int id, int, int, const QString&, void* data) {
        if (id != kAskPeriodMultiple || !data)
            return false;
        *static_cast<int*>(data) = m_layout.periodMultiple();
        return true;
    });

    m_chart = new CKLineMainWidget(this, 0);
    setCentralWidget(m_chart);
    m_statusLabel = new QLabel(this);
    statusBar()->addPermanentWidget(m_statusLabel);
    createToolBar();

    m_layout.applyTo(m_chart);
    syncControls();
    updateTitle();
    slotUpdateStatus();
    m_chart->request(true);
}

CKLineViewWindow::~CKLineViewWindow()
{
    KW::CEventBus::instance()->unsubscribe(m_busToken);
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
    QStringList words;
    CMarketStore* store = CMarketStore::instance();
    for (const QString& key : store->instrumentKeys()) {
        words.append(key);
        const QString name = instrumentName(key);
        if (!name.isEmpty() && name != key)
            words.append(name);
    }
    auto* completer = new QCompleter(words, m_instrumentEdit);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    m_instrumentEdit->setCompleter(completer);
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
    QMenu* overlayMenu = menu->addMenu(QStringLiteral("主图指标"));
    auto* overlayGroup = new QActionGroup(overlayMenu);
    auto addOverlay = [this, overlayMenu, overlayGroup](const QString& text, const QString& formula) {
        QAction* a = overlayMenu->addAction(text);
        a->setCheckable(true);
        a->setData(formula);
        overlayGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, formula] { setMainOverlay(formula); });
    };
    for (const char* f : kOverlayChoices)
        addOverlay(QString::fromLatin1(f), QString::fromLatin1(f));
    addOverlay(QStringLiteral("无"), QString());
    QMenu* subMenu = menu->addMenu(QStringLiteral("添加副图"));
    for (const char* f : kSubPaneChoices) {
        const QString formula = QString::fromLatin1(f);
        connect(subMenu->addAction(formula), &QAction::triggered, this,
                [this, formula] { addSubPane(formula); });
    }
    connect(menu->addAction(QStringLiteral("删除最后副图")), &QAction::triggered, this,
            &CKLineViewWindow::removeLastSubPane);
    m_indexButton->setMenu(menu);
    bar->addWidget(m_indexButton);

    m_realtimeAction = bar->addAction(QStringLiteral("实时"));
    m_realtimeAction->setObjectName(QStringLiteral("realtime_action"));
    m_realtimeAction->setCheckable(true);
    connect(m_realtimeAction, &QAction::toggled, this, &CKLineViewWindow::slotRealtimeToggled);
}

void CKLineViewWindow::syncControls()
{
    m_syncing = true;
    m_instrumentEdit->setText(m_layout.instrument());
    m_periodCombo->setCurrentIndex(std::max(getPeriodIndex(m_layout.period()), 0));
    m_drCombo->setCurrentIndex(m_layout.drType());
    // The first overlay of the chart is the one the menu shows as chosen.
    QString overlay;
    const CKLineWidget* main = m_chart->mainPane();
    for (const QString& f : main->indexNames())
        if (overlay.isEmpty() && !main->series()->isMainGraph(f))
            overlay = f.toUpper();
    for (QAction* a : m_indexButton->menu()->actions().first()->menu()->actions())
        a->setChecked(a->data().toString() == overlay);
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
        // The chart's own menus may have changed period or ex-rights.
        layout.setPeriod(int(m_chart->getPeriod()), m_layout.periodMultiple());
        layout.setDrType(m_chart->getDrType());
        layout.setIndexes(CKLineViewLayout::indexesOf(m_chart));
    }
    return layout;
}

bool CKLineViewWindow::switchInstrument(const QString& text)
{
    const QString t = text.trimmed();
    CMarketStore* store = CMarketStore::instance();
    QString key = t.toUpper();
    if (!store->hasInstrument(key)) {
        key.clear();
        for (const QString& k : store->instrumentKeys())
            if (instrumentName(k) == t) {
                key = k;
                break;
            }
    }
    if (key.isEmpty()) {
        statusBar()->showMessage(QStringLiteral("未知代码: %1").arg(t), 5000);
        return false;
    }
    m_layout.setInstrument(key);
    m_instrumentEdit->setText(key);
    if (key != m_chart->getStock()) {
        m_chart->setStock(key);
        m_chart->request(true);
    }
    updateTitle();
    slotUpdateStatus();
    return true;
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

void CKLineViewWindow::setMainOverlay(const QString& formula)
{
    // Keep the sub-panes, replace every overlay by the chosen one.
    CKLineWidget* main = m_chart->mainPane();
    const QStringList overlays = main->indexNames();
    for (const QString& f : overlays)
        if (!main->series()->isMainGraph(f))
            main->removeIndex(f);
    if (!formula.isEmpty())
        main->addIndex(formula, QString());
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
    CMarketStore* store = CMarketStore::instance();
    const auto detail = store->instrument(m_layout.instrument());
    const QString market = detail ? QString::fromStdString(detail->market) : QString();
    const qint64 day = market.isEmpty() ? 0 : store->lastTradingDay(market);
    const QString dayText =
        day > 0 ? QDateTime::fromSecsSinceEpoch(day).date().toString(Qt::ISODate) : QStringLiteral("-");
    QString text = QStringLiteral("%1 %2  最后交易日 %3")
                       .arg(m_layout.instrument(), instrumentName(m_layout.instrument()), dayText);
    if (m_simulator->isRunning())
        text += QStringLiteral("  实时");
    m_statusLabel->setText(text);
}

bool CKLineViewWindow::saveSettings()
{
    m_layout = currentLayout();
    QString why;
    if (!m_layout.save(m_settingsPath, &why)) {
        QLLOG_ERROR(qlog::kStdLogger, "cannot save %1%: %2%", m_settingsPath, why);
        return false;
    }
    return true;
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
