// What a chart repaints on its interactive paths: a crosshair sweep over
// every pane repaints strips only and leaves the screen equal to a fresh
// paint; a burst of real-time updates refreshes each pane once.
#include <gtest/gtest.h>

#include <random>

#include <QMouseEvent>
#include <QScreen>
#include <QTest>

#include "common/PrivateMarket.h"
#include "dialogs/CKLineTimeLineWidget.h"
#include "kline/CKLineWidget.h"
#include "kline/KLineTestSupport.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/indexui/CIndexTitleWidget.h"
#include "series/CKLineData.h"

using ktest::CSpyChart;
using TC::CKLineWidget;

namespace {

class ChartRepaint : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ktest::PrivateMarket::createStore(); }
    static void TearDownTestSuite() { ktest::PrivateMarket::destroyStore(); }
    void SetUp() override
    {
        m_market.attach();
        chart = std::make_unique<CSpyChart>(nullptr, 0);
        chart->resize(900, 700);
        for (const char* f : {"VOL", "MACD", "KDJ"})
            static_cast<CKLineWidget*>(chart->addIndexWidget())->addIndex(f, QString());
        chart->setStock("SH600000");
        chart->setPeriod(86400);
        chart->setDrType(0);
        chart->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(chart.get()));
        chart->request(true);
        ASSERT_GT(chart->getUiParam()->m_tradeDateList.size(), 200);
        panes = {chart->mainPane()};
        panes << chart->subPanes();
        // Answers that arrive late (ranking lists) are in before the test.
        TC::CFormulaManager::instance()->waitForWorkers();
        QCoreApplication::processEvents();
        paintPending();
    }
    void TearDown() override
    {
        chart.reset();
        TC::CFormulaManager::instance()->resetBackend();
        TC::CFormulaManager::instance()->waitForWorkers();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        m_market.detach();
    }
    static void paintPending() { QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest); }
    void move(CKLineWidget* pane, const QPoint& p)
    {
        TC::CKLineGraphWidget* g = pane->graph();
        QMouseEvent e(QEvent::MouseMove, p, g->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(g, &e);
        paintPending();
    }
    QImage onScreen()
    {
        return chart->screen()->grabWindow(chart->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    }
    QImage freshPaint() { return chart->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    struct Feed {
        TC::CKLineData* series;
        QString id;
        TC::CFormulaKey key;
        std::shared_ptr<se::RPCFormulaInstantResult> instant;
    };
    // One cover per live subscription, starting from the stored newest bar.
    std::vector<Feed> liveFeeds() const
    {
        std::vector<Feed> feeds;
        for (CKLineWidget* pane : panes)
            for (const QString& id : pane->series()->reqIds()) {
                TC::CFormulaKey key;
                if (!pane->series()->getReq().getKey(key, id))
                    continue;
                const auto& cache = pane->series()->getData()[key];
                auto instant = std::make_shared<se::RPCFormulaInstantResult>();
                instant->time = cache.result->times.back();
                for (const auto& v : cache.result->values)
                    instant->values.push_back(v.back());
                feeds.push_back({pane->series().get(), id, key, instant});
            }
        return feeds;
    }
    // Flushes every pane's pending refresh, then redraws its picture whole:
    // the two must be the same pixels.
    ::testing::AssertionResult flushedPicturesAreFullRedraws()
    {
        for (int i = 0; i < panes.size(); ++i) {
            TC::CKLineGraphWidget* g = panes[i]->graph();
            panes[i]->flushRefresh();
            const QImage flushed = g->graphPicture();
            g->refreshGraph();
            if (!(g->graphPicture() == flushed))
                return ::testing::AssertionFailure() << "pane " << i << " differs from a full redraw";
        }
        return ::testing::AssertionSuccess();
    }
    int refreshes() const
    {
        int n = 0;
        for (CKLineWidget* p : panes)
            n += p->graph()->refreshCount();
        return n;
    }

    ktest::PrivateMarket m_market;
    std::unique_ptr<CSpyChart> chart;
    QVector<CKLineWidget*> panes;
};

TEST_F(ChartRepaint, ACrosshairSweepOverEveryPaneLeavesTheScreenAsAFreshPaint)
{
    TC::CKLineUiParam& ui = *chart->getUiParam();
    ui.crossVisible = true;
    const int before = refreshes();
    for (CKLineWidget* pane : panes) {
        const int h = pane->graph()->height();
        for (int x = 3; x < pane->graph()->width() - 60; x += 23)
            move(pane, QPoint(x, (x * 7) % h));
    }
    CKLineWidget* last = panes.last();
    move(last, QPoint(300, last->graph()->height() / 2));
    EXPECT_EQ(refreshes(), before) << "a move redrew a cached picture";
    // The pane under the mouse has the row line, the others only the bar's.
    EXPECT_TRUE(last->graph()->isMouseIn());
    EXPECT_TRUE(last->graph()->crosshairRegion().contains(QPoint(10, last->graph()->height() / 2)));
    EXPECT_FALSE(chart->mainPane()->graph()->isMouseIn());
    const QImage screen = onScreen();
    EXPECT_TRUE(screen == freshPaint());

    // Every title and the time strip name the bar under the mouse.
    const int bar = ui.getIndexByXAxis(300);
    EXPECT_EQ(ui.crossIndex, bar);
    for (CKLineWidget* pane : panes)
        EXPECT_EQ(pane->title()->indexId(), bar);
    EXPECT_EQ(chart->timeLine()->tipIndex(), bar);
    // The main title shows that bar's close (two decimals, as the stock's tick).
    const auto& data = chart->mainPane()->series()->getData();
    const auto it = data.constFind(TC::CFormulaKey("SH600000", "KLINE"));
    ASSERT_NE(it, data.constEnd());
    const double close = it->value(0, bar, 3);
    const QString title = chart->mainPane()->title()->titleText();
    EXPECT_TRUE(title.contains(QString::number(close, 'f', 2))) << title.toStdString();

    // Hidden again (the host's key path delivers the same event): nothing of
    // it stays anywhere, the titles go back to the newest bar.
    ui.crossVisible = false;
    chart->handleEvent(187, 0, -1, QString(), nullptr);
    paintPending();
    EXPECT_TRUE(onScreen() == freshPaint());
    EXPECT_EQ(chart->timeLine()->tipBoxRect(), QRect());
}

TEST_F(ChartRepaint, ABurstOfRealTimeCoversRefreshesEachPaneOnceWithTheLastValues)
{
    std::vector<Feed> feeds = liveFeeds();
    ASSERT_GE(feeds.size(), 4u);
    QVector<int> counts;
    QVector<QImage> pictures;
    for (CKLineWidget* pane : panes) {
        counts << pane->graph()->refreshCount();
        pictures << pane->graph()->graphPicture();
    }
    // 100 updates in a row, the paints they ask for run between them.
    for (int k = 1; k <= 100; ++k) {
        for (Feed& f : feeds)
            for (double& v : f.instant->values)
                v *= k == 100 ? 1.2 : 1.001;
        for (Feed& f : feeds)
            f.series->formulaRealtimeCallback(2, f.id, f.instant);
        paintPending();
    }
    for (int i = 0; i < panes.size(); ++i) {
        EXPECT_EQ(panes[i]->graph()->refreshCount(), counts[i]) << "pane " << i;
        EXPECT_TRUE(panes[i]->isRefreshPending());
    }
    ASSERT_TRUE(ktest::waitUntil([&] {
        for (CKLineWidget* p : panes)
            if (p->isRefreshPending())
                return false;
        return true;
    }));
    for (int i = 0; i < panes.size(); ++i) {
        TC::CKLineGraphWidget* g = panes[i]->graph();
        EXPECT_EQ(g->refreshCount(), counts[i] + 1) << "pane " << i;
        // The picture is the last update's: a redraw now changes nothing,
        // and it differs from the one before the burst.
        const QImage shown = g->graphPicture();
        EXPECT_NE(shown, pictures[i]) << "pane " << i;
        g->refreshGraph();
        EXPECT_TRUE(g->graphPicture() == shown) << "pane " << i;
    }
    for (const Feed& f : feeds) {
        const auto& values = f.series->getData()[f.key].result->values;
        for (std::size_t o = 0; o < values.size(); ++o)
            EXPECT_EQ(values[o].back(), f.instant->values[o]);
    }
}

TEST_F(ChartRepaint, AHistoryAnswerStillRefreshesAtOnce)
{
    // Only real time waits for the frame: a request answered now is drawn now.
    const int before = chart->mainPane()->graph()->refreshCount();
    chart->request(true);
    EXPECT_GT(chart->mainPane()->graph()->refreshCount(), before);
    for (CKLineWidget* pane : panes)
        EXPECT_FALSE(pane->isRefreshPending());
}

} // namespace

TEST_F(ChartRepaint, CoversOfTheNewestBarRedrawItsStripWithAFullRedrawsPixels)
{
    // With BOLL the price range reaches past the candles: a new high can
    // move the high mark without changing the range.
    chart->mainPane()->addIndex("BOLL", QString());
    chart->request(true);
    TC::CFormulaManager::instance()->waitForWorkers();
    QCoreApplication::processEvents();
    paintPending();
    std::vector<Feed> feeds = liveFeeds();
    ASSERT_GE(feeds.size(), 4u);
    TC::CKLineUiParam& ui = *chart->getUiParam();
    const int newest = ui.m_tradeDateList.size() - 1;
    // The highest high of the shown bars before the newest (KLINE: open,
    // high, low, close), for a cover that ties it.
    const auto& bars = chart->mainPane()->series()->getData()[TC::CFormulaKey("SH600000", "KLINE")];
    double highest = 0.0;
    for (int b = ui.getMinDispIndex(); b < newest; ++b)
        highest = std::max(highest, bars.value(0, b, 1));
    std::vector<std::vector<double>> stored;
    for (const Feed& f : feeds)
        stored.push_back(f.instant->values);
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> step(-0.002, 0.002);
    QVector<int> tails;
    for (CKLineWidget* pane : panes)
        tails << pane->graph()->tailRefreshCount();
    for (int k = 0; k < 60; ++k) {
        if (k == 40) // the newest bar scrolled out of the window
            chart->changeDispRegion(ui.getMinDispIndex() - 30, ui.getMaxDispIndex() - 30);
        for (std::size_t n = 0; n < feeds.size(); ++n) {
            Feed& f = feeds[n];
            // Around the stored bar; some covers leave the range, the next
            // come back into it.
            double factor = k % 15 == 7 ? 1.3 : 1.0 + step(rng);
            // The newest bar (the sample's high) and its bands inside the
            // range, so older bars set it.
            if (f.key.formula == QLatin1String("BOLL"))
                factor *= 0.9;
            else if (f.key.formula == QLatin1String("KLINE"))
                factor *= 0.95;
            for (std::size_t v = 0; v < f.instant->values.size(); ++v)
                f.instant->values[v] = stored[n][v] * factor;
            if ((k == 20 || k == 22) && f.key.formula == QLatin1String("KLINE") && f.instant->values.size() >= 4) {
                // Ties the window's high, then passes it by a hair.
                f.instant->values[1] = k == 20 ? highest : highest * 1.0005;
                f.instant->values[3] = std::min(f.instant->values[3], highest);
            }
            f.series->formulaRealtimeCallback(2, f.id, f.instant);
        }
        ASSERT_TRUE(flushedPicturesAreFullRedraws()) << "after cover " << k;
        paintPending();
    }
    // The strip path ran in every pane, and what it painted is on screen.
    for (int i = 0; i < panes.size(); ++i)
        EXPECT_GT(panes[i]->graph()->tailRefreshCount(), tails[i] + 10) << "pane " << i;
    EXPECT_TRUE(onScreen() == freshPaint());
}

TEST_F(ChartRepaint, WidePensKeepAFullRedrawsPixelsInTheStrip)
{
    // The widest lines and sticks, zig-zagging over the last bars: their caps
    // and joins reach furthest past the bars the strip redraw strokes.
    TC::CKLineUiParam& ui = *chart->getUiParam();
    const int newest = ui.m_tradeDateList.size() - 1;
    for (CKLineWidget* pane : panes) {
        auto& data = pane->series()->getData();
        for (auto it = data.begin(); it != data.end(); ++it) {
            if (!it->meta || !it->result)
                continue;
            it->meta->widths.assign(it->meta->widths.size(), 9);
            if (it.key().formula == QLatin1String("KLINE"))
                continue;
            for (auto& column : it->result->values)
                for (int b = newest - 16; b < newest; ++b)
                    column[std::size_t(b)] = column[std::size_t(newest - 17)] * (b % 3 == 0 ? 1.4 : b % 3 == 1 ? 0.6 : 1.0);
        }
        pane->graph()->refreshGraph();
    }
    paintPending();
    std::vector<Feed> feeds = liveFeeds();
    ASSERT_GE(feeds.size(), 4u);
    // Each column's range over the shown bars before the newest: covers
    // inside it leave the pane's range and the marks where they are.
    std::vector<std::vector<std::pair<double, double>>> ranges;
    for (const Feed& f : feeds) {
        const auto& values = f.series->getData()[f.key].result->values;
        std::vector<std::pair<double, double>> r;
        for (const auto& column : values) {
            double lo = column[std::size_t(newest - 1)];
            double hi = lo;
            for (int b = ui.getMinDispIndex(); b < newest; ++b) {
                lo = std::min(lo, column[std::size_t(b)]);
                hi = std::max(hi, column[std::size_t(b)]);
            }
            r.emplace_back(lo, hi);
        }
        ranges.push_back(r);
    }
    QVector<int> tails;
    for (CKLineWidget* pane : panes)
        tails << pane->graph()->tailRefreshCount();
    for (int k = 0; k < 30; ++k) {
        for (std::size_t n = 0; n < feeds.size(); ++n) {
            Feed& f = feeds[n];
            const bool candle = f.key.formula == QLatin1String("KLINE");
            for (std::size_t v = 0; v < f.instant->values.size(); ++v) {
                const auto [lo, hi] = ranges[n][v];
                // open, high, low, close of a candle; any other value swings
                // between a third and two thirds of its range.
                double at = k % 2 ? 0.35 : 0.65;
                if (candle)
                    at = v == 1 ? 0.8 : v == 2 ? 0.2 : v == 0 ? (k % 2 ? 0.4 : 0.6) : (k % 2 ? 0.6 : 0.4);
                f.instant->values[v] = lo + (hi - lo) * at;
            }
            f.series->formulaRealtimeCallback(2, f.id, f.instant);
        }
        ASSERT_TRUE(flushedPicturesAreFullRedraws()) << "after cover " << k;
    }
    for (int i = 0; i < panes.size(); ++i)
        EXPECT_GT(panes[i]->graph()->tailRefreshCount(), tails[i] + 20) << "pane " << i;
}
