// The trade linkage setting dialog and the chart's side of it: imports read
// line by line, the exclusive record kinds, minimising, the setting kept in
// the chart parameter and across reopening, notifications from another
// thread, and a double-click on a deal mark of a tick chart.
#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include "dialogs/CKLineDealDialog.h"
#include "kline/CKLineLinkageSettingDialog.h"
#include "kline/CKLineWidget.h"
#include "kline/KLineTestSupport.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/framework/CCheckBox.h"
#include "platform/framework/CEventBus.h"
#include "platform/framework/CFileClient.h"
#include "platform/framework/CHpfDataTable.h"
#include "platform/framework/CMessageBox.h"
#include "platform/framework/CMessageTip.h"
#include "platform/framework/CMessageTipWidget.h"
#include "platform/framework/COddEvenRowTable.h"
#include "platform/framework/CPushButton.h"
#include "platform/trading/CLinkageManager.h"
#include "series/CKLineData.h"

using TC::CKLineLinkageSettingDialog;
using TC::CLinkageManager;
using Dialog = TC::CKLineLinkageSettingDialog;

namespace {

// Events a dialog without a chart puts on the bus.
struct BusLog : ktest::EventLog {
    int token = 0;
    BusLog()
    {
        token =
            KW::CEventBus::instance()->subscribe([this](int id, int p1, int p2, const QString& t, void* d) {
                if (id >= 3160 && id <= 3164) {
                    std::lock_guard<std::mutex> lock(mutex);
                    record(id, p1, p2, t, d);
                }
                return false;
            });
    }
    ~BusLog() { KW::CEventBus::instance()->unsubscribe(token); }
    int countOf(int id)
    {
        std::lock_guard<std::mutex> lock(mutex);
        return count(id);
    }
    std::mutex mutex;
};

class LinkageSetting : public ::testing::Test
{
protected:
    void SetUp() override
    {
        KW::CMessageBox::setAutoAnswer(QMessageBox::No);
        CLinkageManager::instance()->clearImportData();
        day = QDateTime::fromSecsSinceEpoch(CLinkageManager::instance()->getTradeDate()).date();
    }
    void TearDown() override
    {
        CLinkageManager::instance()->clearImportData();
        KW::CMessageBox::setAutoAnswer(-1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QString writeFile(const QString& name, const QByteArray& content)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return path;
    }
    static bool importIdle(Dialog& d) { return d.button(Dialog::ImportOrderButton)->isEnabled(); }
    QString d8() const { return day.toString("yyyyMMdd"); }
    QTemporaryDir dir;
    QDate day;
};

} // namespace

TEST_F(LinkageSetting, ImportSkipsShortLinesAndGoesOn)
{
    Dialog dialog(nullptr);
    CLinkageManager* link = CLinkageManager::instance();
    const QString csv = writeFile("orders.csv", (QStringLiteral("资金账号,证券代码,时间,价格,方向,数量,开平\n"
                                                                "IMP1,SH600000,%1 10:00:00,10.00,48,100\n"
                                                                "IMP1,SH600000,%1 10:01:00,10.00,48,200,0\r\n"
                                                                "\n"
                                                                "IMP1,SH600000,%1 10:02:00,10.10,49,300,0\n")
                                                     .arg(d8()))
                                                    .toUtf8());
    ASSERT_TRUE(dialog.startImport(csv, false));
    // Both import buttons wait for the reader.
    EXPECT_FALSE(dialog.button(Dialog::ImportOrderButton)->isEnabled());
    EXPECT_FALSE(dialog.button(Dialog::ImportDealButton)->isEnabled());
    EXPECT_FALSE(dialog.startImport(csv, true));
    const int tips = KW::CMessageTip::shownCount();
    ASSERT_TRUE(ktest::waitUntil([&] { return importIdle(dialog); }));
    EXPECT_TRUE(dialog.button(Dialog::ImportDealButton)->isEnabled());
    EXPECT_EQ(KW::CMessageTip::shownCount(), tips);
    // The header and the six-field line are not orders; the two after the
    // short line are.
    EXPECT_EQ(link->importCount(), 2);
    const auto orders = link->getOrderDetails(link->getTradeDate(), "SH600000", {"IMP1"});
    ASSERT_EQ(orders.count("IMP1"), 1u);
    qint64 volume = 0;
    for (const auto& o : orders.at("IMP1"))
        volume += o.second->m_volume;
    EXPECT_EQ(volume, 500);

    // Anything but ".csv" is read as tab separated; a deal file.
    const QString xls =
        writeFile("deals.xls", QStringLiteral("IMP2\tSH600000\t%1 10:05:00\t10.00\t48\t100\t0\n"
                                              "IMP2,SH600000,%1 10:06:00,10.00,48,100,0\n")
                                   .arg(d8())
                                   .toUtf8());
    ASSERT_TRUE(dialog.startImport(xls, true));
    ASSERT_TRUE(ktest::waitUntil([&] { return importIdle(dialog); }));
    EXPECT_EQ(link->importCount(), 3);
    EXPECT_EQ(link->getDealDetails(link->getTradeDate(), "SH600000", {"IMP2"}).at("IMP2").size(), 1u);

    // "清空导入数据" drops them.
    dialog.button(Dialog::ClearImportButton)->click();
    EXPECT_EQ(link->importCount(), 0);
}

TEST_F(LinkageSetting, FailedImportsTellTheUser)
{
    Dialog dialog(nullptr);
    const int tips = KW::CMessageTip::shownCount();
    ASSERT_TRUE(dialog.startImport(writeFile("short.csv", "A,SH600000,20261127 10:00:00,1,48,100\n"), false));
    ASSERT_TRUE(ktest::waitUntil([&] { return importIdle(dialog); }));
    EXPECT_EQ(KW::CMessageTip::shownCount(), tips + 1);
    EXPECT_EQ(KW::CMessageTip::lastText(), QStringLiteral("委托导入失败, 请检查导入文件和本机Excel安装情况"));
    ASSERT_TRUE(dialog.startImport(dir.filePath("missing.csv"), true));
    ASSERT_TRUE(ktest::waitUntil([&] { return importIdle(dialog); }));
    EXPECT_EQ(KW::CMessageTip::lastText(), QStringLiteral("成交导入失败, 请检查导入文件和本机Excel安装情况"));
    EXPECT_EQ(CLinkageManager::instance()->importCount(), 0);
}

TEST_F(LinkageSetting, RecordKindsAreExclusiveAndTheDialogMinimisesToATip)
{
    BusLog bus;
    Dialog dialog(nullptr);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("交易详情 [分笔]"));
    EXPECT_EQ(dialog.size(), QSize(560, 520));
    KW::CCheckBox* task = dialog.settingBox(Dialog::TaskBox);
    KW::CCheckBox* order = dialog.settingBox(Dialog::OrderBox);
    KW::CCheckBox* deal = dialog.settingBox(Dialog::DealBox);
    ASSERT_TRUE(task && order && deal);
    order->click();
    EXPECT_TRUE(order->isChecked());
    EXPECT_FALSE(deal->isChecked());
    EXPECT_FALSE(task->isChecked());
    EXPECT_EQ(bus.countOf(3161), 1);
    task->click();
    EXPECT_EQ(dialog.param().value("task"), true);
    EXPECT_EQ(dialog.param().value("order"), false);
    // setParam keeps at most one kind as well.
    dialog.setParam({{"order", true}, {"deal", true}, {"task", false}});
    EXPECT_EQ(int(task->isChecked()) + int(order->isChecked()) + int(deal->isChecked()), 1);
    EXPECT_TRUE(order->isChecked());

