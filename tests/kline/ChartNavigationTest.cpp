// Keyboard, wheel and host events that move the cursor and the window.
#include <gtest/gtest.h>

#include <QTest>
#include <QWheelEvent>

#include "common/PrivateMarket.h"
#include "common/TestHelpers.h"
#include "dialogs/CKLineTimeLineWidget.h"
#include "kline/CKLineWidget.h"
#include "kline/KLineTestSupport.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/framework/CEventBus.h"
#include "platform/indexui/CIndexTitleWidget.h"
#include "platform/indexui/CSmartKeyboardDialog.h"

using ktest::CSpyChart;

namespace {

class ChartNavigation : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ktest::PrivateMarket::createStore(); }
    static void TearDownTestSuite() { ktest::PrivateMarket::destroyStore(); }
    void SetUp() override { m_market.attach(); }
    void TearDown() override
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_market.detach();
    }
    std::unique_ptr<CSpyChart> makeChart(int viewType)
    {
        auto chart = std::make_unique<CSpyChart>(nullptr, viewType);
        chart->resize(900, 600);
        chart->setStock(QStringLiteral("SH600000"));
        chart->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(chart.get()));
        chart->request(true);
        return chart;
    }
    ktest::PrivateMarket m_market;
};

TEST_F(ChartNavigation, ArrowKeysBelongToTheHostExceptInViewType7)
{
    auto chart = makeChart(0);
    auto ui = chart->getUiParam();
    ASSERT_GT(ui->getLastIndex(), 100);
    QTest::keyClick(chart.get(), Qt::Key_Left);
    EXPECT_FALSE(ui->crossVisible);
    const int span = ui->getMaxDispIndex() - ui->getMinDispIndex();
    QTest::keyClick(chart.get(), Qt::Key_Up);
    EXPECT_EQ(ui->getMaxDispIndex() - ui->getMinDispIndex(), span);
    chart->unrequest();

    auto seven = makeChart(7);
    auto ui7 = seven->getUiParam();
    // Left with a hidden crosshair shows it on the last visible bar.
    QTest::keyClick(seven.get(), Qt::Key_Left);
    EXPECT_TRUE(ui7->crossVisible);
    EXPECT_EQ(ui7->crossIndex, ui7->getMaxDispIndex());
    QTest::keyClick(seven.get(), Qt::Key_Left);
    EXPECT_EQ(ui7->crossIndex, ui7->getMaxDispIndex() - 1);
    QTest::keyClick(seven.get(), Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(ui7->crossIndex, ui7->getMaxDispIndex() - 5);
    // The titles follow the crosshair.
    EXPECT_EQ(seven->mainPane()->title()->indexId(), ui7->crossIndex);
    QTest::keyClick(seven.get(), Qt::Key_Home);
    EXPECT_EQ(ui7->crossIndex, ui7->getMinDispIndex());
    QTest::keyClick(seven.get(), Qt::Key_End);
    EXPECT_EQ(ui7->crossIndex, ui7->getMaxDispIndex());

    // Up narrows the window by a tenth and keeps the crosshair bar in view.
    const int before = ui7->getMaxDispIndex() - ui7->getMinDispIndex();
    const int bar = ui7->crossIndex;
    QTest::keyClick(seven.get(), Qt::Key_Up);
    const int after = ui7->getMaxDispIndex() - ui7->getMinDispIndex();
    EXPECT_LT(after, before);
    EXPECT_GE(bar, ui7->getMinDispIndex());
    EXPECT_LE(bar, ui7->getMaxDispIndex());
    QTest::keyClick(seven.get(), Qt::Key_Down);
    EXPECT_GT(ui7->getMaxDispIndex() - ui7->getMinDispIndex(), after);
    seven->unrequest();
}

TEST_F(ChartNavigation, TheCursorWalksPastTheWindowAndTheWindowFollows)
{
    auto chart = makeChart(7);
    auto ui = chart->getUiParam();
    const int first = ui->getMinDispIndex();
    chart->moveToHome();
    ASSERT_EQ(ui->crossIndex, first);
    chart->moveCursor(true, false);
    EXPECT_EQ(ui->crossIndex, first - 1);
    EXPECT_EQ(ui->getMinDispIndex(), first - 1);
    // The locked cursor moves the lock instead.
    chart->lockCursor(true);
    EXPECT_TRUE(ui->lockCursor);
    EXPECT_EQ(ui->lockedIndex, first - 1);
    chart->moveCursor(false, true);
    EXPECT_EQ(ui->lockedIndex, first + 3);
    EXPECT_TRUE(ui->lockClicked);
    chart->lockOrUnlockCursor();
    EXPECT_FALSE(ui->lockCursor);
    // At the first bar the cursor stops.
    chart->moveToFirst();
    chart->moveCursor(true, true);
    EXPECT_EQ(ui->crossIndex, 0);
    chart->moveToLast();
    EXPECT_EQ(ui->crossIndex, ui->getLastIndex());
    chart->unrequest();
}

TEST_F(ChartNavigation, HostEventsMoveTheWindow)
{
    std::vector<std::pair<int, int>> posted;
    const int token = KW::CEventBus::instance()->subscribe([&](int id, int p1, int p2, const QString&, void*) {
        if (id == 170)
            posted.push_back({p1, p2});
        return false;
    });
    auto chart = makeChart(0);
    auto ui = chart->getUiParam();
    const int last = ui->getLastIndex();

    // 190: a window of at least 20 bars is taken, a narrower one is not.
    chart->handleEvent(190, last - 100, last - 50, QString(), nullptr);
    EXPECT_EQ(ui->getMinDispIndex(), last - 100);
    EXPECT_EQ(ui->getMaxDispIndex(), last - 50);
    ASSERT_FALSE(posted.empty());
    EXPECT_EQ(posted.back(), std::make_pair(last - 100, last - 50));
    chart->handleEvent(190, last - 40, last - 30, QString(), nullptr);
    EXPECT_EQ(ui->getMinDispIndex(), last - 100);

    // 193: drag by bars, as a pane reports it (0, bars) or with the bars first.
    chart->handleEvent(193, 0, 10, QString(), nullptr);
    EXPECT_EQ(ui->getMinDispIndex(), last - 90);
    chart->handleEvent(193, -5, 0, QString(), nullptr);
    EXPECT_EQ(ui->getMinDispIndex(), last - 95);

    // 170: the reset span never drops below 20.
    int ovEnd = last;
    EXPECT_TRUE(chart->handleEvent(170, last - 10, last, QString::number(0), &ovEnd));
    EXPECT_EQ(ui->getMinDispIndex(), last - 10);
    EXPECT_EQ(ui->resetSpan, 20);
    chart->handleEvent(170, last - 60, last, QString::number(0), &ovEnd);
    EXPECT_EQ(ui->resetSpan, 60);

    // 194 changes the period and is left for others to see.
    EXPECT_FALSE(chart->handleEvent(194, 0, 604800, QString(), nullptr));
    EXPECT_EQ(chart->getPeriod(), 604800);
    ASSERT_TRUE(ktest::waitUntil([&] { return chart->mainPane()->hasData(); }));

    // 3228 with 2: back to the newest bars.
    chart->handleEvent(3228, 0, 2, QString(), nullptr);
    EXPECT_EQ(ui->getMaxDispIndex(), ui->getLastIndex());
    KW::CEventBus::instance()->unsubscribe(token);
    chart->unrequest();
}

TEST_F(ChartNavigation, TheWheelZoomsAroundTheBarUnderTheMouse)
{
    auto chart = makeChart(0);
    auto ui = chart->getUiParam();
    chart->handleEvent(190, ui->getLastIndex() - 200, ui->getLastIndex() - 100, QString(), nullptr);
    const int span = ui->getMaxDispIndex() - ui->getMinDispIndex();
    auto* graph = chart->mainPane()->graph();
    const QPoint at = graph->mapTo(chart.get(), QPoint(graph->width() / 4, graph->height() / 2));
    const int bar = ui->getIndexByXAxis(graph->width() / 4);
    QWheelEvent up(at, chart->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(chart.get(), &up);
    const int narrowed = ui->getMaxDispIndex() - ui->getMinDispIndex();
    EXPECT_LT(narrowed, span);
    EXPECT_GE(bar, ui->getMinDispIndex());
    EXPECT_LE(bar, ui->getMaxDispIndex());
    QWheelEvent down(at, chart->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(chart.get(), &down);
    EXPECT_GT(ui->getMaxDispIndex() - ui->getMinDispIndex(), narrowed);
    chart->unrequest();
}

TEST_F(ChartNavigation, ANewBarMovesAWindowThatShowedTheLastBarOnly)
{
    auto chart = makeChart(0);
    auto ui = chart->getUiParam();
    const int last = ui->getLastIndex();
    ui->m_tradeDateList.append(ui->m_tradeDateList.last() + 86400);
    chart->handleEvent(197, 0, 0, QString(), nullptr);
    EXPECT_EQ(ui->getMaxDispIndex(), last + 1);
    EXPECT_EQ(ui->actualEnd, last + 1);
    chart->handleEvent(190, last - 100, last - 50, QString(), nullptr);
    ui->m_tradeDateList.append(ui->m_tradeDateList.last() + 86400);
    chart->handleEvent(197, 0, 0, QString(), nullptr);
    EXPECT_EQ(ui->getMaxDispIndex(), last - 50);
    chart->unrequest();
}

TEST_F(ChartNavigation, ATypedKeyTellsTheHostAndOpensTheKeyboardSpirit)
{
    int taken = 0;
    int posted = 0;
    QString text = QStringLiteral("unset");
    bool hadPointer = false;
    const int token =
        KW::CEventBus::instance()->subscribe([&](int id, int p1, int p2, const QString& t, void* data) {
            if (id != 157)
                return false;
            ++posted;
            EXPECT_EQ(p1, 0);
            EXPECT_EQ(p2, 0);
            text = t;
            hadPointer = data != nullptr;
            if (data)
                *static_cast<int*>(data) = taken;
            return true;
        });
    auto seven = makeChart(7);
    TC::CSmartKeyboardDialog* spirit = TC::CSmartKeyboardDialog::instance();
    spirit->hide();
    QTest::keyClick(seven.get(), Qt::Key_6);
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(text, QString());
    EXPECT_TRUE(hadPointer);
    // The typed key went to the spirit, which lists what it starts.
    ASSERT_TRUE(spirit->isVisible());
    EXPECT_EQ(spirit->title(), QStringLiteral("键盘精灵"));
    EXPECT_EQ(spirit->text(), QStringLiteral("6"));
    EXPECT_TRUE(spirit->matches().contains(QStringLiteral("SH600519")));
    // Picking an instrument shows it on the chart.
    spirit->setChar(QStringLiteral("600519"));
    ASSERT_EQ(spirit->matches().value(0), QStringLiteral("SH600519"));
    ASSERT_TRUE(spirit->select(0));
    EXPECT_FALSE(spirit->isVisible());
    EXPECT_EQ(seven->getStock(), QStringLiteral("SH600519"));
    EXPECT_GT(seven->getUiParam()->getLastIndex(), 100);

    // A host that takes the key keeps the spirit closed; keys with Ctrl are
    // no typing at all.
    taken = 1;
    QTest::keyClick(seven.get(), Qt::Key_A);
    EXPECT_EQ(posted, 2);
    EXPECT_FALSE(spirit->isVisible());
    QTest::keyClick(seven.get(), Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(posted, 2);
    KW::CEventBus::instance()->unsubscribe(token);
    seven->unrequest();
}

} // namespace
