// The chart host without data: construction, pane set, selection, the pane
// gate's deferred path and the pane's own events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "common/TestHelpers.h"
#include "dialogs/CKLineCycleCountdown.h"
#include "dialogs/CKLineTimeLineWidget.h"
#include "platform/indexui/CShowGroupRunTimeWidget.h"
#include "kline/CKLineWidget.h"
#include "kline/KLineTestSupport.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/framework/CDragWidgetList.h"
#include "platform/framework/CEventBus.h"
#include "platform/framework/CHighlightWidget.h"
#include "platform/framework/CPushButton.h"
#include "platform/indexui/CIndexTitleWidget.h"
#include "platform/trading/CStrategyTradeManager.h"
#include "platform/trading/CTradeStrategyData.h"
#include "series/CKLineData.h"

using ktest::CSpyChart;
using TC::CKLineWidget;

namespace {

// Read before any chart of this process exists.
const int kFirstChartNumber = TC::CKLineMainWidget::nextChartInstanceNumber();

// Records the bus traffic of one test.
struct BusRecorder : ktest::EventLog {
    BusRecorder()
    {
        token = KW::CEventBus::instance()->subscribe([this](int id, int p1, int p2, const QString& t, void* d) {
            record(id, p1, p2, t, d);
            return false;
        });
    }
    ~BusRecorder() { KW::CEventBus::instance()->unsubscribe(token); }
    int token = 0;
};

QStringList upper(const QStringList& l)
{
    QStringList out;
    for (const QString& s : l)
        out << s.toUpper();
    return out;
}

TEST(ChartHost, InstanceNumbersStartAt5000AndTheMainPaneCarriesThem)
{
    EXPECT_EQ(kFirstChartNumber, 5000);
    const int next = TC::CKLineMainWidget::nextChartInstanceNumber();
    CSpyChart a(nullptr, 0);
    CSpyChart b(nullptr, 0);
    EXPECT_EQ(a.mainId(), next);
    EXPECT_EQ(b.mainId(), next + 1);
    EXPECT_EQ(a.mainPane()->paneId(), a.mainId());
    EXPECT_EQ(b.mainPane()->paneId(), b.mainId());
    EXPECT_EQ(a.getUiParam()->getMainPanelID(), a.mainId());
    // Pane instance numbers are process-wide and distinct.
    EXPECT_NE(a.mainPane()->paneInstanceNumber(), b.mainPane()->paneInstanceNumber());
}

TEST(ChartHost, ANewChartHoldsKLineAndMaOnTheMainPaneOnly)
{
    CSpyChart chart(nullptr, 0);
    EXPECT_EQ(chart.objectName(), "kline_main_widget");
    EXPECT_EQ(chart.minimumWidth(), 150);
    EXPECT_EQ(chart.focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(upper(chart.mainPane()->indexNames()), QStringList({"KLINE", "MA"}));
    EXPECT_TRUE(chart.subPanes().isEmpty());
    EXPECT_EQ(chart.paneList()->count(), 1);
    EXPECT_EQ(chart.paneList()->stretch(0), 2);
    EXPECT_TRUE(chart.paneList()->isDragEnabled());
    EXPECT_FALSE(chart.isRequested());
    EXPECT_TRUE(chart.getUiParam()->formulaBase != nullptr);
    EXPECT_EQ(chart.defaultSubIndexes(),
              QList<QString>({"KDJ", "MACD", "VOL", "CCI", "RSI", "OBV", "PSY", "AD", "CR"}));
}

TEST(ChartHost, ViewType3GivesThePanesTheWholeHeight)
{
    CSpyChart chart(nullptr, 3);
    chart.resize(600, 400);
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    EXPECT_FALSE(chart.timeLine()->isVisible());
    EXPECT_EQ(chart.timeLine()->maximumHeight(), 0);
    EXPECT_EQ(chart.paneList()->height(), 400);

    // Sub-panes have no title bar and selecting one shows no overlay.
    CKLineWidget* sub = chart.addIndexWidget();
    EXPECT_EQ(sub->title(), nullptr);
    EXPECT_NE(chart.mainPane()->title(), nullptr);
    chart.highlightWidget(sub->paneId());
    EXPECT_FALSE(chart.highlight()->isVisible());

    CSpyChart full(nullptr, 0);
    full.resize(600, 400);
    full.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&full));
    EXPECT_TRUE(full.timeLine()->isVisible());
    EXPECT_LT(full.paneList()->height(), 400);
}

