// Results of a series: history, real time, id re-mapping, satellite data,
// group results and ranking-list records.
#include <thread>

#include <gtest/gtest.h>

#include "SeriesTestSupport.h"
#include "common/PrivateMarket.h"
#include "platform/config/CLogCapture.h"
#include "platform/config/QLLog.h"
#include "platform/formula/IdGenerator.h"
#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/market/CMarketSimulator.h"
#include "platform/market/CMarketStore.h"
#include "series/CGroupResultManager.h"

using TC::CFormulaKey;
using TC::CFormulaManager;

namespace {

QVector<qint64> minuteTags(int n, qint64 first = 1700000000)
{
    QVector<qint64> t;
    for (int i = 0; i < n; ++i)
        t << first + i * 60;
    return t;
}

// Synthetic answers straight into the callbacks of a series whose request
// book holds the ids.
class SeriesResults : public ::testing::Test
{
protected:
    SeriesResults() : chart("SH600000", 60)
    {
        series = boost::shared_ptr<stest::CTestSeries>(new stest::CTestSeries(chart.ui, 0, &pane));
        series->setFormulas({"KLINE"});
        series->book(base, "base-id");
    }
    void TearDown() override { QCoreApplication::processEvents(); }

    void history(const QString& id, const QVector<qint64>& tags, bool flag = false)
    {
        series->formulaHistoryCallback(stest::klineMeta(), stest::klineResult(tags), id, 1, QString(), false,
                                       flag);
    }

    stest::CChart chart;
    stest::CRecordingPane pane;
    boost::shared_ptr<stest::CTestSeries> series;
    const CFormulaKey base{"SH600000", "KLINE"};
};

TEST_F(SeriesResults, HistoryOfAnUnknownIdIsLoggedAndNotStored)
{
    qlog::CLogCapture log(qlog::kFormulaLogger);
    history("stale-id", minuteTags(5));
    EXPECT_TRUE(log.contains("KLINE formula history callback, req id not found, return."));
    EXPECT_FALSE(series->hasData());
    EXPECT_TRUE(chart.ui->m_tradeDateList.isEmpty());
    EXPECT_TRUE(pane.events.empty());
    // Null records of a known id are ignored.
    series->formulaHistoryCallback(nullptr, nullptr, "base-id", 1, QString(), false, false);
    EXPECT_FALSE(series->hasData());
}

TEST_F(SeriesResults, BaseHistoryRebuildsTheBarListAndReports)
{
    const auto tags = minuteTags(30);
    history("base-id", tags, true);
    ASSERT_TRUE(series->getData().contains(base));
    EXPECT_EQ(chart.ui->m_tradeDateList, tags);
    EXPECT_EQ(chart.ui->crossIndex, 29);
    EXPECT_EQ(chart.ui->lockedIndex, 29);
    ASSERT_TRUE(pane.last(196));
    EXPECT_EQ(pane.last(196)->p2, 1);
    EXPECT_EQ(pane.count(3086), 1);
    EXPECT_EQ(pane.count(3087), 0); // no locked time tag
    EXPECT_TRUE(series->backtestIds().contains("base-id"));
}

TEST_F(SeriesResults, TradingDayBarReportsThePreviousClose)
{
    const auto tags = minuteTags(5);
    chart.ui->getTradeDateFunc = [&] { return int(tags[2]); };
    history("base-id", tags);
    const auto* e = pane.last(3073);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->p2, int(tags[2]));
    EXPECT_EQ(e->text, QString::number(10.0 + 1 + 0.3, 'g', 6)); // close of bar 1
}

