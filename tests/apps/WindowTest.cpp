#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "CKLineViewLayout.h"
#include "CKLineViewWindow.h"
#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "platform/formula/catalog/FormulaPeriod.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/market/CMarketSimulator.h"

using TC::CKLineViewLayout;
using TC::CKLineViewWindow;

namespace {

bool waitForData(const TC::CKLineMainWidget* chart)
{
    QElapsedTimer t;
    t.start();
    while (!chart->mainPane()->hasData() && t.elapsed() < 10000)
        QTest::qWait(20);
    return chart->mainPane()->hasData();
}

QAction* menuAction(QToolButton* button, const QString& menuTitle, const QString& text)
{
    for (QAction* a : button->menu()->actions()) {
        if (!menuTitle.isEmpty() && a->menu() && a->text() == menuTitle) {
            for (QAction* b : a->menu()->actions())
                if (b->text() == text)
                    return b;
        } else if (menuTitle.isEmpty() && a->text() == text) {
            return a;
        }
    }
    return nullptr;
}

} // namespace

class KLineViewWindowTest : public ::testing::Test
{
protected:
    QTemporaryDir m_dir;
    QString settings() const { return m_dir.filePath(QStringLiteral("klineview.json")); }
};

TEST_F(KLineViewWindowTest, BuildsTheChartAndTheToolbarFromTheLayout)
{
    CKLineViewWindow w(CKLineViewLayout(), settings());
    w.resize(1000, 700);
    w.show();
    EXPECT_TRUE(w.windowTitle().startsWith(QStringLiteral("klineview — ")));
    EXPECT_TRUE(w.windowTitle().endsWith(QStringLiteral(" SH600000")));
    EXPECT_EQ(w.periodCombo()->count(), TC::kPeriodCount);
    EXPECT_EQ(w.periodCombo()->currentData().toInt(), 86400);
    EXPECT_EQ(w.drCombo()->count(), 5);
    EXPECT_EQ(w.drCombo()->currentText(), QStringLiteral("前复权"));
    EXPECT_EQ(w.instrumentEdit()->text(), QStringLiteral("SH600000"));
    EXPECT_EQ(w.chart()->subPanes().size(), 3);
    EXPECT_TRUE(waitForData(w.chart()));
    EXPECT_EQ(w.currentLayout(), CKLineViewLayout());
}

