// The pane's dialog commands: "时段行情" in the main pane and "生成外部数据"
// in an indicator pane, where they are offered, and the dialogs they keep.
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include "common/TestHelpers.h"
#include "dialogs/CKLineGenerateExternalDialog.h"
#include "dialogs/CTimeFieldSelectionDialog.h"
#include "pane/PaneTestSupport.h"
#include "platform/formula/service/CExternalDataManager.h"
#include "platform/framework/CCheckBox.h"
#include "platform/framework/CMessageBox.h"
#include "platform/framework/CPushButton.h"

using ptest::PaneFixture;

namespace {

QStringList texts(const QMenu* menu)
{
    QStringList out;
    for (QAction* a : menu->actions())
        if (!a->isSeparator())
            out << a->text();
    return out;
}

QAction* item(const QMenu* menu, const QString& text)
{
    for (QAction* a : menu->actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

class PaneDialogs : public PaneFixture
{
protected:
    void TearDown() override
    {
        KW::CMessageBox::setAutoAnswer(-1);
        PaneFixture::TearDown();
    }
    std::unique_ptr<QMenu> menu() { return std::unique_ptr<QMenu>(graph->createContextMenu()); }
    bool offers(const QString& text) { return menu() && texts(menu().get()).contains(text); }
    ktest::ScopedClientType client{1};
    ktest::ScopedUserConfig user{std::make_shared<TC::CUserConfig>()};
};

TEST_F(PaneDialogs, PeriodQuoteIsOfferedWhereAllowedAndKeepsOneDialog)
{
    build(30);
    {
        auto m = menu();
        const QStringList t = texts(m.get());
        // After the editing items, before the overlays.
        EXPECT_EQ(t.indexOf("时段行情"), t.indexOf("修改K线数据") + 1);
    }
    graph->setTimeRangeQuotation(false);
    EXPECT_FALSE(offers("时段行情"));
    graph->setTimeRangeQuotation(true);
    {
        ktest::ScopedClientType client3(3);
        EXPECT_FALSE(offers("时段行情"));
    }

    item(menu().get(), "时段行情")->trigger();
    auto dialogs = graph->findChildren<TC::CTimeFieldSelectionDialog*>();
    ASSERT_EQ(dialogs.size(), 1);
    TC::CTimeFieldSelectionDialog* dlg = dialogs.first();
    EXPECT_TRUE(dlg->isVisible());
    dlg->close();
    item(menu().get(), "时段行情")->trigger();
    EXPECT_EQ(graph->findChildren<TC::CTimeFieldSelectionDialog*>(), dialogs);
    EXPECT_TRUE(dlg->isVisible());

    // Its zoom reaches the pane's container: bars 3..5 are 2024-01-05..07
    // (local days, as the dialog reads dates).
    ui->m_tradeDateList = ktest::dailyTags(QDate(2024, 1, 2), 30);
    dlg->startEdit()->setText("2024-01-05");
    dlg->endEdit()->setText("2024-01-07");
    QTest::mouseClick(dlg->okButton(), Qt::LeftButton);
    ASSERT_TRUE(sink.last(190));
    EXPECT_EQ(sink.last(190)->p1, 3);
    EXPECT_EQ(sink.last(190)->p2, 5);
    EXPECT_EQ(sink.count(191), 0);
}

// An indicator pane whose MACD result names two outputs with values and one
// without a column.
class ExternalPane : public PaneDialogs
{
protected:
    void buildMacd(int viewType = 0)
    {
        build(0, QSize(420, 200), {"MACD"}, 1, viewType);
        series->book(TC::CFormulaKey("SH600000", "MACD"), "macd-id");
        auto meta = std::make_shared<se::RPCFormulaMetaResult>();
        auto result = std::make_shared<se::RPCFormulaResult>();
        meta->formulaName = "MACD";
        meta->names = {"DIF", "DEA", "NOTE"};
        meta->styles = {0, 0, -1};
        meta->columns = {{0}, {1}, {}};
        const QVector<qint64> tags = ptest::dayTags(3);
        for (int i = 0; i < 3; ++i) {
            result->times.push_back({tags[i] * 1000, 0});
            result->barFlags.push_back(1);
        }
        result->values = {{1.0, 2.0, 3.0}, {4.0, 5.0, 6.0}};
        result->columnMap = {{0, 0}, {1, 1}};
        result->periodMs = 86400000;
        series->formulaHistoryCallback(meta, result, "macd-id", 1, QString(), false, true);
        ui->m_tradeDateList = tags;
    }
};

TEST_F(ExternalPane, GenerateIsOfferedAfterCopyResultsOutsideView7Client3AndQuickTrading)
{
    buildMacd();
    const QStringList t = texts(menu().get());
    ASSERT_TRUE(t.contains("复制模型运行结果"));
    EXPECT_EQ(t.indexOf("生成外部数据"), t.indexOf("复制模型运行结果") + 1);
    graph->setQuickBuySell(true);
    EXPECT_FALSE(offers("生成外部数据"));
    graph->setQuickBuySell(false);
    {
        ktest::ScopedClientType client3(3);
        EXPECT_FALSE(offers("生成外部数据"));
    }
    buildMacd(7);
    EXPECT_FALSE(offers("生成外部数据"));
}

TEST_F(ExternalPane, TheDialogListsTheOutputsWithValuesAndStoresThem)
{
    buildMacd();
    TC::CExternalDataManager::instance()->removeData("DEA");
    item(menu().get(), "生成外部数据")->trigger();
    auto dialogs = graph->findChildren<TC::CKLineGenerateExternalDialog*>();
    ASSERT_EQ(dialogs.size(), 1);
    TC::CKLineGenerateExternalDialog* dlg = dialogs.first();
    EXPECT_TRUE(dlg->isVisible());
    QStringList boxes;
    for (KW::CCheckBox* b : dlg->checkBoxes())
        boxes << b->text();
    EXPECT_EQ(boxes, QStringList({"DIF", "DEA"}));
    EXPECT_EQ(dlg->dataInfo().market, "SH");
    EXPECT_EQ(dlg->dataInfo().code, "600000");
    EXPECT_EQ(dlg->dataInfo().periodMs, 86400000);

    dlg->checkBoxes()[1]->setChecked(true);
    dlg->button(TC::CKLineGenerateExternalDialog::OkButton)->click();
    const QVector<qint64> tags = ptest::dayTags(3);
    EXPECT_EQ(TC::CExternalDataManager::instance()->data("DEA"),
              TC::CExternalDataManager::Points({{tags[0] * 1000, 4.0}, {tags[1] * 1000, 5.0}, {tags[2] * 1000, 6.0}}));

    // Shown again: the same dialog, refilled (nothing ticked).
    item(menu().get(), "生成外部数据")->trigger();
    EXPECT_EQ(graph->findChildren<TC::CKLineGenerateExternalDialog*>(), dialogs);
    EXPECT_FALSE(dlg->checkBoxes()[1]->isChecked());
}

TEST_F(ExternalPane, WithoutAResultItSaysSoAndOpensNothing)
{
    build(0, QSize(420, 200), {"MACD"}, 1);
    KW::CMessageBox::setAutoAnswer(QMessageBox::Ok);
    const int shown = KW::CMessageBox::shownCount();
    item(menu().get(), "生成外部数据")->trigger();
    EXPECT_EQ(KW::CMessageBox::shownCount(), shown + 1);
    EXPECT_TRUE(graph->findChildren<TC::CKLineGenerateExternalDialog*>().isEmpty());
}

} // namespace
