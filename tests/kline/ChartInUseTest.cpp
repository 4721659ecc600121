// The chart as a trader works it: period round trips keep each period's
// panes, splitters and resizes never squeeze a pane away, title-bar buttons
// act, ranking-list marks come with a full request, a live window keeps its
// width, and charts with sub-panes come apart cleanly.
#include <gtest/gtest.h>

#include <random>

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QSet>
#include <QTest>

#include "common/PrivateMarket.h"
#include "common/TestHelpers.h"
#include "dialogs/CKLineTimeLineWidget.h"
#include "kline/CKLineWidget.h"
#include "kline/KLineTestSupport.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/config/CUserConfig.h"
#include "platform/framework/CDragWidgetList.h"
#include "platform/framework/CEventBus.h"
#include "platform/framework/CPushButton.h"
#include "platform/framework/CUiResource.h"
#include "platform/indexui/CIndexTitleWidget.h"
#include "series/CFormulaBaseAxis.h"
#include "series/CKLineData.h"

using ktest::CSpyChart;
using ktest::upper;
using TC::CKLineWidget;

namespace {

QStringList subFormulas(const CSpyChart& chart)
{
    QStringList out;
    for (const CKLineWidget* p : chart.subPanes())
        out << upper(p->indexNames()).join(QLatin1Char('+'));
    return out;
}

class ChartInUse : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ktest::PrivateMarket::createStore(); }
    static void TearDownTestSuite() { ktest::PrivateMarket::destroyStore(); }
    void SetUp() override { m_market.attach(); }
    void TearDown() override
    {
        TC::CFormulaManager::instance()->waitForWorkers();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        m_market.detach();
    }
    // Day chart with MA and BOLL over the candles and VOL, MACD, KDJ panes.
    static std::unique_ptr<CSpyChart> dayChart()
    {
        auto chart = std::make_unique<CSpyChart>(nullptr, 0);
        chart->resize(900, 700);
        chart->setStock(QStringLiteral("SH600000"));
        chart->mainPane()->addIndex("BOLL", QString());
        for (const char* f : {"VOL", "MACD", "KDJ"})
            chart->addIndexWidget()->addIndex(f, QString());
        return chart;
    }
    ktest::PrivateMarket m_market;
};

// Both ways the terminal may be set up to treat sub-panes on a period change.
class PeriodLayouts : public ChartInUse, public ::testing::WithParamInterface<bool>
{
protected:
    void SetUp() override
    {
        ChartInUse::SetUp();
        m_config = std::make_shared<TC::CUserConfig>();
        m_scoped = std::make_unique<ktest::ScopedUserConfig>(m_config);
        const bool fixedFigures = GetParam();
        luawrapper::LuaModuleCtrl::setModuleEnabled("mdl_ui_custom", fixedFigures);
        luawrapper::LuaModuleCtrl::setModuleEnabled("mdl_ui_custom_use_fixed_attached_figure", fixedFigures);
    }
    void TearDown() override
    {
        luawrapper::LuaModuleCtrl::setModuleEnabled("mdl_ui_custom", true);
        luawrapper::LuaModuleCtrl::setModuleEnabled("mdl_ui_custom_use_fixed_attached_figure", true);
        m_scoped.reset();
        ChartInUse::TearDown();
    }
    std::shared_ptr<TC::CUserConfig> m_config;
    std::unique_ptr<ktest::ScopedUserConfig> m_scoped;
};

