// The region statistics dialog and the stage ranking dialog: what they
// show, the events their buttons send and the results they close with.
#include <gtest/gtest.h>

#include <QAction>
#include <QButtonGroup>
#include <QCalendarWidget>
#include <QDateTime>
#include <QLabel>
#include <QRadioButton>
#include <QTimer>

#include "common/EventLog.h"
#include "dialogs/CKLineStageDialog.h"
#include "dialogs/CKLineStatisticDialog.h"
#include "platform/framework/CEventDeliverer.h"
#include "platform/framework/CMessageBox.h"
#include "platform/framework/CPushButton.h"
#include "platform/framework/CSoftCalendarLineEdit.h"

using TC::CKLineStageDialog;
using TC::CKLineStatisticDialog;

namespace {

class CHost : public KW::CEventDeliverer, public ktest::EventLog
{
public:
    bool handleEvent(int id, int p1, int p2, const QString& text, void* data) override
    {
        record(id, p1, p2, text, data);
        return true;
    }
};

qint64 secs(int y, int m, int d)
{
    return QDateTime(QDate(y, m, d), QTime(0, 0)).toSecsSinceEpoch();
}

class StatisticDialog : public ::testing::Test
{
protected:
    void SetUp() override { KW::CMessageBox::setAutoAnswer(0); }
    void TearDown() override { KW::CMessageBox::setAutoAnswer(-1); }

    QMap<int, QString> stats{{0, "10.00"}, {6, "12.34"}, {19, "0.56"}, {9, "非法值"}, {15, ""}, {24, "3"}};
    const qint64 start = secs(2026, 3, 2);
    const qint64 end = secs(2026, 4, 30);
    CHost host;
};

TEST_F(StatisticDialog, ShowsTheTwoColumnsTheCountAndTheTitle)
{
    CKLineStatisticDialog dialog(QStringLiteral("贵州茅台"), 42, start, end, stats, 1, 86400);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("贵州茅台 时段统计"));
    EXPECT_EQ(dialog.size(), QSize(400, 320));
    EXPECT_EQ(dialog.countText(), QStringLiteral("共 42 个周期"));
    EXPECT_EQ(dialog.shownValue(6), QStringLiteral("12.34(万)"));
    EXPECT_EQ(dialog.shownValue(19), QStringLiteral("0.56(万)"));
    EXPECT_EQ(dialog.shownValue(9), QStringLiteral("非法值"));
    // Keys outside both columns, and missing values, show nothing.
    EXPECT_TRUE(dialog.shownValue(15).isEmpty());
    EXPECT_TRUE(dialog.shownValue(13).isEmpty());
    const auto* amount = dialog.findChild<QLabel*>(QStringLiteral("statistic_6"));
    ASSERT_TRUE(amount);
    EXPECT_EQ(amount->text(), QStringLiteral("12.34(万)"));
    EXPECT_FALSE(dialog.findChild<QLabel*>(QStringLiteral("statistic_15")));
    EXPECT_EQ(CKLineStatisticDialog::leftKeys().size() + CKLineStatisticDialog::rightKeys().size(), 21);
    for (int id : {601, 602, 603}) {
        ASSERT_TRUE(dialog.button(id)) << id;
        EXPECT_EQ(dialog.button(id)->size(), QSize(65, 21));
    }
}

TEST_F(StatisticDialog, AnEmptyMapGivesAnEmptyDialog)
{
    CKLineStatisticDialog dialog(QStringLiteral("X"), 5, start, end, {}, 0, 86400);
    for (int key = 0; key < 26; ++key)
        EXPECT_TRUE(dialog.shownValue(key).isEmpty()) << key;
}

