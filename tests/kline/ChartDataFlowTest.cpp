// A chart against the real formula service over a private market: the full
// batch request, per-series requests, real time, cancellation and teardown.
#include <gtest/gtest.h>

#include <boost/weak_ptr.hpp>

#include <QApplication>
#include <QTest>

#include "common/PrivateMarket.h"
#include "kline/CKLineWidget.h"
#include "kline/KLineTestSupport.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/formula/IdGenerator.h"
#include "platform/formula/service/CFormulaBackend.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/framework/CEventBus.h"
#include "platform/indexui/CIndexTitleWidget.h"
#include "series/CKLineData.h"

using ktest::CSpyChart;
using TC::CFormulaKey;
using TC::CFormulaManager;
using TC::CKLineWidget;

namespace {

class ChartDataFlow : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ktest::PrivateMarket::createStore(); }
    static void TearDownTestSuite() { ktest::PrivateMarket::destroyStore(); }
    void SetUp() override
    {
        m_market.attach();
        m_baseline = CFormulaManager::instance()->requestIds().size();
    }
    void TearDown() override
    {
        CFormulaManager::instance()->resetBackend();
        CFormulaManager::instance()->waitForWorkers();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        m_market.detach();
    }
    // A chart of the sample market's most active stock with VOL, MACD, KDJ.
    std::unique_ptr<CSpyChart> makeChart(int period = 86400, const QString& code = "SH600000")
    {
        auto chart = std::make_unique<CSpyChart>(nullptr, 0);
        chart->resize(900, 700);
        for (const char* f : {"VOL", "MACD", "KDJ"}) {
            CKLineWidget* pane = static_cast<CKLineWidget*>(chart->addIndexWidget());
            pane->addIndex(f, QString());
        }
        chart->setStock(code);
        chart->setPeriod(period);
        chart->setDrType(0);
        return chart;
    }
    static int bars(const CKLineWidget* pane, const QString& formula, const QString& stock = "SH600000")
    {
        const auto& data = pane->series()->getData();
        const auto it = data.constFind(CFormulaKey(stock, formula));
        return it == data.constEnd() ? -1 : it->barCount();
    }
    int liveIds() const { return CFormulaManager::instance()->requestIds().size() - m_baseline; }

    ktest::PrivateMarket m_market;
    int m_baseline = 0;
};

TEST_F(ChartDataFlow, OneBatchFillsEveryPaneAndTheTitlesShowValues)
{
    auto chart = makeChart();
    chart->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(chart.get()));
    chart->request(true);
    EXPECT_TRUE(chart->isRequested());
    EXPECT_EQ(chart->lastBatchSize(), 5); // KLINE, MA, VOL, MACD, KDJ
    const int n = chart->getUiParam()->m_tradeDateList.size();
    ASSERT_GT(n, 1000);
    EXPECT_EQ(bars(chart->mainPane(), "KLINE"), n);
    EXPECT_EQ(bars(chart->mainPane(), "MA"), n);
    EXPECT_EQ(bars(chart->subPanes()[0], "VOL"), n);
    EXPECT_EQ(bars(chart->subPanes()[1], "MACD"), n);
    EXPECT_EQ(bars(chart->subPanes()[2], "KDJ"), n);
    // The batch's records sit with the panes that asked for them.
    EXPECT_TRUE(chart->subPanes()[0]->series()->getData().size() == 1);
    EXPECT_EQ(liveIds(), 5);

    // The window ends on the newest bar.
    EXPECT_EQ(chart->getUiParam()->getMaxDispIndex(), n - 1);
    EXPECT_EQ(chart->getUiParam()->getMinDispIndex(), n - 1 - chart->getUiParam()->resetSpan);

    // Titles: names with parameters and the values of the cursor bar.
    const QString macd = chart->subPanes()[1]->title()->titleText();
    EXPECT_TRUE(macd.contains("MACD(12,26,9)")) << macd.toStdString();
    EXPECT_TRUE(macd.contains("DIF")) << macd.toStdString();
    const QString main = chart->mainPane()->title()->titleText();
    EXPECT_TRUE(main.contains("MA")) << main.toStdString();

    // A second full request asks again and ends in the same state.
    chart->request(true);
    EXPECT_EQ(chart->lastBatchSize(), 5);
    EXPECT_EQ(bars(chart->subPanes()[2], "KDJ"), n);
    EXPECT_EQ(liveIds(), 5);
}

