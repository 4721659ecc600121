// klineview's "期权预期": the option expectation mode of the chart's main
// pane, offered for instruments with listed options.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>

#include "CKLineViewLayout.h"
#include "CKLineViewTradeMenu.h"
#include "CKLineViewWindow.h"
#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/framework/CPushButton.h"
#include "platform/market/TraderCenter.h"

namespace {

void mouse(QWidget* w, QEvent::Type t, QPoint p, Qt::MouseButtons held)
{
    QMouseEvent e(t, p, w->mapToGlobal(p), t == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

bool listed(const QString& key)
{
    return !qlservice::TraderCenter::instance()->getDataCenter()->getDateSet(key.toStdString()).empty();
}

TEST(KLineViewOptionExpect, TheMenuEntersTheModeForAnIndexAndTheOverlayDrags)
{
    QTemporaryDir dir;
    TC::CKLineViewWindow w(TC::CKLineViewLayout(), dir.filePath("klineview.json"));
    w.resize(1000, 700);
    w.show();
    TC::CKLineViewTradeMenu* menu = w.tradeMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->optionMenu()->title(), QStringLiteral("期权预期"));
    QStringList names;
    for (QAction* a : menu->optionActions())
        names << a->text();
    EXPECT_EQ(names, (QStringList{"看涨", "看跌", "震荡", "突破", "关闭"}));

    // A stock has no options listed: the items are off and choosing one does nothing.
    ASSERT_TRUE(w.switchInstrument(QStringLiteral("SH600000")));
    ASSERT_FALSE(listed(QStringLiteral("SH600000")));
    emit menu->aboutToShow();
    EXPECT_FALSE(menu->optionMenu()->isEnabled());
    EXPECT_FALSE(menu->setOptionExpectation(2));
    EXPECT_EQ(w.chart()->getUiParam()->optionExpectMode, 0);

    ASSERT_TRUE(w.switchInstrument(QStringLiteral("SH000001")));
    ASSERT_TRUE(listed(QStringLiteral("SH000001")));
    emit menu->aboutToShow();
    EXPECT_TRUE(menu->optionMenu()->isEnabled());
    TC::CKLineGraphWidget* pane = w.chart()->mainPane()->graph();
    auto& ui = *w.chart()->getUiParam();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ui.getLastIndex() > 10; }, 20000));
    const int bars = ui.getLastIndex();

    menu->optionActions().at(2)->trigger(); // 震荡
    EXPECT_EQ(ui.optionExpectMode, 1);
    EXPECT_EQ(ui.winnerType, 2);
    EXPECT_EQ(ui.minDispSpan, 300);
    EXPECT_TRUE(menu->optionActions().at(2)->isChecked());
    // The reload runs the window past the last bar to the latest listed expiry.
    ASSERT_TRUE(QTest::qWaitFor([&] { return ui.actualEnd > ui.getLastIndex(); }, 20000));
    EXPECT_EQ(ui.getLastIndex(), bars);
    EXPECT_EQ(ui.actualEnd - ui.getLastIndex(), ui.optionExtraDays());
    EXPECT_EQ(ui.getMaxDispIndex(), ui.actualEnd);
    pane->refreshGraph();
    KW::CPushButton* upper = pane->winnerButton(1000);
    ASSERT_NE(upper, nullptr);
    for (int id = 1000; id <= 1003; ++id)
        EXPECT_TRUE(pane->winnerButton(id)->isVisible()) << id;
    EXPECT_GT(ui.winnerSetting.upperPrice, ui.winnerSetting.lowerPrice);
    EXPECT_GT(ui.winnerSetting.expireTimeTag, ui.getLastTimeTag());

    // Upwards by 40 pixels: a higher upper price.
    const double before = ui.winnerSetting.upperPrice;
    const QPoint c = upper->rect().center();
    mouse(upper, QEvent::MouseButtonPress, c, Qt::LeftButton);
    mouse(upper, QEvent::MouseMove, c - QPoint(0, 20), Qt::LeftButton);
    const QPoint last = c - QPoint(0, 40) + QPoint(0, 20); // the button moved up 20 meanwhile
    mouse(upper, QEvent::MouseMove, last, Qt::LeftButton);
    mouse(upper, QEvent::MouseButtonRelease, last, Qt::NoButton);
    EXPECT_GT(ui.winnerSetting.upperPrice, before);
    EXPECT_FALSE(pane->isWinnerDragging());

    // A stock leaves the mode.
    ASSERT_TRUE(w.switchInstrument(QStringLiteral("SH600000")));
    EXPECT_EQ(ui.optionExpectMode, 0);
    EXPECT_EQ(ui.minDispSpan, 20);
    ASSERT_TRUE(w.switchInstrument(QStringLiteral("SH000001")));
    EXPECT_TRUE(menu->setOptionExpectation(0));
    EXPECT_EQ(ui.optionExpectMode, 1);

    menu->optionActions().at(4)->trigger(); // 关闭
    EXPECT_EQ(ui.optionExpectMode, 0);
    EXPECT_EQ(ui.minDispSpan, 20);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return ui.getLastIndex() > 10 && ui.actualEnd == ui.getLastIndex(); }, 20000));
    pane->refreshGraph();
    EXPECT_FALSE(pane->winnerButton(1000)->isVisible());
    EXPECT_FALSE(pane->winnerButton(1002)->isVisible());
    EXPECT_FALSE(menu->optionActions().at(4)->isEnabled());
}

} // namespace