TEST_P(PeriodLayouts, TheTickChartAndBackGiveEveryPeriodItsPanesOverlaysAndSizes)
{
    auto chart = dayChart();
    chart->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(chart.get()));
    const std::vector<int> sizes{6, 2, 3, 1};
    for (int i = 0; i < 4; ++i)
        chart->paneList()->changeStretchAt(i, sizes[size_t(i)]);
    const QStringList dayPanes{"VOL", "MACD", "KDJ"};
    const QStringList dayMain{"KLINE", "MA", "BOLL"};

    // The tick chart shows its tick line alone.
    chart->setPeriod(0);
    EXPECT_EQ(upper(chart->mainPane()->indexNames()), QStringList({"TICKDATA"}));
    EXPECT_TRUE(chart->subPanes().isEmpty());

    // Back on the day chart everything is as it was.
    chart->setPeriod(86400);
    EXPECT_EQ(upper(chart->mainPane()->indexNames()), dayMain);
    EXPECT_EQ(subFormulas(*chart), dayPanes);
    EXPECT_EQ(chart->getStretchFactorList(), sizes);

    // A period seen for the first time starts with the day chart's layout;
    // what is changed there stays there.
    chart->setPeriod(300);
    EXPECT_EQ(upper(chart->mainPane()->indexNames()), dayMain);
    EXPECT_EQ(subFormulas(*chart), dayPanes);
    chart->delIndexWidget(chart->subPanes().last()->paneId());
    chart->mainPane()->removeIndex("BOLL");
    EXPECT_EQ(subFormulas(*chart), QStringList({"VOL", "MACD"}));

    chart->setPeriod(0);
    chart->setPeriod(86400);
    EXPECT_EQ(upper(chart->mainPane()->indexNames()), dayMain);
    EXPECT_EQ(subFormulas(*chart), dayPanes);
    EXPECT_EQ(chart->getStretchFactorList(), sizes);

    chart->setPeriod(300);
    if (GetParam()) {
        // Fixed attached figures: the chart goes from period to period as it is.
        EXPECT_EQ(upper(chart->mainPane()->indexNames()), dayMain);
        EXPECT_EQ(subFormulas(*chart), dayPanes);
    } else {
        EXPECT_EQ(upper(chart->mainPane()->indexNames()), QStringList({"KLINE", "MA"}));
        EXPECT_EQ(subFormulas(*chart), QStringList({"VOL", "MACD"}));
    }
    // The requests that follow a period change work on the restored panes.
    chart->request(true);
    EXPECT_EQ(chart->lastBatchSize(), chart->mainPane()->indexNames().size() + chart->subPanes().size());
    chart->unrequest();
}

INSTANTIATE_TEST_SUITE_P(FixedFiguresOrNot, PeriodLayouts, ::testing::Bool());

// --- pane heights

// Checks that the panes tile the list and none is below the minimum.
void expectPanesFill(const CSpyChart& chart, const std::string& when)
{
    const KW::CDragWidgetList* list = chart.paneList();
    const QVector<int> shown = list->shownIndexes();
    const int minimum = chart.minimumPaneHeight();
    const int room = list->height() - (shown.size() - 1) * list->splitterWidth();
    int y = 0;
    for (int i : shown) {
        const QWidget* pane = list->widgetAt(i);
        EXPECT_EQ(pane->y(), y) << when << " pane " << i;
        if (room >= shown.size() * minimum)
            EXPECT_GE(pane->height(), minimum) << when << " pane " << i;
        else
            EXPECT_GE(pane->height(), room / shown.size()) << when << " pane " << i;
        y += pane->height() + list->splitterWidth();
    }
    EXPECT_EQ(y - list->splitterWidth(), list->height()) << when;
}