TEST(ChartHost, AdjustIndexWidgetSizeAddsDefaultFormulasAndRemovesFromTheBottom)
{
    CSpyChart chart(nullptr, 0);
    chart.adjustIndexWidgetSize(4);
    ASSERT_EQ(chart.subPanes().size(), 3);
    EXPECT_EQ(upper(chart.subPanes()[0]->indexNames()), QStringList({"KDJ"}));
    EXPECT_EQ(upper(chart.subPanes()[1]->indexNames()), QStringList({"MACD"}));
    EXPECT_EQ(upper(chart.subPanes()[2]->indexNames()), QStringList({"VOL"}));
    EXPECT_EQ(chart.paneList()->count(), 4);
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(chart.paneList()->stretch(i), 1);
        EXPECT_TRUE(chart.paneList()->isFixed(i));
    }
    // The layout of the period is remembered.
    chart.adjustIndexWidgetSize(2);
    ASSERT_EQ(chart.subPanes().size(), 1);
    EXPECT_EQ(upper(chart.subPanes()[0]->indexNames()), QStringList({"KDJ"}));
    EXPECT_EQ(chart.paneList()->count(), 2);
    // Pane ids are unique in the chart.
    chart.adjustIndexWidgetSize(4);
    QSet<int> ids{chart.mainPane()->paneId()};
    for (CKLineWidget* p : chart.subPanes())
        ids.insert(p->paneId());
    EXPECT_EQ(ids.size(), 4);
}

TEST(ChartHost, ANewSubPaneGetsHalfTheMainStretch)
{
    CSpyChart chart(nullptr, 0);
    EXPECT_EQ(chart.getNewIndexStretchFactor(), 1);
    chart.paneList()->changeStretchAt(0, 5);
    EXPECT_EQ(chart.getNewIndexStretchFactor(), 2);
    chart.addIndexWidget();
    EXPECT_EQ(chart.paneList()->stretch(1), 2);
    EXPECT_EQ(chart.getStretchFactorList(), std::vector<int>({5, 2}));
}

