#include <memory>
#include <set>

#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

#include "common/TestHelpers.h"
#include "dialogs/CKLineDealDialog.h"
#include "dialogs/CKLineOrderDialog.h"
#include "dialogs/CKLineProgressWidget.h"
#include "dialogs/CKLineTaskTableDialog.h"
#include "dialogs/CLinkageRecordWindows.h"
#include "dialogs/CTaskTableCancelButton.h"
#include "platform/framework/CHpfDataTable.h"
#include "platform/framework/CMessageBox.h"
#include "platform/framework/COddEvenRowTable.h"
#include "platform/framework/CUiResource.h"
#include "platform/market/CMarketStore.h"
#include "platform/trading/CLinkageManager.h"
#include "platform/trading/DataHelper.h"
#include "platform/trading/TradeTexts.h"

using qlservice::CDealDetail;
using qlservice::COrderDetail;
using qlservice::CTaskDetail;
using qlservice::DataHelper;
using TC::CLinkageManager;

namespace {

class LinkageRecordDialogsTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_store = new TC::CMarketStore(TC::CMarketStore::kDefaultSeed, QDate(2026, 11, 27), false);
        CLinkageManager::instance()->reset(s_store, 7);
    }
    static void TearDownTestSuite()
    {
        CLinkageManager::instance()->reset(nullptr, CLinkageManager::kDefaultSeed);
        delete s_store;
        s_store = nullptr;
    }
    void TearDown() override { KW::CMessageBox::setAutoAnswer(-1); }

    static std::set<std::string> accounts()
    {
        std::set<std::string> ids;
        for (const auto& a : CLinkageManager::instance()->getAccounts())
            ids.insert(a.accountId);
        return ids;
    }
    static std::vector<std::shared_ptr<CTaskDetail>> tasks()
    {
        std::vector<std::shared_ptr<CTaskDetail>> out;
        for (const auto& acc : CLinkageManager::instance()->getTaskDetails(accounts()))
            for (const auto& t : acc.second)
                out.push_back(t.second);
        return out;
    }
    static inline TC::CMarketStore* s_store = nullptr;
};

std::vector<std::shared_ptr<COrderDetail>> manyOrders(int n)
{
    std::vector<std::shared_ptr<COrderDetail>> out;
    for (int i = 0; i < n; ++i) {
        auto o = std::make_shared<COrderDetail>();
        o->m_accountId = "A";
        o->m_orderId = std::to_string(i);
        o->m_volume = 100 * (i + 1);
        out.push_back(o);
    }
    return out;
}

} // namespace

TEST_F(LinkageRecordDialogsTest, OrderAndDealTablesListTheRecords)
{
    TC::CKLineOrderDialog orders;
    TC::CKLineDealDialog deals;
    EXPECT_EQ(orders.windowTitle(), QStringLiteral("委托明细"));
    EXPECT_EQ(deals.windowTitle(), QStringLiteral("成交明细"));
    EXPECT_EQ(orders.table()->columnCount(), 20);
    EXPECT_EQ(deals.table()->columnCount(), 18);

    std::vector<std::shared_ptr<CDealDetail>> dealList;
    auto* m = CLinkageManager::instance();
    for (const auto& acc : m->getDealDetails(m->getTradeDate(), "SH600000", accounts()))
        for (const auto& d : acc.second)
            dealList.push_back(d.second);
    ASSERT_FALSE(dealList.empty());
    deals.setData(dealList);
    ASSERT_EQ(deals.table()->rowCount(), int(dealList.size()));
    const QAbstractItemModel* model = deals.table()->model();
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("成交编号"));
    EXPECT_EQ(model->data(model->index(0, 1)).toString(), QString::fromStdString(dealList[0]->m_dealId));
    EXPECT_EQ(model->data(model->index(0, 11)).toString(), QString::number(dealList[0]->m_volume));

    // Thousands of rows; a second set replaces the first.
    orders.setData(manyOrders(5000));
    EXPECT_EQ(orders.table()->rowCount(), 5000);
    orders.setData(manyOrders(3));
    EXPECT_EQ(orders.table()->rowCount(), 3);
    EXPECT_EQ(orders.table()->model()->data(orders.table()->model()->index(2, 10)).toString(),
              QStringLiteral("300"));
}

