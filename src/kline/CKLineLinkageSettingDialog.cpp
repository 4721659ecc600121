// The linkage setting dialog: its controls, the three tables and the poll
// timer that applies the linkage service's notifications.
#include "kline/CKLineLinkageSettingDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/framework/CCheckBox.h"
#include "platform/framework/CFileClient.h"
#include "platform/framework/CMessageTipWidget.h"
#include "platform/framework/COddEvenRowTable.h"
#include "platform/framework/CPushButton.h"
#include "platform/trading/CLinkageManager.h"

namespace TC {

namespace {

const char* const kAccountTable = "account_table";
const char* const kStockTable = "stock_table";
const char* const kStrategyTable = "strategy_table";
constexpr int kTableCapacity = 10000;

} // namespace

CKLineLinkageSettingDialog::CKLineLinkageSettingDialog(QWidget* parent)
    : KW::CCommonDialog(parent, QStringLiteral("kline_linkage_setting_dialog")),
      m_flags(std::make_shared<Flags>())
{
    setTitle(QStringLiteral("交易详情 [分笔]"));
    setButtonsVisible(false, false);
    setModal(false);
    buildUi();
    setFixedSize(560, 520);

    m_fileClient = new KW::CFileClient(this);
    connect(m_fileClient, &KW::CFileClient::sigReadFinished, this,
            &CKLineLinkageSettingDialog::slotImportFinished);

    // The slots may run on the service's thread, even after this dialog is
    // gone: they touch nothing but the shared flags.
    CLinkageManager* link = CLinkageManager::instance();
    const std::shared_ptr<Flags> flags = m_flags;
    m_connections.emplace_back(
        link->connectNewTradingDay([flags](const std::string&) { flags->newDay = true; }));
    m_connections.emplace_back(link->connectUpdateAccounts([flags] { flags->accounts = true; }));
    m_connections.emplace_back(link->connectUpdateStocks([flags] { flags->stocks = true; }));
    m_connections.emplace_back(link->connectUpdateStrategys([flags] { flags->strategies = true; }));
    m_connections.emplace_back(link->connectUpdateDatas([flags] { flags->datas = true; }));

    updateAccounts();
    updateStocks();
    updateStrategys();

    m_timer = new QTimer(this);
    m_timer->setInterval(kTimerMs);
    connect(m_timer, &QTimer::timeout, this, &CKLineLinkageSettingDialog::slotTimeout);
    m_timer->start();
}

CKLineLinkageSettingDialog::~CKLineLinkageSettingDialog()
{
    m_connections.clear();
    delete m_tip;
}

// ---------------------------------------------------------------------------
// Controls

KW::COddEvenRowTable* CKLineLinkageSettingDialog::makeTable(const QString& name, const QStringList& headers)
{
    auto* table = new KW::COddEvenRowTable(kTableCapacity, contentWidget());
    table->setObjectName(name);
    table->setColumnCount(headers.size());
    table->setHorizontalHeaderLabels(headers);
    table->setColumnWidth(0, 28);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

KW::CPushButton* CKLineLinkageSettingDialog::makeButton(const QString& text, int id)
{
    auto* b = new KW::CPushButton(text, id, contentWidget());
    b->setUpstream(this);
    m_buttons.insert(id, b);
    return b;
}

KW::CCheckBox* CKLineLinkageSettingDialog::makeBox(const QString& text, int id, const QString& key)
{
    auto* box = new KW::CCheckBox(text, id, contentWidget());
    box->setObjectName(key);
    connect(box, &KW::CCheckBox::toggledId, this, [this, box](int boxId, bool on) {
        if (boxId == SeeByStrategyBox)
            handleEvent(93, SeeByStrategyToggled, on ? 1 : 0, box->objectName(), box);
        else
            handleEvent(67, boxId, on ? 1 : 0, box->objectName(), box);
    });
    m_boxes.insert(id, box);
    m_boxesByKey.insert(key, box);
    return box;
}

void CKLineLinkageSettingDialog::buildUi()
{
    m_accounts.table = makeTable(QLatin1String(kAccountTable),
                                 {QString(), QStringLiteral("资金账号"), QStringLiteral("账户名称")});
    m_stocks.table =
        makeTable(QLatin1String(kStockTable), {QString(), QStringLiteral("证券代码"),
                                               QStringLiteral("证券名称"), QStringLiteral("市场")});
    m_strategies.table = makeTable(QLatin1String(kStrategyTable), {QString(), QStringLiteral("策略名称")});
    m_accounts.table->setColumnWidth(1, 160);
    m_stocks.table->setColumnWidth(1, 60);
    m_stocks.table->setColumnWidth(2, 72);

    auto* grid = new QGridLayout(contentWidget());
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(6);
    grid->addWidget(new QLabel(QStringLiteral("资金账号"), contentWidget()), 0, 0, 1, 2);
    grid->addWidget(m_accounts.table, 1, 0, 1, 2);

    grid->addWidget(new QLabel(QStringLiteral("选择证券"), contentWidget()), 2, 0);
    grid->addWidget(m_stocks.table, 3, 0);
    auto* stockRow = new QHBoxLayout;
    stockRow->addWidget(makeButton(QStringLiteral("全选"), SelectAllStockButton));
    stockRow->addWidget(makeButton(QStringLiteral("反选"), RevertStockButton));
    stockRow->addWidget(
        makeBox(QStringLiteral("自动全选"), StockSelectAllBox, QStringLiteral("stockselectall")));
    stockRow->addStretch(1);
    grid->addLayout(stockRow, 4, 0);

    grid->addWidget(new QLabel(QStringLiteral("交易策略"), contentWidget()), 2, 1);
    grid->addWidget(m_strategies.table, 3, 1);
    auto* strategyRow = new QHBoxLayout;
    strategyRow->addWidget(makeButton(QStringLiteral("全选"), SelectAllStrategyButton));
    strategyRow->addWidget(makeButton(QStringLiteral("反选"), RevertStrategyButton));
    strategyRow->addWidget(
        makeBox(QStringLiteral("自动全选"), StrategySelectAllBox, QStringLiteral("strategyselectall")));
    strategyRow->addStretch(1);
    grid->addLayout(strategyRow, 4, 1);

    auto* kindRow = new QHBoxLayout;
    kindRow->addWidget(makeBox(QStringLiteral("任务"), TaskBox, QStringLiteral("task")));
    kindRow->addWidget(makeBox(QStringLiteral("委托"), OrderBox, QStringLiteral("order")));
    kindRow->addWidget(makeBox(QStringLiteral("成交"), DealBox, QStringLiteral("deal")));
    kindRow->addSpacing(12);
    kindRow->addWidget(
        makeBox(QStringLiteral("按策略查看"), SeeByStrategyBox, QStringLiteral("seebystrategy")));
    kindRow->addStretch(1);
    // "全部查看" reports as event 93, not as a button event.
    auto* viewAll = new KW::CPushButton(QStringLiteral("全部查看"), ViewAllButton, contentWidget());
    connect(viewAll, &KW::CPushButton::clickedId, this,
            [this](int id) { handleEvent(93, id, 0, QString(), nullptr); });
    m_buttons.insert(ViewAllButton, viewAll);
    kindRow->addWidget(viewAll);
    grid->addLayout(kindRow, 5, 0, 1, 2);

    auto* importRow = new QHBoxLayout;
    importRow->addWidget(makeButton(QStringLiteral("导入委托"), ImportOrderButton));
    importRow->addWidget(makeButton(QStringLiteral("导入成交"), ImportDealButton));
    importRow->addWidget(makeButton(QStringLiteral("清空导入数据"), ClearImportButton));
    importRow->addStretch(1);
    importRow->addWidget(makeButton(QStringLiteral("最小化"), MinimizeButton));
    grid->addLayout(importRow, 6, 0, 1, 2);
    grid->setRowStretch(1, 2);
    grid->setRowStretch(3, 3);

    // Deals of every account and all new securities and strategies until the
    // user chooses otherwise.
    m_settingParam = true;
    m_boxes.value(DealBox)->setChecked(true);
    m_boxes.value(StockSelectAllBox)->setChecked(true);
    m_boxes.value(StrategySelectAllBox)->setChecked(true);
    m_settingParam = false;
}

KW::CCheckBox* CKLineLinkageSettingDialog::rowBox(KW::COddEvenRowTable* table, int row) const
{
    for (const Table* t : {&m_accounts, &m_stocks, &m_strategies})
        if (t->table == table && row >= 0 && row < int(t->boxes.size()))
            return t->boxes[size_t(row)];
    return nullptr;
}

KW::CCheckBox* CKLineLinkageSettingDialog::settingBox(int id) const
{
    return m_boxes.value(id);
}

KW::CPushButton* CKLineLinkageSettingDialog::button(int id) const
{
    return m_buttons.value(id);
}

// ---------------------------------------------------------------------------
// Setting

QMap<QString, bool> CKLineLinkageSettingDialog::param() const
{
    QMap<QString, bool> out;
    for (auto it = m_boxesByKey.constBegin(); it != m_boxesByKey.constEnd(); ++it)
        out.insert(it.key(), it.value()->isChecked());
    return out;
}

void CKLineLinkageSettingDialog::setParam(const QMap<QString, bool>& param)
{
    m_settingParam = true;
    for (auto it = param.constBegin(); it != param.constEnd(); ++it)
        if (KW::CCheckBox* box = m_boxesByKey.value(it.key()))
            box->setChecked(it.value());
    bool kindSeen = false;
    for (int id : {TaskBox, OrderBox, DealBox}) {
        KW::CCheckBox* box = m_boxes.value(id);
        if (box->isChecked() && kindSeen)
            box->setChecked(false);
        kindSeen = kindSeen || box->isChecked();
    }
    m_settingParam = false;
    // The automatic selections take effect as when the user ticks them.
    if (m_boxes.value(StockSelectAllBox)->isChecked())
        setAllRows(m_stocks, true, false);
    if (m_boxes.value(StrategySelectAllBox)->isChecked())
        setAllRows(m_strategies, true, false);
}

// ---------------------------------------------------------------------------
// Events

void CKLineLinkageSettingDialog::postToChart(int id)
{
    // The chart is the upstream; without one the event goes on the bus.
    deliverEvent(id, 0, 0, QString(), nullptr);
}

bool CKLineLinkageSettingDialog::handleEvent(int id, int p1, int p2, const QString& text, void* data)
{
    if (id == 5) {
        switch (p1) {
        case ImportOrderButton:
            importOrder();
            return true;
        case ImportDealButton:
            importDeal();
            return true;
        case SelectAllStockButton:
            selectAllStock();
            return true;
        case RevertStockButton:
            selectRevertStock();
            return true;
        case SelectAllStrategyButton:
            selectAllStrategy();
            return true;
        case RevertStrategyButton:
            selectRevertStrategy();
            return true;
        case MinimizeButton: {
            if (!m_tip) {
                m_tip = new KW::CMessageTipWidget(parentWidget());
                m_tip->setFixedSize(100, 50);
                m_tip->setToolTip(QStringLiteral("交易详情"));
                m_tip->setText(QStringLiteral("交易详情"));
                connect(m_tip, &KW::CMessageTipWidget::sigMouseDoubleClick, this,
                        &CKLineLinkageSettingDialog::slotMouseDoubleClick);
            }
            const QPoint at = pos();
            hide();
            m_tip->move(at);
            m_tip->show();
            return true;
        }
        case ClearImportButton:
            clearImportData();
            return true;
        case CloseButton:
            CLinkageManager::instance()->stopProfitCalculator();
            hide();
            if (m_tip)
                m_tip->hide();
            postToChart(3162);
            return true;
        default:
            break;
        }
    } else if (id == 67) {
        if (text == QLatin1String(kAccountTable)) {
            selectAccount(p1, p2 == 1);
            return true;
        }
        if (text == QLatin1String(kStockTable)) {
            selectStock(p1, p2 == 1);
            return true;
        }
        if (text == QLatin1String(kStrategyTable)) {
            selectStrategy(p1, p2 == 1);
            return true;
        }
        switch (p1) {
        case TaskBox:
        case OrderBox:
        case DealBox:
            kindChecked(p1, p2 == 1);
            return true;
        case StockSelectAllBox:
            if (p2 == 1 && !m_settingParam)
                selectAllStock();
            return true;
        case StrategySelectAllBox:
            if (p2 == 1 && !m_settingParam)
                selectAllStrategy();
            return true;
        default:
            break;
        }
    } else if (id == 93 && (p1 == SeeByStrategyToggled || p1 == ViewAllButton)) {
        if (p1 == ViewAllButton) {
            setAllRows(m_accounts, true, false);
            setAllRows(m_stocks, true, false);
            setAllRows(m_strategies, true, false);
        }
        if (!m_settingParam)
            postToChart(3161);
        return true;
    }
    return KW::CCommonDialog::handleEvent(id, p1, p2, text, data);
}

void CKLineLinkageSettingDialog::kindChecked(int id, bool on)
{
    if (m_settingParam)
        return;
    if (on)
        for (int other : {TaskBox, OrderBox, DealBox})
            if (other != id) {
                KW::CCheckBox* box = m_boxes.value(other);
                const bool blocked = box->blockSignals(true);
                box->setChecked(false);
                box->blockSignals(blocked);
            }
    postToChart(3161);
}

void CKLineLinkageSettingDialog::reject()
{
    handleEvent(5, CloseButton, 0, QString(), nullptr);
}

void CKLineLinkageSettingDialog::slotMouseDoubleClick()
{
    if (m_tip) {
        move(m_tip->pos());
        m_tip->hide();
    }
    show();
    raise();
    activateWindow();
}

void CKLineLinkageSettingDialog::showEvent(QShowEvent* event)
{
    KW::CCommonDialog::showEvent(event);
    if (m_tip)
        m_tip->hide();
}

void CKLineLinkageSettingDialog::resizeEvent(QResizeEvent* event)
{
    KW::CCommonDialog::resizeEvent(event);
}

// ---------------------------------------------------------------------------
// Selections

void CKLineLinkageSettingDialog::setRow(Table& t, int row, bool on)
{
    if (row < 0 || row >= int(t.keys.size()))
        return;
    std::set<std::string>& selected = &t == &m_accounts ? m_selAccounts
                                      : &t == &m_stocks ? m_selStocks
                                                        : m_selStrategies;
    if (on)
        selected.insert(t.keys[size_t(row)]);
    else
        selected.erase(t.keys[size_t(row)]);
    KW::CCheckBox* box = t.boxes[size_t(row)];
    if (box->isChecked() != on) {
        const bool blocked = box->blockSignals(true);
        box->setChecked(on);
        box->blockSignals(blocked);
    }
}

void CKLineLinkageSettingDialog::setAllRows(Table& t, bool on, bool invert)
{
    for (int row = 0; row < int(t.keys.size()); ++row)
        setRow(t, row, invert ? !t.boxes[size_t(row)]->isChecked() : on);
}

void CKLineLinkageSettingDialog::selectAccount(int row, bool on)
{
    setRow(m_accounts, row, on);
    postToChart(3161);
}

void CKLineLinkageSettingDialog::selectStock(int row, bool on)
{
    setRow(m_stocks, row, on);
    postToChart(3161);
}

void CKLineLinkageSettingDialog::selectStrategy(int row, bool on)
{
    setRow(m_strategies, row, on);
    postToChart(3161);
}

void CKLineLinkageSettingDialog::selectAllStock()
{
    setAllRows(m_stocks, true, false);
    postToChart(3161);
}

void CKLineLinkageSettingDialog::selectRevertStock()
{
    setAllRows(m_stocks, false, true);
    postToChart(3161);
}

void CKLineLinkageSettingDialog::selectAllStrategy()
{
    setAllRows(m_strategies, true, false);
    postToChart(3161);
}

void CKLineLinkageSettingDialog::selectRevertStrategy()
{
    setAllRows(m_strategies, false, true);
    postToChart(3161);
}

// ---------------------------------------------------------------------------
// Tables

bool CKLineLinkageSettingDialog::appendRows(Table& t, const std::vector<Entry>& entries, bool checked,
                                            std::set<std::string>& selected)
{
    bool added = false;
    for (const Entry& e : entries) {
        if (t.rows.count(e.key))
            continue;
        const int row = t.table->appendRow();
        if (row < 0)
            break;
        t.rows[e.key] = row;
        t.keys.push_back(e.key);
        auto* cell = new QWidget(t.table);
        auto* layout = new QHBoxLayout(cell);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* box = new KW::CCheckBox(QString(), row, cell);
        box->setObjectName(t.table->objectName());
        box->setChecked(checked);
        layout->addWidget(box);
        layout->setAlignment(box, Qt::Alignment(132));
        t.table->setCellWidget(row, 0, cell);
        t.boxes.push_back(box);
        connect(box, &KW::CCheckBox::toggledId, this,
                [this, box](int r, bool on) { handleEvent(67, r, on ? 1 : 0, box->objectName(), box); });
        for (int c = 0; c < e.texts.size() && c + 1 < t.table->columnCount(); ++c)
            t.table->setCellText(row, c + 1, e.texts.at(c));
        if (checked)
            selected.insert(e.key);
        added = true;
    }
    return added;
}

bool CKLineLinkageSettingDialog::updateAccounts()
{
    m_accountList.clear();
    for (const qlservice::CAccountDetail& a : CLinkageManager::instance()->getAccounts())
        m_accountList.push_back(
            {a.getKey(), {QString::fromStdString(a.accountId), QString::fromStdString(a.accountName)}});
    return updateAccountTable();
}

bool CKLineLinkageSettingDialog::updateStocks()
{
    m_stockList.clear();
    for (const qlservice::CStockItem& s : CLinkageManager::instance()->getStocks())
        m_stockList.push_back({s.getKey(),
                               {QString::fromStdString(s.code), QString::fromStdString(s.name),
                                QString::fromStdString(s.market)}});
    return updateStockTable();
}

bool CKLineLinkageSettingDialog::updateStrategys()
{
    m_strategyList.clear();
    for (const std::string& name : CLinkageManager::instance()->getStrategys())
        m_strategyList.push_back({name, {QString::fromStdString(name)}});
    return updateStrategyTable();
}

bool CKLineLinkageSettingDialog::updateAccountTable()
{
    return appendRows(m_accounts, m_accountList, true, m_selAccounts);
}

bool CKLineLinkageSettingDialog::updateStockTable()
{
    return appendRows(m_stocks, m_stockList, m_boxes.value(StockSelectAllBox)->isChecked(), m_selStocks);
}

bool CKLineLinkageSettingDialog::updateStrategyTable()
{
    return appendRows(m_strategies, m_strategyList, m_boxes.value(StrategySelectAllBox)->isChecked(),
                      m_selStrategies);
}

// ---------------------------------------------------------------------------
// Notifications and the poll timer

void CKLineLinkageSettingDialog::onNewTradingDay(const std::string&)
{
    m_flags->newDay = true;
}

void CKLineLinkageSettingDialog::onUpdateAccounts()
{
    m_flags->accounts = true;
}

void CKLineLinkageSettingDialog::onUpdateStocks()
{
    m_flags->stocks = true;
}

void CKLineLinkageSettingDialog::onUpdateStrategys()
{
    m_flags->strategies = true;
}

void CKLineLinkageSettingDialog::onUpdateDatas()
{
    m_flags->datas = true;
}

void CKLineLinkageSettingDialog::slotTimeout()
{
    // exchange: a notification between the test and the clearing is kept
    // for the next round instead of being lost.
    bool changed = false;
    if (m_flags->accounts.exchange(false))
        changed = updateAccounts() || changed;
    if (m_flags->strategies.exchange(false))
        changed = updateStrategys() || changed;
    if (m_flags->stocks.exchange(false))
        changed = updateStocks() || changed;
    if (changed) {
        postToChart(3161);
        return;
    }
    // A new trade date moves the records the marks show, as new data does.
    const bool day = m_flags->newDay.exchange(false);
    const bool datas = m_flags->datas.exchange(false);
    if (day || datas)
        postToChart(3163);
}

} // namespace TC