TEST_F(KLineViewWindowTest, EnterInTheInstrumentEntrySwitchesByKeyOrName)
{
    CKLineViewWindow w(CKLineViewLayout(), settings());
    w.show();
    QLineEdit* edit = w.instrumentEdit();
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("usgoog"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(w.chart()->getStock(), QStringLiteral("USGOOG"));
    EXPECT_TRUE(w.windowTitle().endsWith(QStringLiteral("USGOOG")));
    EXPECT_TRUE(waitForData(w.chart()));

    EXPECT_TRUE(w.switchInstrument(QStringLiteral("贵州茅台")));
    EXPECT_EQ(w.chart()->getStock(), QStringLiteral("SH600519"));

    // An unknown entry changes nothing.
    EXPECT_FALSE(w.switchInstrument(QStringLiteral("nothing like this")));
    EXPECT_EQ(w.chart()->getStock(), QStringLiteral("SH600519"));
    EXPECT_EQ(w.currentLayout().instrument(), QStringLiteral("SH600519"));
}

TEST_F(KLineViewWindowTest, PeriodAndExRightsChoicesReachTheChart)
{
    CKLineViewWindow w(CKLineViewLayout(), settings());
    w.show();
    const int fiveMinutes = TC::getPeriodIndex(300);
    w.periodCombo()->setCurrentIndex(fiveMinutes);
    emit w.periodCombo()->activated(fiveMinutes);
    EXPECT_EQ(w.chart()->getPeriod(), 300);
    EXPECT_TRUE(waitForData(w.chart()));

    w.drCombo()->setCurrentIndex(0);
    emit w.drCombo()->activated(0);
    EXPECT_EQ(w.chart()->getDrType(), 0);
    EXPECT_EQ(w.currentLayout().period(), 300);
    EXPECT_EQ(w.currentLayout().drType(), 0);
}

TEST_F(KLineViewWindowTest, IndicatorMenuChangesOverlayAndSubPanes)
{
    CKLineViewWindow w(CKLineViewLayout(), settings());
    w.show();
    QAction* boll = menuAction(w.indexButton(), QStringLiteral("主图指标"), QStringLiteral("BOLL"));
    ASSERT_NE(boll, nullptr);
    boll->trigger();
    EXPECT_TRUE(w.chart()->mainPane()->hasIndex(QStringLiteral("BOLL")));
    EXPECT_FALSE(w.chart()->mainPane()->hasIndex(QStringLiteral("MA")));
    EXPECT_TRUE(boll->isChecked());

    QAction* rsi = menuAction(w.indexButton(), QStringLiteral("添加副图"), QStringLiteral("RSI"));
    ASSERT_NE(rsi, nullptr);
    rsi->trigger();
    EXPECT_EQ(w.currentLayout().indexes(), (QStringList{"BOLL", "VOL", "MACD", "KDJ", "RSI"}));

    QAction* remove = menuAction(w.indexButton(), QString(), QStringLiteral("删除最后副图"));
    ASSERT_NE(remove, nullptr);
    for (int i = 0; i < 6; ++i) // more often than there are panes: no harm
        remove->trigger();
    EXPECT_TRUE(w.chart()->subPanes().isEmpty());

    QAction* none = menuAction(w.indexButton(), QStringLiteral("主图指标"), QStringLiteral("无"));
    ASSERT_NE(none, nullptr);
    none->trigger();
    EXPECT_TRUE(w.currentLayout().indexes().isEmpty());
    EXPECT_TRUE(waitForData(w.chart()));
}

TEST_F(KLineViewWindowTest, RealtimeSwitchDrivesTheWindowsSimulator)
{
    {
        CKLineViewWindow w(CKLineViewLayout(), settings());
        w.show();
        EXPECT_EQ(TC::CFormulaManager::instance()->simulator(), w.simulator());
        EXPECT_FALSE(w.simulator()->isRunning());
        w.realtimeAction()->trigger();
        EXPECT_TRUE(w.simulator()->isRunning());
        EXPECT_TRUE(w.simulator()->isSubscribed(QStringLiteral("SH600000")));
        // A few ticks by hand keep the chart's data.
        for (int i = 0; i < 5; ++i)
            w.simulator()->step();
        QTest::qWait(20);
        EXPECT_TRUE(w.chart()->mainPane()->hasData());
        w.realtimeAction()->trigger();
        EXPECT_FALSE(w.simulator()->isRunning());
    }
    // The service never keeps a dangling simulator.
    EXPECT_EQ(TC::CFormulaManager::instance()->simulator(), TC::CMarketSimulator::instance());
}

TEST_F(KLineViewWindowTest, ClosingSavesAndTheNextWindowRestores)
{
    {
        CKLineViewWindow w(CKLineViewLayout(), settings());
        w.show();
        w.switchInstrument(QStringLiteral("USGOOG"));
        const int week = TC::getPeriodIndex(604800);
        w.periodCombo()->setCurrentIndex(week);
        emit w.periodCombo()->activated(week);
        w.removeLastSubPane();
        w.close();
    }
    CKLineViewLayout restored;
    ASSERT_TRUE(restored.load(settings()));
    EXPECT_EQ(restored.instrument(), QStringLiteral("USGOOG"));
    EXPECT_EQ(restored.period(), 604800);
    EXPECT_EQ(restored.indexes(), (QStringList{"MA", "VOL", "MACD"}));

    CKLineViewWindow again(restored, settings());
    EXPECT_EQ(again.chart()->getPeriod(), 604800);
    EXPECT_EQ(again.instrumentEdit()->text(), QStringLiteral("USGOOG"));
    EXPECT_EQ(again.periodCombo()->currentData().toInt(), 604800);
    EXPECT_EQ(again.currentLayout(), restored);
}