TEST_F(ChartDataFlow, AShortBatchLeavesThePanesEmptyAndTheNextRequestRecovers)
{
    auto chart = makeChart();
    TC::CFormulaBackend failing = TC::CFormulaBackend::engine();
    const auto real = failing.compute;
    failing.compute = [real](const TC::CFormulaParam& p, se::RPCFormulaMetaResult& m, se::RPCFormulaResult& r,
                             QString* e) {
        if (p.formula.toUpper() == "KDJ")
            return false;
        return real(p, m, r, e);
    };
    CFormulaManager::instance()->setBackend(failing);
    const int refreshes = chart->mainPane()->graph()->refreshCount();
    chart->request(true);
    EXPECT_EQ(bars(chart->mainPane(), "KLINE"), -1);
    EXPECT_EQ(bars(chart->subPanes()[0], "VOL"), -1);
    EXPECT_EQ(chart->mainPane()->graph()->refreshCount(), refreshes);
    EXPECT_EQ(liveIds(), 0);
    EXPECT_TRUE(chart->mainPane()->series()->reqIds().isEmpty());

    CFormulaManager::instance()->resetBackend();
    chart->request(false);
    ASSERT_TRUE(ktest::waitUntil([&] { return bars(chart->subPanes()[2], "KDJ") > 0; }));
    EXPECT_GT(bars(chart->mainPane(), "KLINE"), 0);
    chart->unrequest();
    EXPECT_EQ(liveIds(), 0);
}

TEST_F(ChartDataFlow, RepeatedRequestsSendNothingNewAndRemovalCancelsExactlyItsId)
{
    auto chart = makeChart();
    chart->request(true);
    const QStringList before = CFormulaManager::instance()->requestIds();
    chart->request(false);
    chart->request(false);
    QCoreApplication::processEvents();
    EXPECT_EQ(CFormulaManager::instance()->requestIds(), before);

    const QString macdId = se::IdGenerator::genId(chart->mainId(), "MACD", "SH600000");
    ASSERT_TRUE(before.contains(macdId));
    chart->subPanes()[1]->removeIndex("MACD");
    QStringList after = CFormulaManager::instance()->requestIds();
    QStringList expected = before;
    expected.removeAll(macdId);
    EXPECT_EQ(after, expected);
    EXPECT_TRUE(chart->subPanes()[1]->series()->getData().isEmpty());
    chart->unrequest();
}

TEST_F(ChartDataFlow, ClearKeepsAGroupModelPaneAndIndexChartsDropIt)
{
    auto chart = makeChart();
    chart->subPanes()[1]->setIndex("GROUPDEMO", QString());
    chart->request(true);
    ASSERT_TRUE(chart->subPanes()[1]->hasGroupModelIndex());
    ASSERT_TRUE(ktest::waitUntil([&] { return chart->subPanes()[1]->hasData(); }));
    chart->clear(true);
    EXPECT_TRUE(chart->subPanes()[1]->hasData());
    EXPECT_FALSE(chart->subPanes()[0]->hasData());
    EXPECT_FALSE(chart->mainPane()->hasData());
    EXPECT_TRUE(chart->getUiParam()->m_tradeDateList.isEmpty());

    // A stock chart keeps the group model subscribed.
    chart->unrequestSubGraph();
    EXPECT_FALSE(chart->subPanes()[1]->series()->reqIds().isEmpty());
    EXPECT_TRUE(chart->subPanes()[0]->series()->reqIds().isEmpty());
    chart->unrequest();
    chart->setStock(QStringLiteral("SH000001"));
    chart->unrequestSubGraph();
    EXPECT_TRUE(chart->subPanes()[1]->series()->reqIds().isEmpty());
}

