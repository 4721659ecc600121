// "时段行情": defaults, the bars a date range stands for, the events sent for
// it, and the ranges refused.
#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "common/EventLog.h"
#include "common/TestHelpers.h"
#include "dialogs/CTimeFieldSelectionDialog.h"
#include "model/CKLineUiParam.h"
#include "platform/framework/CBaseWidget.h"
#include "platform/framework/CCheckBox.h"
#include "platform/framework/CMessageBox.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CStockManager.h"

using ktest::tag;
using TC::CTimeFieldSelectionDialog;

namespace {

// The pane the dialog belongs to: records what reaches it.
class CHostPane : public KW::CBaseWidget, public ktest::EventLog
{
public:
    bool handleEvent(int id, int p1, int p2, const QString& text, void* data) override
    {
        record(id, p1, p2, text, data);
        return true;
    }
};

class TimeFieldDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        KW::CMessageBox::setAutoAnswer(QMessageBox::Ok);
        ui = boost::make_shared<TC::CKLineUiParam>();
        ui->setStock(TC::CStockManager::getInstrumentDetail("SH600000"));
        // Fri 5th, Mon 8th, 9th, 10th, Fri 12th (no bar on the 11th).
        ui->m_tradeDateList = {tag(2024, 1, 5), tag(2024, 1, 8), tag(2024, 1, 9), tag(2024, 1, 10),
                               tag(2024, 1, 12)};
        dlg.reset(new CTimeFieldSelectionDialog(ui, nullptr, &host));
        dlg->show();
    }
    void TearDown() override
    {
        dlg.reset();
        KW::CMessageBox::setAutoAnswer(-1);
    }
    void enter(const QString& start, const QString& end, bool statistic)
    {
        dlg->startEdit()->setText(start);
        dlg->endEdit()->setText(end);
        dlg->statisticBox()->setChecked(statistic);
        QTest::mouseClick(dlg->okButton(), Qt::LeftButton);
    }
    // A refused range: the message, nothing sent, the dialog still open.
    void expectRefused(const QString& start, const QString& end, const QString& message)
    {
        host.events.clear();
        dlg->show();
        const int shown = KW::CMessageBox::shownCount();
        enter(start, end, true);
        EXPECT_EQ(KW::CMessageBox::shownCount(), shown + 1) << start.toStdString() << " " << end.toStdString();
        EXPECT_EQ(KW::CMessageBox::lastKind(), int(KW::CMessageBox::Warning));
        EXPECT_EQ(KW::CMessageBox::lastText(), message);
        EXPECT_TRUE(host.events.empty());
        EXPECT_TRUE(dlg->isVisible());
    }

    CHostPane host;
    boost::shared_ptr<TC::CKLineUiParam> ui;
    std::unique_ptr<CTimeFieldSelectionDialog> dlg;
};

TEST_F(TimeFieldDialog, ShowsItsControlsWithTheLastTradingDayAndOneMonthBefore)
{
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("时段行情"));
    for (QLineEdit* e : {dlg->startEdit(), dlg->endEdit()}) {
        EXPECT_EQ(e->inputMask(), QStringLiteral("0000-00-00"));
        EXPECT_EQ(e->placeholderText(), QStringLiteral("0000-00-00"));
    }
    EXPECT_EQ(dlg->statisticBox()->text(), QStringLiteral("时段统计"));
    EXPECT_FALSE(dlg->statisticBox()->isChecked());
    EXPECT_EQ(dlg->okButton()->text(), QStringLiteral("确定"));
    EXPECT_EQ(dlg->cancelButton()->text(), QStringLiteral("取消"));

    const int day = TC::CStockManager::getLastTradingDay("SH");
    ASSERT_GT(day, 0);
    const QDate end = TC::CLocalTimeConverter::dateOf(day);
    EXPECT_EQ(dlg->endEdit()->text(), end.toString("yyyy-MM-dd"));
    // One calendar month back, by hand: the month before, the day clamped.
    const int y = end.month() == 1 ? end.year() - 1 : end.year();
    const int m = end.month() == 1 ? 12 : end.month() - 1;
    const QDate start(y, m, std::min(end.day(), QDate(y, m, 1).daysInMonth()));
    EXPECT_EQ(dlg->startEdit()->text(), start.toString("yyyy-MM-dd"));

    QTest::mouseClick(dlg->cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_TRUE(host.events.empty());
}