    // The table boxes carry their table's name.
    ASSERT_GT(dialog.accountTable()->rowCount(), 0);
    EXPECT_EQ(dialog.rowBox(dialog.accountTable(), 0)->objectName(), "account_table");

    dialog.show();
    dialog.button(Dialog::MinimizeButton)->click();
    EXPECT_FALSE(dialog.isVisible());
    KW::CMessageTipWidget* tip = dialog.minimizeTip();
    ASSERT_TRUE(tip);
    EXPECT_TRUE(tip->isVisible());
    EXPECT_EQ(tip->size(), QSize(100, 50));
    EXPECT_EQ(tip->toolTip(), QStringLiteral("交易详情"));
    QTest::mouseDClick(tip, Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(tip->isVisible());

    // Closing tells the chart.
    dialog.reject();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(bus.countOf(3162), 1);
}

TEST_F(LinkageSetting, ReopeningKeepsTheDialogAndItsState)
{
    ktest::CSpyChart chart(nullptr, 0);
    chart.setStock(QStringLiteral("SH600000"));
    // A stored setting reaches the dialog when it is made.
    chart.loadLinkageDialogSetting({{"order", true}, {"deal", false}, {"seebystrategy", true}});
    chart.handleEvent(3160, 0, 0, QString(), nullptr);
    Dialog* dialog = chart.linkageDialog();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->settingBox(Dialog::OrderBox)->isChecked());
    EXPECT_EQ(chart.getUiParam()->tradeMarkMode & 4, 4);
    EXPECT_TRUE(chart.getUiParam()->showOrderMark);
    EXPECT_TRUE(chart.getUiParam()->strategyFilter);