TEST_F(SeriesResults, TwoAppendsThenACover)
{
    const auto tags = minuteTags(10);
    history("base-id", tags);
    const qint64 t1 = tags.last() + 60, t2 = tags.last() + 120;
    series->formulaRealtimeCallback(1, "base-id", stest::instant(t1, 50));
    series->formulaRealtimeCallback(1, "base-id", stest::instant(t2, 51));
    series->formulaRealtimeCallback(2, "base-id", stest::instant(t2 + 30, 52));
    const auto& cache = series->getData()[base];
    ASSERT_EQ(cache.barCount(), 12);
    EXPECT_EQ(cache.value(0, 10, 3), 50);
    EXPECT_EQ(cache.value(0, 11, 3), 52);
    EXPECT_EQ(cache.barTimeMs(11), (t2 + 30) * 1000);
    ASSERT_EQ(chart.ui->m_tradeDateList.size(), 12);
    EXPECT_EQ(chart.ui->m_tradeDateList[10], t1);
    EXPECT_EQ(chart.ui->m_tradeDateList.last(), t2 + 30);
    EXPECT_EQ(pane.count(197), 2);
    EXPECT_EQ(pane.count(3266), 2);
}

TEST_F(SeriesResults, EarlierRealtimeChangesNothing)
{
    const auto tags = minuteTags(10);
    history("base-id", tags);
    const size_t events = pane.events.size();
    series->formulaRealtimeCallback(1, "base-id", stest::instant(tags[5], 99));
    series->formulaRealtimeCallback(2, "base-id", stest::instant(tags[5], 99));
    EXPECT_EQ(series->getData()[base].barCount(), 10);
    EXPECT_EQ(series->getData()[base].value(0, 9, 3), 10.0 + 9 + 0.3);
    EXPECT_EQ(chart.ui->m_tradeDateList, tags);
    EXPECT_EQ(pane.events.size(), events);
}

TEST_F(SeriesResults, ARepeatedAppendOfTheLastBarChangesNothing)
{
    const auto tags = minuteTags(10);
    history("base-id", tags);
    const qint64 t1 = tags.last() + 60;
    series->formulaRealtimeCallback(1, "base-id", stest::instant(t1, 50));
    series->formulaRealtimeCallback(2, "base-id", stest::instant(t1, 53));
    const size_t events = pane.events.size();
    // the append again, after the cover it came before
    series->formulaRealtimeCallback(1, "base-id", stest::instant(t1, 50));
    const auto& cache = series->getData()[base];
    ASSERT_EQ(cache.barCount(), 11);
    EXPECT_EQ(cache.value(0, 10, 3), 53);
    ASSERT_EQ(chart.ui->m_tradeDateList.size(), 11);
    EXPECT_EQ(chart.ui->m_tradeDateList.last(), t1);
    EXPECT_EQ(pane.events.size(), events);

    // The tick line may hold several ticks of one time.
    chart.ui->tickGraph = true;
    series->formulaRealtimeCallback(1, "base-id", stest::instant(t1, 54));
    EXPECT_EQ(series->getData()[base].barCount(), 12);
    chart.ui->tickGraph = false;
}

TEST_F(SeriesResults, RealtimeWithoutResultOrIdIsDropped)
{
    qlog::CLogCapture log(qlog::kStdLogger);
    series->formulaRealtimeCallback(1, "base-id", stest::instant(100, 1));
    EXPECT_TRUE(log.contains("kline call back exception!"));
    series->formulaRealtimeCallback(1, "unknown", stest::instant(100, 1));
    series->formulaRealtimeCallback(1, "base-id", nullptr);
    EXPECT_FALSE(series->hasData());
    EXPECT_TRUE(pane.events.empty());
}

TEST_F(SeriesResults, CoverOnAnEmptyBarListRepairsAndWarns)
{
    history("base-id", minuteTags(3));
    chart.ui->m_tradeDateList.clear();
    qlog::CLogCapture log(qlog::kStdLogger);
    series->formulaRealtimeCallback(2, "base-id", stest::instant(1700000200, 7));
    EXPECT_EQ(chart.ui->m_tradeDateList, QVector<qint64>({1700000200}));
    ASSERT_FALSE(log.lines().empty());
    EXPECT_EQ(log.lines().back().level, qlog::LevelWarn);
    EXPECT_TRUE(log.contains("m_pUiParam->m_tradeDateList is empty, data type is cover. time:1700000200"));
}