// True when the splitter moved.
bool dragSplitter(KW::CDragWidgetList* list, int splitter, int dy)
{
    const QVector<QRect> bars = list->splitterRects();
    if (splitter >= bars.size())
        return false;
    const QPoint at = bars[splitter].center();
    QWidget* grip = list->childAt(at);
    if (!grip)
        return false;
    const QPoint local = grip->mapFrom(list, at);
    QMouseEvent press(QEvent::MouseButtonPress, local, grip->mapToGlobal(local), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grip, &press);
    const QPoint to = local + QPoint(0, dy);
    QMouseEvent move(QEvent::MouseMove, to, grip->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(grip, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, to, grip->mapToGlobal(to), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(grip, &release);
    return list->splitterRects().value(splitter) != bars[splitter];
}

TEST_F(ChartInUse, SplitterDragsResizesAndSwitchesNeverSqueezeAPaneAway)
{
    auto chart = dayChart();
    chart->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(chart.get()));
    // The minimum is a title bar and a readable plot.
    EXPECT_EQ(chart->minimumPaneHeight(),
              chart->mainPane()->title()->titleHeight() + TC::CKLineMainWidget::kMinPlotHeight);

    std::mt19937 random(20261206);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    const int periods[] = {60, 300, 86400, 0, 604800, 3600};
    const char* stocks[] = {"SH600000", "SZ000651", "SH600519"};
    const char* formulas[] = {"VOL", "MACD", "KDJ", "RSI", "CCI"};
    int moved = 0;
    for (int step = 0; step < 400; ++step) {
        const int action = pick(0, 9);
        std::string what;
        if (action <= 4) {
            const int n = chart->paneList()->splitterRects().size();
            if (n > 0)
                moved += dragSplitter(chart->paneList(), pick(0, n - 1), pick(-900, 900));
            what = "drag";
        } else if (action == 5) {
            chart->resize(pick(300, 1600), pick(240, 1000));
            what = "resize";
        } else if (action == 6) {
            chart->setPeriod(periods[pick(0, 5)]);
            what = "period";
        } else if (action == 7) {
            chart->setStock(QString::fromLatin1(stocks[pick(0, 2)]));
            what = "stock";
        } else if (action == 8 && chart->subPanes().size() < 6) {
            chart->addIndexWidget()->addIndex(formulas[pick(0, 4)], QString());
            what = "add";
        } else if (!chart->subPanes().isEmpty()) {
            chart->delIndexWidget(chart->subPanes().at(pick(0, chart->subPanes().size() - 1))->paneId());
            what = "remove";
        }
        QCoreApplication::processEvents();
        expectPanesFill(*chart, "step " + std::to_string(step) + " " + what);
        if (HasFailure())
            break;
    }
    EXPECT_GT(moved, 50);
    // Factors far apart (a pane remembered at a few pixels in a taller
    // window) still leave the small pane its minimum.
    chart->resize(900, 700);
    chart->setPeriod(86400);
    while (chart->subPanes().size() < 2)
        chart->addIndexWidget()->addIndex("VOL", QString());
    chart->paneList()->changeStretchAt(0, 100000);
    chart->paneList()->changeStretchAt(1, 1);
    expectPanesFill(*chart, "extreme factors");
    EXPECT_GE(chart->subPanes().first()->height(), chart->minimumPaneHeight());
}

// --- title-bar buttons in the window

KW::CPushButton* titleButton(CKLineWidget* pane, int id)
{
    for (KW::CPushButton* b : pane->title()->findChildren<KW::CPushButton*>())
        if (b->id() == id)
            return b;
    return nullptr;
}

TEST_F(ChartInUse, TheCloseButtonRemovesItsPaneAndTheLockButtonLocks)
{
    auto chart = dayChart();
    chart->mainPane()->setBtnToolVisible(true);
    chart->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(chart.get()));
    chart->request(true);
    CKLineWidget* macd = chart->subPanes().at(1);
    KW::CPushButton* close = titleButton(macd, 100);
    ASSERT_NE(close, nullptr);
    ASSERT_TRUE(close->isVisible());
    QTest::mouseClick(close, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(subFormulas(*chart), QStringList({"VOL", "KDJ"}));
    EXPECT_FALSE(chart->subPanes().contains(macd));

    KW::CPushButton* lock = titleButton(chart->mainPane(), 103);
    ASSERT_NE(lock, nullptr);
    ASSERT_TRUE(lock->isVisible());
    auto ui = chart->getUiParam();
    ui->crossIndex = ui->getMaxDispIndex() - 3;
    EXPECT_FALSE(ui->lockCursor);
    QTest::mouseClick(lock, Qt::LeftButton);
    EXPECT_TRUE(ui->lockCursor);
    EXPECT_EQ(ui->lockedIndex, ui->getMaxDispIndex() - 3);
    QTest::mouseClick(lock, Qt::LeftButton);
    EXPECT_FALSE(ui->lockCursor);

    // A satellite pane closed by its client goes the same way.
    chart->createIndexWidget("sat", 0, "RSI", false);
    ASSERT_EQ(chart->subPanes().size(), 3);
    chart->destoryWidget("sat");
    EXPECT_EQ(subFormulas(*chart), QStringList({"VOL", "KDJ"}));
    chart->unrequest();
}

// --- ranking list, live window, selector, keys, teardown

TEST_F(ChartInUse, AFullRequestBringsTheRankingListMarks)
{
    const QString key = QStringLiteral("SH600519");
    const auto days = ktest::PrivateMarket::store()->rankList(key);
    ASSERT_FALSE(days.isEmpty());
    QSet<qint64> listed;
    for (const auto& r : days)
        listed.insert(r.time);
    auto chart = std::make_unique<CSpyChart>(nullptr, 0);
    chart->resize(900, 600);
    chart->setStock(key);
    chart->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(chart.get()));
    chart->request(true);
    const auto series = chart->mainPane()->series();
    ASSERT_TRUE(ktest::waitUntil([&] { return series->rankListRecords().size() == listed.size(); }, 10000));
    EXPECT_EQ(series->rankListKey(), key);

    // Put the last listed day in the window: its diamond is drawn.
    auto ui = chart->getUiParam();
    const int bar = ui->getIndexByTimeTag(int(days.last().time / 1000));
    ASSERT_GE(bar, 0);
    const int first = std::max(0, bar - 30);
    chart->handleEvent(190, first, std::min(ui->getLastIndex(), first + 60), QString(), nullptr);
    QCoreApplication::processEvents();
    const auto table = series->rankTable();
    ASSERT_FALSE(table.isEmpty());
    const QImage img = chart->mainPane()->graph()->grab().toImage();
    EXPECT_EQ(QColor(img.pixel(table.lastKey(), 3)),
              KW::CUiResource::instance()->getColor(QStringLiteral("clr_global_rise")));
    chart->unrequest();
}

