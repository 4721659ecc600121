#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <boost/signals2/connection.hpp>

#include <QMap>
#include <QPointer>
#include <QString>

#include "kline/IndexKLineViewGlobal.h"
#include "platform/framework/CCommonDialog.h"
#include "platform/framework/CMessageTipWidget.h"

class QTimer;

namespace KW {
class CCheckBox;
class CFileClient;
class COddEvenRowTable;
class CPushButton;
} // namespace KW

namespace TC {

// "交易详情 [分笔]": which trading-linkage records the chart marks. Three
// tables (fund accounts, securities, strategies) with a check box per row,
// the record kind (任务 / 委托 / 成交, one at a time), 按策略查看 and the
// automatic selection of new securities and strategies, and the imports of
// orders and deals from files.
//
// Controls report through handleEvent: buttons as event 5 with their id,
// check boxes as 67 (a table row: p1 the row, p2 1 when checked, the text the
// table's name; a setting box: p1 its id). What the chart must follow goes to
// the upstream (the chart) as 3161 (selection), 3162 (closed) and 3163
// (records changed).
//
// The linkage service notifies from its own thread: the notifications only
// set atomic flags (held apart from the dialog, so a late notification never
// touches a destroyed dialog) and a 1000 ms timer applies them on the GUI
// thread. The imports are read off the GUI thread by a KW::CFileClient.
class INDEXKLINEVIEW_EXPORT CKLineLinkageSettingDialog : public KW::CCommonDialog
{
    Q_OBJECT

public:
    static constexpr int kTimerMs = 1000;
    // Button and check-box ids (events 5, 67 and 93).
    enum EControl {
        SeeByStrategyBox = 2,
        TaskBox = 3,
        OrderBox = 4,
        DealBox = 5,
        StockSelectAllBox = 6,
        StrategySelectAllBox = 7,
        ImportOrderButton = 8,
        ImportDealButton = 9,
        SelectAllStockButton = 10,
        RevertStockButton = 11,
        SelectAllStrategyButton = 12,
        RevertStrategyButton = 13,
        SeeByStrategyToggled = 14,
        ViewAllButton = 15,
        MinimizeButton = 16,
        ClearImportButton = 17,
        CloseButton = 101
    };
    // Import line results.
    enum EImportResult { ImportRefused = -1, ImportSkipped = 0, ImportRecorded = 1 };

    explicit CKLineLinkageSettingDialog(QWidget* parent = nullptr);
    ~CKLineLinkageSettingDialog() override;

    // "task", "order", "deal", "seebystrategy", "stockselectall",
    // "strategyselectall" with the boxes' states.
    QMap<QString, bool> param() const;
    // Sets each box whose key is present (other keys are ignored); of the
    // record kinds at most one stays checked (task, then order, then deal).
    void setParam(const QMap<QString, bool>& param);

    std::set<std::string> getAccounts() const { return m_selAccounts; }
    std::set<std::string> getStocks() const { return m_selStocks; }
    std::set<std::string> getStrategys() const { return m_selStrategies; }

    // One line of an import file split at `separator` (empty fields kept):
    // fewer than 7 fields is ImportSkipped; otherwise account, instrument,
    // time (fields 0 to 2), price (double), direction (int), volume (64-bit
    // int) and offset flag (int) go to the linkage service, whose answer
    // gives ImportRecorded or ImportRefused. Any thread.
    static int handleImportOrder(const QString& line, const QString& separator);
    static int handleImportDeal(const QString& line, const QString& separator);

    // The controls (tests, hosts).
    KW::COddEvenRowTable* accountTable() const { return m_accounts.table; }
    KW::COddEvenRowTable* stockTable() const { return m_stocks.table; }
    KW::COddEvenRowTable* strategyTable() const { return m_strategies.table; }
    KW::CCheckBox* rowBox(KW::COddEvenRowTable* table, int row) const;
    KW::CCheckBox* settingBox(int id) const;
    KW::CPushButton* button(int id) const;
    KW::CMessageTipWidget* minimizeTip() const { return m_tip; }
    KW::CFileClient* fileClient() const { return m_fileClient; }
    // Starts reading an import file (what the two import buttons do after
    // the file choice): `deal` chooses deals; false when a read is running.
    bool startImport(const QString& path, bool deal);

    bool handleEvent(int id, int p1, int p2, const QString& text, void* data) override;

public slots:
    void slotImportFinished(int id, bool ok, QString text);
    void slotTimeout();
    void slotMouseDoubleClick();
    // Closing (the title bar's close, Esc) is event 5 with CloseButton.
    void reject() override;

protected:
    void selectAccount(int row, bool on);
    void selectStock(int row, bool on);
    void selectStrategy(int row, bool on);
    void selectAllStock();
    void selectRevertStock();
    void selectAllStrategy();
    void selectRevertStrategy();
    // Fetch the list from the service and append the rows of new entries;
    // true when rows were added.
    bool updateAccounts();
    bool updateStocks();
    bool updateStrategys();
    bool updateAccountTable();
    bool updateStockTable();
    bool updateStrategyTable();
    void onNewTradingDay(const std::string& day);
    void onUpdateAccounts();
    void onUpdateStocks();
    void onUpdateStrategys();
    void onUpdateDatas();
    void importOrder();
    void importDeal();
    void clearImportData();

    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Flags {
        std::atomic<bool> newDay{false};
        std::atomic<bool> accounts{false};
        std::atomic<bool> stocks{false};
        std::atomic<bool> strategies{false};
        std::atomic<bool> datas{false};
    };
    struct Entry {
        std::string key;
        QStringList texts;
    };
    struct Table {
        KW::COddEvenRowTable* table = nullptr;
        std::vector<KW::CCheckBox*> boxes; // row -> box
        std::map<std::string, int> rows;   // key -> row
        std::vector<std::string> keys;     // row -> key
    };

    void buildUi();
    KW::COddEvenRowTable* makeTable(const QString& name, const QStringList& headers);
    KW::CPushButton* makeButton(const QString& text, int id);
    KW::CCheckBox* makeBox(const QString& text, int id, const QString& key);
    // Appends the rows of entries not yet in `t`; the new boxes start
    // `checked` and their keys join `selected` when they do.
    bool appendRows(Table& t, const std::vector<Entry>& entries, bool checked,
                    std::set<std::string>& selected);
    void setRow(Table& t, int row, bool on);
    void setAllRows(Table& t, bool on, bool invert);
    void kindChecked(int id, bool on);
    void chooseImportFile(bool deal);
    void setImportEnabled(bool on);
    void postToChart(int id);
    static int handleImport(bool deal, const QString& line, const QString& separator);

    Table m_accounts;
    Table m_stocks;
    Table m_strategies;
    std::vector<Entry> m_accountList;
    std::vector<Entry> m_stockList;
    std::vector<Entry> m_strategyList;
    std::set<std::string> m_selAccounts;
    std::set<std::string> m_selStocks;
    std::set<std::string> m_selStrategies;
    QMap<int, KW::CCheckBox*> m_boxes;
    QMap<QString, KW::CCheckBox*> m_boxesByKey;
    QMap<int, KW::CPushButton*> m_buttons;
    QPointer<KW::CMessageTipWidget> m_tip;
    KW::CFileClient* m_fileClient = nullptr;
    QTimer* m_timer = nullptr;
    int m_importId = -1;
    bool m_importDeal = false;
    bool m_settingParam = false;
    std::shared_ptr<Flags> m_flags;
    std::vector<boost::signals2::scoped_connection> m_connections;
};

} // namespace TC