TEST(ChartHost, DraggingASplitterResizesThePanesAndReports206)
{
    CSpyChart chart(nullptr, 0);
    chart.resize(600, 600);
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    chart.addIndexWidget();
    chart.paneList()->updateWidgetLength();
    ASSERT_EQ(chart.paneList()->splitterRects().size(), 1);
    const QRect bar = chart.paneList()->splitterRects().first();
    const int mainBefore = chart.mainPane()->height();
    // The splitter's grip is a child of the list: find what sits on the bar.
    QWidget* grip = chart.paneList()->childAt(bar.center());
    ASSERT_NE(grip, nullptr);
    const QPoint from = grip->mapFrom(chart.paneList(), bar.center());
    QTest::mousePress(grip, Qt::LeftButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, from + QPoint(0, 60), grip->mapToGlobal(from + QPoint(0, 60)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grip, &move);
    QTest::mouseRelease(grip, Qt::LeftButton, Qt::NoModifier, from + QPoint(0, 60));
    chart.paneList()->updateWidgetLength();
    EXPECT_GT(chart.mainPane()->height(), mainBefore + 40);
    ASSERT_NE(chart.last(206), nullptr);
    EXPECT_EQ(chart.last(206)->p1, chart.mainPane()->paneId());
}

TEST(ChartHost, DeletingPanesMovesTheHighlightAndTheLastOneHidesIt)
{
    CSpyChart chart(nullptr, 0);
    chart.resize(600, 500);
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    CKLineWidget* a = chart.addIndexWidget();
    CKLineWidget* b = chart.addIndexWidget();
    EXPECT_EQ(chart.highlightedPaneId(), b->paneId());
    EXPECT_TRUE(chart.highlight()->isVisible());
    EXPECT_TRUE(b->title()->isShowTitleBg());
    EXPECT_FALSE(a->title()->isShowTitleBg());
    EXPECT_EQ(chart.getUiParam()->highlightedPane, b->paneId());
    // Overlay frames the selected pane, leaving the value axis out.
    chart.paneList()->updateWidgetLength();
    EXPECT_EQ(chart.highlight()->geometry().height(), b->height());
    EXPECT_EQ(chart.highlight()->rightMargin(), chart.getUiParam()->axisWidth);

    // Removing the last pane selects the new last one.
    const int bId = b->paneId();
    chart.delIndexWidget(bId);
    EXPECT_EQ(chart.subPanes().size(), 1);
    EXPECT_EQ(chart.highlightedPaneId(), a->paneId());
    EXPECT_EQ(chart.paneList()->count(), 2);

    // An unknown id only re-highlights.
    chart.delIndexWidget(987654);
    EXPECT_EQ(chart.subPanes().size(), 1);

    chart.delIndexWidget(a->paneId());
    EXPECT_TRUE(chart.subPanes().isEmpty());
    EXPECT_FALSE(chart.highlight()->isVisible());
    EXPECT_EQ(chart.highlightedPaneId(), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(chart.paneList()->count(), 1);
}

TEST(ChartHost, SetIndexTypeSwapsTheBaseFormulaOfTheMainPane)
{
    CSpyChart chart(nullptr, 0);
    chart.setIndexType(4);
    int t = -1;
    chart.getIndexType(t);
    EXPECT_EQ(t, 4);
    EXPECT_TRUE(chart.mainPane()->hasIndex("价位线"));
    EXPECT_FALSE(chart.mainPane()->hasIndex("KLINE"));
    EXPECT_TRUE(chart.mainPane()->hasIndex("MA"));
    chart.setIndexType(0);
    EXPECT_TRUE(chart.mainPane()->hasIndex("KLINE"));
    EXPECT_FALSE(chart.mainPane()->hasIndex("价位线"));
    EXPECT_TRUE(chart.mainPane()->hasIndex("MA"));
    // A type without a selector leaves none; the formulas stay.
    chart.setIndexType(6);
    EXPECT_EQ(chart.getUiParam()->formulaBase, nullptr);
    EXPECT_TRUE(chart.mainPane()->hasIndex("KLINE"));
    chart.setIndexType(1);
    EXPECT_NE(chart.getUiParam()->formulaBase, nullptr);
}

TEST(ChartHost, FlagSettersReachThePanes)
{
    CSpyChart chart(nullptr, 0);
    CKLineWidget* before = chart.addIndexWidget();
    chart.beReplay(true);
    chart.setQuickBuySell(true);
    chart.setCreateNewWorkShow(false);
    chart.setTimeRangeQuotation(false);
    EXPECT_TRUE(chart.mainPane()->graph()->isReplay());
    EXPECT_TRUE(before->graph()->isReplay());
    EXPECT_TRUE(chart.mainPane()->graph()->quickBuySell());
    EXPECT_FALSE(before->graph()->quickBuySell());
    EXPECT_FALSE(chart.mainPane()->graph()->createNewWorkShow());
    // A new sub-pane takes the chart's flags.
    CKLineWidget* after = chart.addIndexWidget();
    EXPECT_TRUE(after->graph()->isReplay());
    EXPECT_TRUE(after->graph()->quickBuySell());
    EXPECT_FALSE(after->graph()->createNewWorkShow());
    EXPECT_FALSE(after->graph()->timeRangeQuotation());

    chart.setEnableDoubleClick(false);
    EXPECT_FALSE(chart.getUiParam()->enableDoubleClick);
    chart.setFormulaAccount("A1");
    EXPECT_EQ(chart.getUiParam()->formulaAccount, "A1");
    chart.getUiParam()->crossVisible = true;
    chart.getUiParam()->crossIndex = 5;
    chart.resetUiParam();
    EXPECT_FALSE(chart.getUiParam()->crossVisible);
    EXPECT_EQ(chart.getUiParam()->crossIndex, -1);
    chart.setSubIndexCloseBtnVisible(7, true); // out of range: nothing
}

TEST(ChartHost, SetStockAndDrTypeStoreWithoutRequesting)
{
    CSpyChart chart(nullptr, 0);
    chart.setStock(QStringLiteral("SH600000"));
    EXPECT_EQ(chart.getStock(), "SH600000");
    EXPECT_EQ(chart.getMarket(), "SH");
    EXPECT_GT(chart.getUiParam()->lastTradingDay, 0);
    EXPECT_TRUE(chart.mainPane()->series()->getData().isEmpty());
    EXPECT_TRUE(chart.mainPane()->series()->reqIds().isEmpty());
    chart.setDrType(1);
    EXPECT_EQ(chart.getDrType(), 1);
    EXPECT_EQ(chart.mainPane()->title()->drType(), 1);
    EXPECT_EQ(chart.mainPane()->graph()->drawGraphKey(), "SH600000|86400");

    chart.setStock(QStringLiteral("NOSUCH"));
    EXPECT_EQ(chart.getUiParam()->curStock, nullptr);
    EXPECT_TRUE(chart.getStock().isEmpty());
}

TEST(ChartHost, AnInstrumentChangeDropsSubPanesUnlessTheUserKeepsThem)
{
    auto cfg = std::make_shared<TC::CUserConfig>();
    cfg->setKeepAttachedFigures(false);
    ktest::ScopedUserConfig scoped(cfg);
    CSpyChart chart(nullptr, 0);
    chart.adjustIndexWidgetSize(3);
    chart.setStock(QStringLiteral("SH600000"));
    EXPECT_TRUE(chart.subPanes().isEmpty());
    cfg->setKeepAttachedFigures(true);
    chart.adjustIndexWidgetSize(3);
    chart.setStock(QStringLiteral("SZ000651"));
    EXPECT_EQ(chart.subPanes().size(), 2);
    {
        ktest::ScopedClientType client(3);
        cfg->setKeepAttachedFigures(false);
        chart.setStock(QStringLiteral("SH600000"));
        EXPECT_EQ(chart.subPanes().size(), 2);
    }
}

// --- the pane gate's deferred path and the run-model button

TEST(PaneGate, AnInactivePythonStrategyWaitsForTheRunModelButton)
{
    CSpyChart chart(nullptr, 0);
    chart.resize(700, 500);
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    chart.setStock(QStringLiteral("SH600000"));
    CKLineWidget* pane = chart.addIndexWidget();
    pane->addIndex("PYDEMO", QString());
    ASSERT_TRUE(pane->hasPythonIndex());
    chart.setAutoIndex(false);
    pane->request(1, true);
    EXPECT_TRUE(pane->isSimpleTitle());
    EXPECT_TRUE(pane->runModelButton()->isVisible());
    EXPECT_TRUE(pane->series()->reqIds().isEmpty());
    EXPECT_TRUE(pane->title()->titleText().contains("PYDEMO"));

    // The button starts it with the remembered mode.
    QTest::mouseClick(pane->runModelButton(), Qt::LeftButton);
    EXPECT_FALSE(pane->isSimpleTitle());
    EXPECT_FALSE(pane->runModelButton()->isVisible());
    EXPECT_TRUE(pane->isAutoIndex());
    EXPECT_EQ(pane->series()->reqIds().size(), 1);
    pane->unrequest();
}

TEST(PaneGate, AnActiveStrategyOrAPlainPaneIsRequestedAtOnce)
{
    CSpyChart chart(nullptr, 0);
    chart.setStock(QStringLiteral("SH600000"));
    CKLineWidget* py = chart.addIndexWidget();
    py->addIndex("PYDEMO", QString());
    CKLineWidget* plain = chart.addIndexWidget();
    plain->addIndex("MACD", QString());

    auto strategy = std::make_shared<TC::CTradeStrategyData>("PYDEMO", "SH600000", 1);
    TC::CStrategyTradeManager::instance()->addStrategy(strategy);
    strategy->setActive(true);

    chart.setIsLoginInit(true);
    py->request(0, false);
    plain->request(0, false);
    EXPECT_FALSE(py->isSimpleTitle());
    EXPECT_EQ(py->series()->reqIds().size(), 1);
    EXPECT_FALSE(plain->isSimpleTitle());
    EXPECT_EQ(plain->series()->reqIds().size(), 1);
    EXPECT_FALSE(py->isLoginInit());

    TC::CStrategyTradeManager::instance()->clear();
    py->unrequest();
    plain->unrequest();
}

// --- the pane's own events

TEST(PaneEvents, ButtonsAndReportsGoOutWithThePaneId)
{
    BusRecorder bus;
    CSpyChart chart(nullptr, 0);
    CKLineWidget* pane = chart.addIndexWidget();
    pane->addIndex("MACD", QString());

    // A click on the pane reports its id; the chart selects it.
    chart.highlightWidget(chart.mainPane()->paneId());
    pane->handleEvent(181, 0, 0, QString(), nullptr);
    ASSERT_NE(chart.last(181), nullptr);
    EXPECT_EQ(chart.last(181)->p1, pane->paneId());
    EXPECT_EQ(chart.highlightedPaneId(), pane->paneId());

    pane->handleEvent(206, 0, 0, QString(), nullptr);
    ASSERT_NE(chart.last(206), nullptr);
    EXPECT_EQ(chart.last(206)->p1, pane->paneId());

    // Title-bar buttons go to the chart the pane belongs to, which acts on
    // them; only what the chart passes on reaches the bus.
    for (int id : {502, 503, 504}) {
        pane->handleEvent(5, id, 0, QString(), nullptr);
        ASSERT_NE(chart.last(3228), nullptr);
        EXPECT_EQ(chart.last(3228)->p1, pane->paneId());
        EXPECT_EQ(chart.last(3228)->p2, 504 - id);
    }
    EXPECT_EQ(bus.count(3228), 0);
    const bool locked = chart.getUiParam()->lockCursor;
    pane->handleEvent(5, 103, 0, QString(), nullptr);
    EXPECT_EQ(chart.count(202), 1);
    EXPECT_NE(chart.getUiParam()->lockCursor, locked); // the lock button locks
    pane->handleEvent(5, 103, 0, QString(), nullptr);
    EXPECT_EQ(chart.getUiParam()->lockCursor, locked); // and unlocks
    pane->handleEvent(5, 501, 0, QString(), nullptr);
    ASSERT_NE(chart.last(3230), nullptr);
    EXPECT_EQ(chart.last(3230)->p1, pane->paneId());
    ASSERT_NE(bus.last(3230), nullptr); // the chart posts it on
    EXPECT_EQ(bus.last(3230)->p1, pane->paneId());

    // Live trading with nothing to trade only logs.
    pane->handleEvent(5, 1103, 0, QString(), nullptr);
    EXPECT_EQ(chart.count(3207), 0);

    // The close button removes the pane, and the chart tells the host.
    const int id = pane->paneId();
    pane->handleEvent(5, 1104, 7, QString(), nullptr);
    EXPECT_TRUE(chart.subPanes().isEmpty());
    ASSERT_NE(bus.last(3020), nullptr);
    EXPECT_EQ(bus.last(3020)->p1, id);
    EXPECT_EQ(bus.last(3020)->p2, 7);
    EXPECT_EQ(bus.last(3020)->text, "MACD");
    pane = chart.addIndexWidget();

    // The lock follows the crosshair.
    chart.getUiParam()->crossIndex = 12;
    pane->handleEvent(182, 0, 1, QString(), nullptr);
    EXPECT_TRUE(chart.getUiParam()->lockCursor);
    EXPECT_EQ(chart.getUiParam()->lockedIndex, 12);
    pane->handleEvent(182, 0, 0, QString(), nullptr);
    EXPECT_FALSE(chart.getUiParam()->lockCursor);
}

TEST(PaneEvents, MouseStayShowsTheBarAndRestartsTheWait)
{
    BusRecorder bus;
    CSpyChart chart(nullptr, 0);
    CKLineWidget* pane = chart.mainPane();
    auto ui = chart.getUiParam();
    ui->crossIndex = 3;
    pane->updateKlineId();
    EXPECT_EQ(pane->title()->indexId(), 3);
    // The chart takes the pane's 188; without a tick connection it tells
    // the host nothing.
    EXPECT_EQ(chart.count(188), 1);
    EXPECT_EQ(bus.count(188), 0);
    EXPECT_TRUE(pane->isMouseStayPending());

    // A lock not set by a click keeps the title on its bar.
    ui->lockCursor = true;
    ui->lockClicked = false;
    ui->lockedIndex = 8;
    pane->updateKlineId();
    EXPECT_EQ(pane->title()->indexId(), 3);
    ui->lockClicked = true;
    pane->updateKlineId();
    EXPECT_EQ(pane->title()->indexId(), 8);
    EXPECT_EQ(chart.count(188), 3);

    const int rests = pane->graph()->restCount();
    EXPECT_TRUE(ktest::waitUntil([&] { return pane->graph()->restCount() > rests; }, 3000));
    EXPECT_FALSE(pane->isMouseStayPending());
}

TEST(PaneEvents, RelayoutPlacesTheOverlaysAtThePlotEdge)
{
    CSpyChart chart(nullptr, 0);
    chart.resize(800, 600);
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    CKLineWidget* pane = chart.addIndexWidget();
    chart.paneList()->updateWidgetLength();
    pane->setStrategyRunning(true);
    const int x0 = chart.getUiParam()->plotWidth;
    EXPECT_TRUE(pane->stopButton()->isVisible());
    EXPECT_EQ(pane->stopButton()->pos(), QPoint(x0, 2));
    EXPECT_FALSE(pane->title()->closeButtonVisible());
    EXPECT_EQ(pane->runTimeWidget()->pos(), QPoint(x0, 12 + pane->stopButton()->height()));
    EXPECT_EQ(pane->cycleCountdown()->pos(), QPoint(x0, pane->height() - 20));
    pane->setStrategyRunning(false);
    EXPECT_FALSE(pane->stopButton()->isVisible());
    EXPECT_TRUE(pane->title()->closeButtonVisible());
    EXPECT_EQ(pane->runTimeWidget()->pos(), QPoint(x0, 12));

    // Start and end of a model run.
    pane->handleEvent(3084, 0, 0, QString(), nullptr);
    EXPECT_TRUE(pane->runTimeWidget()->isVisible());
    pane->handleEvent(3086, 0, 0, QString(), nullptr);
    EXPECT_FALSE(pane->runTimeWidget()->isVisible());
}

} // namespace