TEST_F(ChartInUse, ALiveWindowKeepsItsWidthAndOnlyTheWholeHistoryGrows)
{
    auto chart = dayChart();
    chart->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(chart.get()));
    chart->request(true);
    auto ui = chart->getUiParam();
    const int last = ui->getLastIndex();
    chart->handleEvent(190, last - 29, last, QString(), nullptr);
    for (int i = 1; i <= 5; ++i) {
        ui->m_tradeDateList.append(ui->m_tradeDateList.last() + 86400);
        chart->handleEvent(197, 0, 0, QString(), nullptr);
        EXPECT_EQ(ui->getMaxDispIndex(), last + i);
        EXPECT_EQ(ui->getMaxDispIndex() - ui->getMinDispIndex(), 29);
    }
    // Zoomed out to the whole history, the history grows in the window.
    const int end = ui->getLastIndex();
    chart->handleEvent(190, 0, end, QString(), nullptr);
    ASSERT_EQ(ui->getMinDispIndex(), 0);
    ui->m_tradeDateList.append(ui->m_tradeDateList.last() + 86400);
    chart->handleEvent(197, 0, 0, QString(), nullptr);
    EXPECT_EQ(ui->getMinDispIndex(), 0);
    EXPECT_EQ(ui->getMaxDispIndex(), end + 1);
    chart->unrequest();
}

TEST_F(ChartInUse, TheOverviewDrawsTheWholeHistoryUnderAWindowOfTheVisibleShare)
{
    auto chart = dayChart();
    chart->resize(1200, 700);
    chart->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(chart.get()));
    chart->request(true);
    // The pane never named its price formula the main graph.
    ASSERT_TRUE(chart->mainPane()->series()->getMainGraph().isEmpty());
    TC::CKLineTimeLineWidget* strip = chart->timeLine();
    strip->overviewAction()->setChecked(true);
    QCoreApplication::processEvents();
    auto ui = chart->getUiParam();
    const int bars = ui->getLastIndex() + 1;
    ASSERT_GT(bars, 1000);

    const QRect content = strip->overviewContentRect();
    ASSERT_FALSE(content.isEmpty());
    const QImage img = strip->grab().toImage();
    const QRgb fill =
        KW::CUiResource::instance()->getColor(QStringLiteral("ic_clr_timeline_overview_content")).rgb();
    // The curve's fill reaches from the first years to the last.
    for (int x : {content.left() + 10, content.center().x(), content.right() - 80}) {
        int filled = 0;
        for (int y = content.top(); y <= content.bottom(); ++y)
            filled += img.pixel(x, y) == fill;
        EXPECT_GT(filled, 0) << x;
    }
    // The window over it has the visible bars' share of the band.
    const int shown = ui->getMaxDispIndex() - ui->getMinDispIndex() + 1;
    EXPECT_NEAR(strip->overviewWindowRect().width(), double(content.width()) * shown / bars, 2.0);
    // Dragging it to the far left shows the first bars.
    const QRect w = strip->overviewWindowRect();
    QTest::mousePress(strip, Qt::LeftButton, Qt::NoModifier, QPoint(w.center().x(), content.center().y()));
    QMouseEvent move(QEvent::MouseMove, QPoint(-50, content.center().y()), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(strip, &move);
    QTest::mouseRelease(strip, Qt::LeftButton, Qt::NoModifier, QPoint(-50, content.center().y()));
    EXPECT_EQ(ui->getMinDispIndex(), 0);
    EXPECT_EQ(ui->getMaxDispIndex() - ui->getMinDispIndex() + 1, shown);
    chart->unrequest();
}

TEST_F(ChartInUse, TheChartsOwnSelectorBelongsToNoPane)
{
    auto chart = dayChart();
    ASSERT_NE(chart->getUiParam()->formulaBase, nullptr);
    EXPECT_EQ(chart->getUiParam()->formulaBase->owner(), nullptr);
    chart->setIndexType(4);
    EXPECT_EQ(chart->getUiParam()->formulaBase->owner(), nullptr);
    chart->setIndexType(0);
    EXPECT_EQ(chart->getUiParam()->formulaBase->owner(), nullptr);
}

TEST_F(ChartInUse, ChartsWithSubPanesComeApartInAnyState)
{
    // A highlighted sub-pane, a pane removed just before (still pending
    // deletion) and the time line's overview open.
    for (int variant = 0; variant < 3; ++variant) {
        auto chart = dayChart();
        chart->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(chart.get()));
        chart->request(true);
        chart->highlightWidget(chart->subPanes().at(variant)->paneId());
        if (variant == 1)
            chart->delIndexWidget(chart->subPanes().first()->paneId());
        QPointer<CKLineWidget> pane = chart->subPanes().last();
        chart.reset();
        EXPECT_TRUE(pane.isNull());
    }
}

} // namespace