TEST_F(LinkageRecordDialogsTest, ColumnSettingsComeFromTheUserConfiguration)
{
    auto config = std::make_shared<TC::CUserConfig>();
    config->setTableColumns(TC::CKLineOrderDialog::kTableId, QStringLiteral("1:123, 3:0, junk, 99:40, 4:-2"));
    ktest::ScopedUserConfig scoped(config);
    TC::CKLineOrderDialog dialog;
    TC::CHpfDataTable* table = dialog.table();
    EXPECT_EQ(table->columnWidth(1), 123);
    EXPECT_TRUE(table->isColumnHidden(3));
    EXPECT_FALSE(table->isColumnHidden(4));
    dialog.setData(manyOrders(10));
    EXPECT_EQ(table->columnWidth(1), 123); // a user width survives the fit
    EXPECT_GT(table->columnWidth(0), 0);

    ktest::ScopedUserConfig none(nullptr);
    TC::CKLineOrderDialog plain;
    EXPECT_FALSE(plain.table()->isColumnHidden(3));
}

TEST_F(LinkageRecordDialogsTest, TaskTableRowsForTheInstrument)
{
    TC::CKLineTaskTableDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("任务详情"));
    EXPECT_EQ(dialog.minimumWidth(), 828);
    KW::COddEvenRowTable* table = dialog.table();
    ASSERT_EQ(table->columnCount(), 7);
    EXPECT_EQ(table->parentWidget()->objectName(), QStringLiteral("containner_RealTimeTaskTableDialog"));
    const QStringList headers = {"资金账号", "证券名称", "开始时间", "结束时间", "进度", "详情", "状态"};
    const int widths[] = {70, 80, 61, 61, 120, 249, 100};
    for (int c = 0; c < 7; ++c)
        EXPECT_EQ(table->horizontalHeaderItem(c)->text(), headers[c]);
    for (int c = 0; c < 7; ++c)
        EXPECT_EQ(table->columnWidth(c), widths[c]) << c;

    const auto all = tasks();
    const auto instrument = s_store->instrument(QStringLiteral("SH600000"));
    std::vector<std::shared_ptr<CTaskDetail>> mine;
    for (const auto& t : all)
        if (t->instrumentKey() == "SH600000")
            mine.push_back(t);
    ASSERT_FALSE(mine.empty());
    ASSERT_LT(mine.size(), all.size());
    dialog.setData(all, instrument);
    ASSERT_EQ(table->rowCount(), int(mine.size()));

    for (int r = 0; r < table->rowCount(); ++r) {
        const auto& t = mine[size_t(r)];
        EXPECT_EQ(table->item(r, 0)->text(), QString::fromStdString(t->m_accountId));
        EXPECT_EQ(table->item(r, 1)->text(), QString::fromStdString(instrument->name));
        const int end = t->m_endTime != CTaskDetail::kUnsetTime ? t->m_endTime : t->m_planEndTime;
        EXPECT_EQ(table->item(r, 3)->text(), QDateTime::fromSecsSinceEpoch(end).toString("hh:mm:ss"));
        auto* progress = qobject_cast<TC::CKLineProgressWidget*>(table->cellWidget(r, 4));
        ASSERT_TRUE(progress);
        int full = 0;
        for (const auto& o : t->m_orders)
            full += o->m_tradedVolume == o->m_volume ? 1 : 0;
        EXPECT_EQ(progress->total(), t->m_itemCount);
        EXPECT_EQ(progress->finished(), full);
        QWidget* details = table->cellWidget(r, 5);
        ASSERT_TRUE(details);
        EXPECT_EQ(details->objectName(), QStringLiteral("table_transaction_details"));
        const auto labels = details->findChildren<QLabel*>();
        ASSERT_EQ(labels.size(), 3);
        EXPECT_EQ(labels[0]->text(), QStringLiteral("以"));
        EXPECT_TRUE(
            labels[2]->text().endsWith(t->m_operation == 25 ? QStringLiteral("元") : QStringLiteral("股")));
        auto* cancel = table->cellWidget(r, 6)
                           ? table->cellWidget(r, 6)->findChild<TC::CTaskTableCancelButton*>()
                           : nullptr;
        if (DataHelper::isCancelableTask(t->m_status)) {
            ASSERT_TRUE(cancel);
            EXPECT_EQ(table->cellWidget(r, 6)->objectName(), QStringLiteral("realtime_task__details"));
            EXPECT_EQ(cancel->valueA(), t->m_taskId);
            EXPECT_EQ(cancel->valueB(), t->m_sessionId);
        } else {
            EXPECT_FALSE(cancel);
            EXPECT_EQ(table->item(r, 6)->text(), TC::getTaskStatusQString(t->m_status));
        }
    }
    dialog.setData(all, nullptr);
    EXPECT_EQ(table->rowCount(), 0);
}