TEST_F(SeriesResults, LockRestoreWaitsForTheSecondHistory)
{
    const auto tags = minuteTags(20);
    chart.ui->lockCursor = true;
    chart.ui->lockedTimeTag = int(tags[7]);
    chart.ui->crossIndex = 3;
    history("base-id", tags);
    EXPECT_EQ(chart.ui->crossIndex, 3);
    EXPECT_EQ(pane.count(3087), 0);
    EXPECT_EQ(series->lockRestoreCount(), 1);
    history("base-id", tags);
    EXPECT_EQ(chart.ui->crossIndex, 7);
    EXPECT_EQ(chart.ui->lockedIndex, 7);
    ASSERT_TRUE(pane.last(3087));
    EXPECT_EQ(pane.last(3087)->p2, 7);
    EXPECT_EQ(series->lockRestoreCount(), 0);
    // A locked time no longer held: the last bar.
    chart.ui->lockCursor = false;
    chart.ui->lockedTimeTag = 5;
    history("base-id", tags);
    EXPECT_EQ(chart.ui->crossIndex, 19);
}

TEST_F(SeriesResults, SuperposedKLineIsReindexedAndLeavesTheBarListAlone)
{
    chart.ui->addStock(TC::CStockManager::getInstrumentDetail("SZ000651"));
    const CFormulaKey sup("SZ000651", "KLINE");
    series->book(sup, "sup-id");
    const auto tags = minuteTags(10);
    history("base-id", tags);
    // The superposed instrument misses bar 3 and has one bar the chart does not.
    QVector<qint64> supTags = tags;
    supTags.remove(3);
    supTags.prepend(tags.first() - 60);
    history("sup-id", supTags);
    EXPECT_EQ(chart.ui->m_tradeDateList, tags);
    ASSERT_TRUE(series->nonBaseData().contains(sup));
    EXPECT_EQ(series->nonBaseData()[sup].barCount(), 10);
    const auto& re = series->getData()[sup];
    ASSERT_EQ(re.barCount(), 10);
    EXPECT_FALSE(re.barValid(3));
    EXPECT_TRUE(re.barValid(4));
    EXPECT_EQ(re.value(0, 0, 3), 11.3); // superposed bar 1 is the chart's bar 0
    EXPECT_EQ(re.meta->outputInts[0], 1);
    EXPECT_EQ(re.meta->colors[0], chart.ui->superposeColorMap.value("SZ000651"));

    // A base append gives the superposed series a placeholder outside its sessions.
    const qint64 night = tags.last() + 6 * 3600;
    series->formulaRealtimeCallback(1, "base-id", stest::instant(night, 1));
    EXPECT_EQ(series->getData()[sup].barCount(), 11);
    EXPECT_FALSE(series->getData()[sup].barValid(10));
    EXPECT_EQ(chart.ui->m_tradeDateList.size(), 11);
    // Its own append does not extend the chart.
    series->formulaRealtimeCallback(2, "sup-id", stest::instant(night, 2));
    EXPECT_EQ(chart.ui->m_tradeDateList.size(), 11);
}

TEST_F(SeriesResults, SeveralMainGraphFormulasExtendTheBarListOnce)
{
    const CFormulaKey ma("SH600000", "MA");
    series->setFormulas({"KLINE", "MA"});
    series->book(ma, "ma-id");
    const auto tags = minuteTags(5);
    history("base-id", tags);
    history("ma-id", tags);
    series->formulaRealtimeCallback(1, "base-id", stest::instant(tags.last() + 60, 1));
    series->formulaRealtimeCallback(1, "ma-id", stest::instant(tags.last() + 60, 1));
    EXPECT_EQ(chart.ui->m_tradeDateList.size(), 6);
}