    // The user changes the kind and drops an account, then closes.
    dialog->settingBox(Dialog::DealBox)->click();
    ASSERT_GT(dialog->accountTable()->rowCount(), 1);
    const std::set<std::string> before = dialog->getAccounts();
    dialog->rowBox(dialog->accountTable(), 0)->click();
    const std::set<std::string> after = dialog->getAccounts();
    EXPECT_EQ(after.size() + 1, before.size());
    EXPECT_EQ(chart.getUiParam()->linkAccounts, after);
    EXPECT_TRUE(chart.getUiParam()->showDealMark);
    dialog->reject();
    EXPECT_EQ(chart.getUiParam()->tradeMarkMode & 4, 0);

    chart.handleEvent(3160, 0, 0, QString(), nullptr);
    EXPECT_EQ(chart.linkageDialog(), dialog);
    EXPECT_TRUE(dialog->settingBox(Dialog::DealBox)->isChecked());
    EXPECT_FALSE(dialog->settingBox(Dialog::OrderBox)->isChecked());
    EXPECT_EQ(dialog->getAccounts(), after);
    EXPECT_EQ(chart.getUiParam()->tradeMarkMode & 4, 4);
}

TEST_F(LinkageSetting, SettingTravelsInTheChartParameter)
{
    const QMap<QString, bool> setting{{"task", false},           {"order", true},
                                      {"deal", false},           {"seebystrategy", true},
                                      {"stockselectall", false}, {"strategyselectall", true}};
    QString text;
    {
        ktest::CSpyChart chart(nullptr, 0);
        chart.handleEvent(3160, 0, 0, QString(), nullptr);
        chart.linkageDialog()->setParam(setting);
        text = chart.param(false);
    }
    // Value first, then the key, in key order.
    const QJsonArray stored =
        QJsonDocument::fromJson(text.toUtf8()).object().value("linkagedialogsetting").toArray();
    const QStringList expected{
        "0", "deal", "1", "order", "1", "seebystrategy", "0", "stockselectall", "1", "strategyselectall",
        "0", "task"};
    QStringList got;
    for (const auto& v : stored)
        got << v.toString();
    EXPECT_EQ(got, expected);

    ktest::CSpyChart copy(nullptr, 0);
    copy.setParam(text);
    EXPECT_EQ(copy.getLinkageDialogSetting(), setting);
    copy.handleEvent(3160, 0, 0, QString(), nullptr);
    EXPECT_EQ(copy.linkageDialog()->param(), setting);
    EXPECT_EQ(copy.param(false), text);

    // Damaged values are passed over: no crash, no stray keys.
    for (const char* bad :
         {R"({"linkagedialogsetting":"1"})", R"({"linkagedialogsetting":[1,"deal",true]})",
          R"({"linkagedialogsetting":["1"]})", R"({"linkagedialogsetting":[{"a":1},"task"]})"}) {
        ktest::CSpyChart chart(nullptr, 0);
        chart.setParam(QString::fromLatin1(bad));
        for (const QString& key : chart.getLinkageDialogSetting().keys())
            EXPECT_TRUE(key == "deal" || key == "task") << bad;
        chart.handleEvent(3160, 0, 0, QString(), nullptr);
        EXPECT_EQ(chart.linkageDialog()->param().size(), 6) << bad;
    }
}