TEST_F(TimeFieldDialog, UncheckedSendsOnlyTheZoomToTheBarsOfBothWholeDays)
{
    // Sat 6th to Tue 9th: Mon 8th (bar 1) to Tue 9th (bar 2).
    enter("2024-01-06", "2024-01-09", false);
    EXPECT_FALSE(dlg->isVisible());
    ASSERT_EQ(host.events.size(), 1u);
    EXPECT_EQ(host.events[0].id, 190);
    EXPECT_EQ(host.events[0].p1, 1);
    EXPECT_EQ(host.events[0].p2, 2);

    // An end date after the last bar runs up to the last bar.
    host.events.clear();
    dlg->show();
    enter("2024-01-10", "2024-03-01", false);
    ASSERT_EQ(host.events.size(), 1u);
    EXPECT_EQ(host.events[0].p1, 3);
    EXPECT_EQ(host.events[0].p2, 4);
}

TEST_F(TimeFieldDialog, CheckedAlsoOpensTheStatisticsWithLastBarAndBothTimes)
{
    // 9th to 11th: bars 2 and 3 (the 12th is after the range).
    enter("2024-01-09", "2024-01-11", true);
    ASSERT_EQ(host.events.size(), 2u);
    EXPECT_EQ(host.events[0].id, 190);
    EXPECT_EQ(host.events[0].p1, 2);
    EXPECT_EQ(host.events[0].p2, 3);
    EXPECT_EQ(host.events[1].id, 191);
    EXPECT_EQ(host.events[1].p1, 2);
    EXPECT_EQ(host.events[1].p2, 0);
    EXPECT_EQ(host.events[1].text,
              QStringLiteral("3,%1,%2").arg(tag(2024, 1, 9)).arg(tag(2024, 1, 10)));
}

TEST_F(TimeFieldDialog, IntradayBarsOfTheEndDayAreIncluded)
{
    ui->m_tradeDateList = {tag(2024, 1, 8, 9, 30), tag(2024, 1, 8, 14, 0), tag(2024, 1, 9, 9, 30),
                           tag(2024, 1, 9, 14, 0)};
    enter("2024-01-08", "2024-01-08", false);
    ASSERT_EQ(host.events.size(), 1u);
    EXPECT_EQ(host.events[0].p1, 0);
    EXPECT_EQ(host.events[0].p2, 1);
}

TEST_F(TimeFieldDialog, BadDatesAndEmptyRangesAreRefusedWithAMessage)
{
    const QString badStart = QStringLiteral("起始时间不是有效的日期，请按“年-月-日”输入");
    const QString badEnd = QStringLiteral("终止时间不是有效的日期，请按“年-月-日”输入");
    const QString noBars = QStringLiteral("所选时段内没有K线数据");
    expectRefused("2024-01", "2024-01-09", badStart);
    expectRefused("", "2024-01-09", badStart);
    expectRefused("2024-01-05", "2024-02-30", badEnd);
    expectRefused("2024-13-01", "2024-01-09", badStart);
    expectRefused("2024-01-10", "2024-01-09", QStringLiteral("起始时间不能晚于终止时间"));
    expectRefused("2024-01-11", "2024-01-11", noBars);
    expectRefused("2023-12-01", "2023-12-31", noBars);
    expectRefused("2024-02-01", "2024-02-10", noBars);
    ui->m_tradeDateList.clear();
    expectRefused("2024-01-05", "2024-01-12", noBars);
    // The entries stay as typed for the user to correct.
    EXPECT_EQ(dlg->startEdit()->text(), QStringLiteral("2024-01-05"));
}

} // namespace