TEST_F(SeriesResults, SubPaneHistoryRepaintsAndReportsItsPane)
{
    auto sub = boost::shared_ptr<stest::CTestSeries>(new stest::CTestSeries(chart.ui, 1, &pane));
    sub->setFormulas({"MACD"});
    sub->setPaneNo(4);
    sub->book(CFormulaKey("SH600000", "MACD"), "macd-id");
    sub->formulaHistoryCallback(stest::klineMeta(), stest::klineResult(minuteTags(4)), "macd-id", 1,
                                QString(), false, false);
    EXPECT_EQ(pane.count(180), 1);
    EXPECT_EQ(pane.count(3089), 1);
    ASSERT_TRUE(pane.last(3205));
    EXPECT_EQ(pane.last(3205)->p1, 1);
    EXPECT_EQ(pane.last(3205)->p2, 4);
    EXPECT_TRUE(chart.ui->m_tradeDateList.isEmpty());
    // Quiet answers do not repaint.
    sub->formulaHistoryCallback(stest::klineMeta(), stest::klineResult(minuteTags(4)), "macd-id", 2,
                                QString(), true, false);
    EXPECT_EQ(pane.count(180), 1);
}

TEST_F(SeriesResults, ResponseBackMovesIdsAndMatchesPythonFiles)
{
    const CFormulaKey py("SH600000", "PYDEMO");
    series->book(py, "py-old");
    TC::CFormulaParam p;
    p.market = "SH";
    p.code = "600000";
    p.formula = "C:\\terminal\\python\\PYDEMO.py";
    qlog::CLogCapture log(qlog::kStdLogger);
    series->formulaResponseBack({"py-new"}, {p});
    QString id;
    ASSERT_TRUE(series->getReq().getReq(id, py));
    EXPECT_EQ(id, "py-new");
    EXPECT_TRUE(log.contains("KLINE formulaResponseBack, remove id py-old."));
    EXPECT_TRUE(log.contains("KLINE formulaResponseBack, add id py-new."));

    // A key the series does not hold: nothing changes. Mismatched lengths are cut.
    TC::CFormulaParam q = p;
    q.code = "600519";
    series->formulaResponseBack({"other", "extra"}, {q});
    EXPECT_EQ(series->getReq().count(), 2);
}

TEST_F(SeriesResults, SatelliteDataIsAlignedOnTheChartBars)
{
    const auto tags = minuteTags(6);
    history("base-id", tags);
    // Two bars in the third bucket (the later wins), none in the fifth.
    QVector<qint64> satTags{tags[0], tags[2], tags[2] + 20, tags[3], tags[5]};
    auto r = stest::klineResult(satTags);
    series->satelliteFormulaDataCallback(stest::klineMeta(), r, "sat", "SATX", 1);
    const auto& c = series->getData()[CFormulaKey("SH600000", "SATX")];
    ASSERT_EQ(c.barCount(), 6);
    EXPECT_EQ(c.value(0, 2, 3), 12.3);
    EXPECT_FALSE(c.barValid(1));
    EXPECT_FALSE(c.barValid(4));
    EXPECT_TRUE(c.barValid(5));
    series->satelliteFormulaDataCallback(nullptr, r, "sat", "SATX", 1); // ignored
}