TEST_F(LinkageSetting, NotificationsFromAnotherThreadAreNotLost)
{
    BusLog bus;
    Dialog dialog(nullptr);
    CLinkageManager* link = CLinkageManager::instance();
    const int rows = dialog.accountTable()->rowCount();
    // Imports from a worker thread notify from that thread while the
    // dialog's timer runs here. Each round waits until the chart has been
    // told of the records (3163) before the next import; the last round
    // brings a second new account.
    std::atomic<int> told{0};
    std::atomic<bool> abort{false};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int round = 0; round < 4 && !abort; ++round) {
            const int before = told;
            const char* account = round == 3 ? "THR2" : "THR1";
            link->importDeal(account, "SH600000", QStringLiteral("%1 10:0%2:00").arg(d8()).arg(round), 10.0,
                             48, 100, 0);
            while (told == before && !abort)
                std::this_thread::yield();
        }
        done = true;
    });
    const bool finished = ktest::waitUntil(
        [&] {
            told = bus.countOf(3163);
            return done.load();
        },
        60000);
    abort = true;
    worker.join();
    ASSERT_TRUE(finished);
    EXPECT_GE(bus.countOf(3163), 4);
    // Both new accounts got their rows and the chart its selection (3161).
    EXPECT_EQ(dialog.accountTable()->rowCount(), rows + 2);
    EXPECT_EQ(dialog.getAccounts().count("THR2"), 1u);
    EXPECT_GE(bus.countOf(3161), 2);
    // Nothing is pending afterwards: the flags were taken, not left set.
    dialog.slotTimeout();
    const int settled = bus.countOf(3161) + bus.countOf(3163);
    dialog.slotTimeout();
    EXPECT_EQ(bus.countOf(3161) + bus.countOf(3163), settled);
}

TEST_F(LinkageSetting, DoubleClickOnADealMarkListsTheDeal)
{
    ktest::CSpyChart chart(nullptr, 0);
    chart.resize(1000, 700);
    chart.setStock(QStringLiteral("SH600000"));
    chart.setPeriod(0);
    chart.show();
    chart.request(true);
    TC::CKLineGraphWidget* graph = chart.mainPane()->graph();
    auto ui = chart.getUiParam();
    ASSERT_TRUE(
        ktest::waitUntil([&] { return !ui->m_tradeDateList.isEmpty() && ui->getMaxDispIndex() > 5; }));
    QCoreApplication::processEvents();

    // A deal at a visible tick, at that tick's price.
    const int bar = ui->getMaxDispIndex() - 5;
    const qint64 t = ui->m_tradeDateList.at(bar);
    const double price = graph->series()->valueAtIndex(bar);
    ASSERT_TRUE(std::isfinite(price));
    const QString when = QDateTime::fromSecsSinceEpoch(t).toString("yyyyMMdd hh:mm:ss");
    ASSERT_TRUE(CLinkageManager::instance()->importDeal("DCLICK1", "SH600000", when, price, 48, 777, 0));

    chart.handleEvent(3160, 0, 0, QString(), nullptr); // deals of every account by default
    ASSERT_TRUE(chart.linkageDialog()->getStocks().count("SH600000"));
    graph->refreshGraph();
    const QPoint at(ui->getXAxisByIndex(ui->getIndexByTimeTag(int(t)), -1, -1),
                    graph->series()->yOfValue(price, graph->rect()));
    QVector<std::shared_ptr<qlservice::CDealDetail>> under;
    graph->series()->getDealsAt(at.x(), at.y(), under);
    ASSERT_FALSE(under.isEmpty());

    QTest::mouseDClick(graph, Qt::LeftButton, Qt::NoModifier, at);
    TC::CKLineDealDialog* deals = chart.dealDialog();
    ASSERT_TRUE(deals);
    EXPECT_TRUE(deals->isVisible());
    ASSERT_EQ(deals->table()->rowCount(), under.size());
    bool mine = false;
    for (int r = 0; r < deals->table()->rowCount(); ++r) {
        auto d = std::dynamic_pointer_cast<qlservice::CDealDetail>(deals->table()->record(r));
        mine = mine || (d && d->m_accountId == "DCLICK1" && d->m_volume == 777);
    }
    EXPECT_TRUE(mine);

    // A double-click beside every mark changes nothing.
    chart.handleEvent(3164, 2, 2, "linkage_orders", graph);
    EXPECT_FALSE(chart.orderDialog());
    EXPECT_TRUE(deals->isVisible());
    // Nor does a pointer that is no pane of this chart.
    int stranger = 0;
    chart.handleEvent(3164, at.x(), at.y(), "linkage_deals", &stranger);
    EXPECT_TRUE(deals->isVisible());
}