TEST_F(LinkageRecordDialogsTest, CancelButtonAsksThenCancels)
{
    std::shared_ptr<CTaskDetail> task;
    for (const auto& t : tasks())
        if (!task && DataHelper::isCancelableTask(t->m_status))
            task = t;
    ASSERT_TRUE(task);
    TC::CTaskTableCancelButton button;
    EXPECT_EQ(button.text(), QStringLiteral("撤销"));
    EXPECT_EQ(button.size(), QSize(40, 16));
    EXPECT_EQ(button.focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(button.valueA(), -1);
    button.setValue(task->m_taskId, task->m_sessionId);

    auto statusNow = [&] {
        return CLinkageManager::instance()
            ->getTaskDetails({task->m_accountId})
            .at(task->m_accountId)
            .at(task->m_taskId)
            ->m_status;
    };
    KW::CMessageBox::setAutoAnswer(QMessageBox::No);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(KW::CMessageBox::lastTitle(), QStringLiteral("提示"));
    EXPECT_EQ(KW::CMessageBox::lastText(), QStringLiteral("您确定要撤销任务?"));
    EXPECT_EQ(KW::CMessageBox::lastKind(), int(KW::CMessageBox::Question));
    EXPECT_EQ(statusNow(), task->m_status);
    EXPECT_TRUE(button.isEnabled());

    KW::CMessageBox::setAutoAnswer(QMessageBox::Yes);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(statusNow(), DataHelper::kTaskCancelled);
    EXPECT_FALSE(button.isEnabled());
}

TEST_F(LinkageRecordDialogsTest, ProgressBarPaintsTheFinishedShare)
{
    TC::CKLineProgressWidget w;
    w.resize(120, 24);
    const QColor bar = KW::CUiResource::instance()->getColor(QStringLiteral("clr_task_progress_background"));
    w.setTotal(12);
    w.setFinished(3);
    // 3 x 119 / 12 + 0.5 = 30.25: 30 pixels.
    EXPECT_EQ(w.barWidth(), 30);
    QImage img = w.grab().toImage();
    EXPECT_EQ(img.pixelColor(0, 23), bar);
    EXPECT_EQ(img.pixelColor(29, 17), bar);
    EXPECT_NE(img.pixelColor(30, 23), bar);
    EXPECT_NE(img.pixelColor(29, 16), bar); // 7 pixels high
    w.setFinished(12);
    img = w.grab().toImage();
    EXPECT_EQ(img.pixelColor(119, 23), bar);
    w.setTotal(0);
    EXPECT_EQ(w.barWidth(), 120);
}

TEST_F(LinkageRecordDialogsTest, OneRecordWindowOfAChartAtATime)
{
    QWidget chart, otherChart;
    auto* orders = new TC::CKLineOrderDialog(&chart);
    auto* deals = new TC::CKLineDealDialog(&chart);
    auto* tasks = new TC::CKLineTaskTableDialog(&chart);
    auto* otherDeals = new TC::CKLineDealDialog(&otherChart);
    otherDeals->show();
    orders->show();
    EXPECT_EQ(TC::CLinkageRecordWindows::visibleCount(&chart), 1);
    deals->show();
    EXPECT_FALSE(orders->isVisible());
    EXPECT_TRUE(deals->isVisible());
    tasks->show();
    EXPECT_EQ(TC::CLinkageRecordWindows::visibleCount(&chart), 1);
    EXPECT_TRUE(tasks->isVisible());
    EXPECT_TRUE(otherDeals->isVisible()); // another chart's window stays
    delete deals;
    orders->show();
    EXPECT_FALSE(tasks->isVisible());
    EXPECT_EQ(TC::CLinkageRecordWindows::visibleCount(&chart), 1);
}