TEST_F(ChartDataFlow, TheChartFollowsSimulatedTradingBarByBar)
{
    auto chart = makeChart(60);
    chart->request(true);
    auto ui = chart->getUiParam();
    const int before = ui->m_tradeDateList.size();
    ASSERT_GT(before, 100);
    ASSERT_EQ(bars(chart->mainPane(), "KLINE"), before);
    const int lastShown = ui->getMaxDispIndex();
    ASSERT_EQ(lastShown, before - 1);

    for (int i = 0; i < 600 && chart->count(197) < 2; ++i) {
        m_market.simulator()->step();
        QCoreApplication::processEvents();
    }
    ASSERT_GE(chart->count(197), 2);
    EXPECT_GE(chart->count(3266), 2);
    const int now = ui->m_tradeDateList.size();
    EXPECT_GE(now, before + 2);
    EXPECT_EQ(bars(chart->mainPane(), "KLINE"), now);
    EXPECT_EQ(bars(chart->subPanes()[0], "VOL"), now);
    EXPECT_EQ(bars(chart->subPanes()[1], "MACD"), now);
    // The window showed the newest bar, so it follows it.
    EXPECT_EQ(ui->getMaxDispIndex(), now - 1);
    EXPECT_EQ(ui->m_tradeDateList.last(),
              chart->mainPane()->series()->getData()[CFormulaKey("SH600000", "KLINE")].barTimeMs(now - 1) / 1000);
    chart->unrequest();
    EXPECT_EQ(liveIds(), 0);
}

TEST_F(ChartDataFlow, ALateTradeInAClosedMinuteReachesTheChart)
{
    auto chart = makeChart(60);
    chart->request(true);
    for (int i = 0; i < 600 && chart->count(197) < 3; ++i) {
        m_market.simulator()->step();
        QCoreApplication::processEvents();
    }
    ASSERT_GE(chart->count(197), 3);
    TC::CMarketStore* store = ktest::PrivateMarket::store();
    QVector<quoter::CBar> minutes = store->minuteBars("SH600000");
    quoter::CBar closed = minutes[minutes.size() - 2];
    closed.volume += 900;
    closed.amount += 900 * closed.close;
    ASSERT_TRUE(store->modifyBar("SH600000", 60, closed.time, closed));
    const int bars = chart->getUiParam()->m_tradeDateList.size();
    for (int i = 0; i < 600 && store->minuteBars("SH600000").size() == minutes.size(); ++i) {
        m_market.simulator()->step();
        QCoreApplication::processEvents();
    }
    // the corrected minute, on the price pane and the volume pane alike
    for (CKLineWidget* pane : {chart->mainPane(), chart->subPanes()[0]}) {
        const QString formula = pane == chart->mainPane() ? "KLINE" : "VOL";
        const auto& cache = pane->series()->getData()[CFormulaKey("SH600000", formula)];
        const int n = cache.barCount();
        ASSERT_EQ(n, bars + 1) << formula.toStdString();
        ASSERT_EQ(cache.barTimeMs(n - 3), closed.time * 1000);
        // KLINE carries the volume in its fifth data vector, VOL in its first
        EXPECT_EQ(cache.result->values[formula == "KLINE" ? 4 : 0][size_t(n - 3)], closed.volume)
            << formula.toStdString();
    }
    EXPECT_EQ(chart->getUiParam()->m_tradeDateList.size(), bars + 1);
    chart->unrequest();
}

TEST_F(ChartDataFlow, ChartsComeAndGoWithoutLeavingAnythingBehind)
{
    const int subscribers = KW::CEventBus::instance()->subscriberCount();
    const int topLevels = QApplication::topLevelWidgets().size();
    std::vector<boost::weak_ptr<TC::CKLineData>> series;
    for (int i = 0; i < 1000; ++i) {
        auto chart = std::make_unique<CSpyChart>(nullptr, 0);
        chart->adjustIndexWidgetSize(4);
        series.push_back(chart->mainPane()->series());
        for (CKLineWidget* p : chart->subPanes())
            series.push_back(p->series());
        if (i % 100 == 0) {
            chart->setStock(QStringLiteral("SH600000"));
            chart->request(true);
            EXPECT_EQ(liveIds(), 5); // KLINE, MA and one per sub-pane
        }
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    EXPECT_EQ(liveIds(), 0);
    EXPECT_EQ(KW::CEventBus::instance()->subscriberCount(), subscribers);
    EXPECT_EQ(QApplication::topLevelWidgets().size(), topLevels);
    int alive = 0;
    for (const auto& w : series)
        alive += !w.expired();
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(series.size(), 4000u);
}

} // namespace