TEST_F(SeriesResults, RankListRecordsArriveFromAWorkerThread)
{
    history("base-id", minuteTags(3));
    const size_t repaintsBefore = size_t(pane.count(180));
    CFormulaManager::RankListByDay days;
    auto rec = std::make_shared<se::LongHuBangRankListInfo>();
    rec->key = "SH600000";
    days[1700000000000LL] << rec;
    std::thread worker([&] {
        series->LonghubangCallback("SZ", "000651", days, 0); // another instrument: dropped
        series->LonghubangCallback("SH", "600000", days, 1); // sets the skip flag
        series->LonghubangCallback("SH", "600000", days, 0); // skipped, flag cleared
    });
    worker.join();
    ASSERT_TRUE(stest::waitFor([&] { return size_t(pane.count(180)) > repaintsBefore; }));
    EXPECT_EQ(series->rankListKey(), "SH600000");
    EXPECT_EQ(series->rankListRecords().value(1700000000000LL).size(), 1);
    series->LonghubangCallback("SH", "600000", days, 0);
    EXPECT_EQ(series->rankListRecords().value(1700000000000LL).size(), 2);
}

// Against the real service and the market simulator over a private store.
class SeriesLive : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ktest::PrivateMarket::createStore(); }
    static void TearDownTestSuite() { ktest::PrivateMarket::destroyStore(); }
    void SetUp() override
    {
        m_market.attach();
        m_sim = m_market.simulator();
    }
    void TearDown() override
    {
        for (auto& s : m_series)
            s->unrequest();
        CFormulaManager::instance()->waitForWorkers();
        QCoreApplication::processEvents();
        m_market.detach();
    }
    ktest::PrivateMarket m_market;
    TC::CMarketSimulator* m_sim = nullptr;
    std::vector<boost::shared_ptr<TC::CKLineData>> m_series;
    stest::CRecordingPane pane;
};

TEST_F(SeriesLive, SimulatedTicksAppendBarsToTheChart)
{
    stest::CChart chart("SH600000", 60);
    ASSERT_TRUE(chart.ui->curStock);
    auto s = boost::shared_ptr<TC::CKLineData>(new TC::CKLineData(chart.ui, 0, &pane));
    m_series.push_back(s);
    s->setFormulas({"KLINE"});
    s->request(0, false);
    const CFormulaKey key("SH600000", "KLINE");
    ASSERT_TRUE(stest::waitFor([&] { return s->getData().contains(key); }));
    const int before = chart.ui->m_tradeDateList.size();
    ASSERT_GT(before, 0);
    for (int i = 0; i < 400 && pane.count(197) == 0; ++i) {
        m_sim->step();
        QCoreApplication::processEvents();
    }
    ASSERT_GT(pane.count(197), 0);
    EXPECT_GT(pane.count(3266), 0);
    EXPECT_GT(chart.ui->m_tradeDateList.size(), before);
    EXPECT_EQ(chart.ui->m_tradeDateList.size(), s->getData()[key].barCount());
    EXPECT_EQ(chart.ui->m_tradeDateList.last(),
              s->getData()[key].barTimeMs(s->getData()[key].barCount() - 1) / 1000);
}

TEST_F(SeriesLive, GroupModelRegistersWithTheStoreAndReportsCompletion)
{
    stest::CChart chart("SH600000");
    auto s = boost::shared_ptr<TC::CKLineData>(new TC::CKLineData(chart.ui, 1, &pane));
    m_series.push_back(s);
    s->setFormulas({"GROUPDEMO"});
    s->request(1, false);
    EXPECT_EQ(s->modelRun(), 1);
    const int starts = pane.count(3086); // the start event (no group-index graph shown)
    const QString id = se::IdGenerator::genId(5000, "GROUPDEMO", "SH600000");
    ASSERT_TRUE(stest::waitFor([&] { return s->hasData(); }));
    auto* store = utils::CSingletonT<TC::CGroupResultManager>::instance();
    EXPECT_EQ(store->series(id), s.get());
    EXPECT_EQ(store->groupKeyOf("GROUPDEMO"), id);
    EXPECT_TRUE(s->hasGroupResult(id));
    EXPECT_EQ(pane.count(3085), 1);
    EXPECT_EQ(pane.count(3086), starts); // a group model's history does not report 3086
    // Cancelling the id unregisters it.
    s->unrequest();
    EXPECT_EQ(store->series(id), nullptr);
}

} // namespace