TEST_F(StatisticDialog, QuoteButtonAsksTheHostAndCloses)
{
    CKLineStatisticDialog dialog(QStringLiteral("X"), 5, start, end, stats, 3, 300);
    dialog.setUpstream(&host);
    dialog.show();
    dialog.button(602)->click();
    ASSERT_EQ(host.count(219), 1);
    EXPECT_EQ(host.last(219)->text, QStringLiteral("%1,%2,3,300").arg(start).arg(end));
    EXPECT_EQ(dialog.result(), 101);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(StatisticDialog, CloseButtonSendsNothing)
{
    CKLineStatisticDialog dialog(QStringLiteral("X"), 5, start, end, stats, 3, 300);
    dialog.setUpstream(&host);
    dialog.show();
    dialog.button(601)->click();
    EXPECT_EQ(dialog.result(), 101);
    EXPECT_TRUE(host.events.empty());
}

TEST_F(StatisticDialog, StageRankingConfirmedClosesBoth)
{
    CKLineStatisticDialog dialog(QStringLiteral("X"), 5, start, end, stats, 2, 86400);
    dialog.setUpstream(&host);
    dialog.show();
    // The stage dialog runs modally: answer it from the event loop.
    QTimer::singleShot(0, [&dialog] {
        CKLineStageDialog* stage = dialog.stageDialog();
        ASSERT_TRUE(stage);
        stage->setCriterion(6);
        stage->button(702)->click();
    });
    dialog.button(603)->click();
    ASSERT_EQ(host.count(3180), 1);
    EXPECT_EQ(host.last(3180)->text, QStringLiteral("%1,%2,2,86400,6,阶段振幅").arg(start).arg(end));
    EXPECT_EQ(dialog.result(), 101);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(StatisticDialog, StageRankingClosedKeepsTheStatisticsOpen)
{
    CKLineStatisticDialog dialog(QStringLiteral("X"), 5, start, end, stats, 2, 86400);
    dialog.setUpstream(&host);
    dialog.show();
    CKLineStageDialog* first = nullptr;
    QTimer::singleShot(0, [&dialog, &first] {
        first = dialog.stageDialog();
        first->button(703)->click();
    });
    dialog.button(603)->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(host.count(3180), 0);
    // Made once: a second click shows the same dialog again.
    QTimer::singleShot(0, [&dialog, &first] {
        EXPECT_EQ(dialog.stageDialog(), first);
        dialog.stageDialog()->reject();
    });
    dialog.button(603)->click();
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(StatisticDialog, StageDialogCriteriaAndDates)
{
    CKLineStageDialog stage;
    stage.setUpstream(&host);
    EXPECT_EQ(stage.checkedCriterion(), 4);
    EXPECT_EQ(CKLineStageDialog::criterionLabels().value(4), QStringLiteral("阶段涨幅"));
    EXPECT_EQ(stage.criteria()->buttons().size(), 8);
    stage.criteria()->button(0)->click();
    stage.criteria()->button(7)->click();
    int checked = 0;
    for (QAbstractButton* b : stage.criteria()->buttons())
        checked += b->isChecked();
    EXPECT_EQ(checked, 1);
    EXPECT_EQ(stage.checkedCriterion(), 7);
    EXPECT_EQ(stage.startEdit()->placeholderText(), QStringLiteral("0000-00-00"));

    stage.setData(start + 3600 * 10, end + 3600 * 15, 1, 604800);
    EXPECT_EQ(stage.startEdit()->text(), QStringLiteral("2026-03-02"));
    EXPECT_EQ(stage.endEdit()->text(), QStringLiteral("2026-04-30"));
    stage.show();
    stage.button(702)->click();
    ASSERT_EQ(host.count(3180), 1);
    const QStringList fields = host.last(3180)->text.split(',');
    ASSERT_EQ(fields.size(), 6);
    EXPECT_EQ(fields[0].toLongLong(), start);
    EXPECT_EQ(fields[1].toLongLong(), end);
    EXPECT_EQ(fields[2], QStringLiteral("1"));
    EXPECT_EQ(fields[3], QStringLiteral("604800"));
    EXPECT_EQ(fields[4], QStringLiteral("7"));
    EXPECT_EQ(fields[5], QStringLiteral("阶段平均价"));
    EXPECT_EQ(stage.result(), 0);
}

TEST_F(StatisticDialog, StageDialogRefusesBadDates)
{
    CKLineStageDialog stage;
    stage.setUpstream(&host);
    stage.setData(end, start, 0, 86400); // start after end
    stage.show();
    const int boxes = KW::CMessageBox::shownCount();
    stage.button(702)->click();
    EXPECT_EQ(KW::CMessageBox::shownCount(), boxes + 1);
    stage.startEdit()->setText(QStringLiteral("2026-02-30"));
    stage.button(702)->click();
    EXPECT_EQ(KW::CMessageBox::shownCount(), boxes + 2);
    EXPECT_TRUE(stage.isVisible());
    EXPECT_EQ(host.count(3180), 0);
}

TEST_F(StatisticDialog, CalendarPickWritesTheDate)
{
    KW::CSoftCalendarLineEdit edit;
    edit.setDate(QDate(2025, 7, 9));
    edit.show();
    edit.calendarAction()->trigger();
    ASSERT_TRUE(edit.isCalendarVisible());
    EXPECT_EQ(edit.calendar()->selectedDate(), QDate(2025, 7, 9));
    emit edit.calendar()->clicked(QDate(2025, 8, 1));
    EXPECT_EQ(edit.date(), QDate(2025, 8, 1));
    EXPECT_FALSE(edit.isCalendarVisible());
    edit.setText(QStringLiteral("2025-13-01"));
    EXPECT_FALSE(edit.getDateTime().isValid());
}

} // namespace
