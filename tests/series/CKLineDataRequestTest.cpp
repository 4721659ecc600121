// Requests of a series against the real formula service: what is sent, what
// is cancelled, which events go to the pane.
#include <gtest/gtest.h>

#include "SeriesTestSupport.h"
#include "platform/config/CLogCapture.h"
#include "platform/config/QLLog.h"
#include "platform/formula/IdGenerator.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/formula/service/CMergeRequestManager.h"
#include "platform/formula/service/CReplayManager.h"
#include "series/CGroupResultManager.h"

using TC::CFormulaKey;
using TC::CFormulaManager;
using TC::CKLineData;

namespace {

class SeriesRequest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        for (auto& s : m_series)
            s->unrequest();
        CFormulaManager::instance()->waitForWorkers();
        QCoreApplication::processEvents();
    }
    boost::shared_ptr<stest::CTestSeries> make(stest::CChart& chart, int role, const QStringList& formulas)
    {
        auto s = boost::shared_ptr<stest::CTestSeries>(new stest::CTestSeries(chart.ui, role, &m_pane));
        s->setFormulas(formulas);
        m_series.push_back(s);
        return s;
    }
    static QString id(const QString& formula, const QString& stock)
    {
        return se::IdGenerator::genId(5000, formula, stock);
    }
    static bool answered(const CKLineData& s, const CFormulaKey& k) { return s.getData().contains(k); }

    stest::CRecordingPane m_pane;
    std::vector<boost::shared_ptr<stest::CTestSeries>> m_series;
};

TEST_F(SeriesRequest, MainPaneRequestLogsSendsAndFillsTheChart)
{
    stest::CChart chart("SH600000");
    auto s = make(chart, 0, {"KLINE"});
    qlog::CLogCapture log(qlog::kStdLogger);
    s->request(0, true);
    EXPECT_TRUE(log.contains("mainID:5000, requstID:" + id("KLINE", "SH600000").toStdString()));
    EXPECT_TRUE(log.contains("key:SH600000,period:86400000,dataDemand:3,level:1"));
    EXPECT_TRUE(log.contains("[TC::CKLineData::request] "));
    EXPECT_EQ(m_pane.count(3086), 1);
    EXPECT_TRUE(CFormulaManager::instance()->isRequested(id("KLINE", "SH600000")));

    const CFormulaKey key("SH600000", "KLINE");
    ASSERT_TRUE(stest::waitFor([&] { return answered(*s, key); }));
    const int bars = s->getData()[key].barCount();
    ASSERT_GT(bars, 100);
    ASSERT_EQ(chart.ui->m_tradeDateList.size(), bars);
    EXPECT_EQ(chart.ui->m_tradeDateList.last(), s->getData()[key].barTimeMs(bars - 1) / 1000);
    EXPECT_EQ(chart.ui->crossIndex, bars - 1);
    ASSERT_TRUE(m_pane.last(196));
    EXPECT_EQ(m_pane.last(196)->p2, 1); // the bound flag
    ASSERT_TRUE(m_pane.last(3205));
    EXPECT_EQ(m_pane.last(3205)->p1, 0);
}

TEST_F(SeriesRequest, SecondRequestSendsNothingAndCancelsNothing)
{
    stest::CChart chart("SH600000");
    auto s = make(chart, 0, {"KLINE", "MA"});
    s->request(0, false);
    ASSERT_TRUE(stest::waitFor([&] { return s->getData().size() == 2; }));
    // Let the first request's ranking-list answers (worker threads) land.
    CFormulaManager::instance()->waitForWorkers();
    QCoreApplication::processEvents();
    const auto ids = s->reqIds();
    const size_t events = m_pane.events.size();
    s->request(0, false);
    QCoreApplication::processEvents();
    EXPECT_EQ(s->reqIds(), ids);
    EXPECT_EQ(m_pane.events.size(), events); // no start event, no second history
    for (const QString& i : ids)
        EXPECT_TRUE(CFormulaManager::instance()->isRequested(i));
}

TEST_F(SeriesRequest, DroppingAFormulaCancelsExactlyItsIds)
{
    stest::CChart chart("SH600000");
    chart.ui->addStock(TC::CStockManager::getInstrumentDetail("SZ000651"));
    auto s = make(chart, 0, {"KLINE", "MA"});
    s->request(0, false);
    // The price formula on both instruments, the overlay on the chart's own only.
    ASSERT_EQ(s->getReq().count(), 3);
    s->setFormulas({"KLINE"});
    s->request(0, false);
    EXPECT_FALSE(CFormulaManager::instance()->isRequested(id("MA", "SH600000")));
    EXPECT_FALSE(CFormulaManager::instance()->isRequested(id("MA", "SZ000651")));
    EXPECT_TRUE(CFormulaManager::instance()->isRequested(id("KLINE", "SH600000")));
    EXPECT_TRUE(CFormulaManager::instance()->isRequested(id("KLINE", "SZ000651")));
    EXPECT_EQ(s->getReq().count(), 2);
}

TEST_F(SeriesRequest, SuperposedInstrumentsGetTheMainFormulaExceptInTickMode)
{
    stest::CChart chart("SH600000");
    chart.ui->addStock(TC::CStockManager::getInstrumentDetail("SZ000651"));
    chart.ui->addStock(TC::CStockManager::getInstrumentDetail("SH600519"));
    auto s = make(chart, 0, {"KLINE", "MACD"});
    s->request(0, false);
    EXPECT_EQ(s->getReq().count(), 4);
    for (const char* k : {"SH600000", "SZ000651", "SH600519"})
        EXPECT_TRUE(s->getReq().findKey(CFormulaKey(k, "KLINE"))) << k;
    EXPECT_FALSE(s->getReq().findKey(CFormulaKey("SZ000651", "MACD")));

    // A sub-pane never requests superposed instruments.
    auto sub = make(chart, 1, {"KLINE"});
    sub->request(0, false);
    EXPECT_EQ(sub->getReq().count(), 1);

    stest::CChart tick("SH600000");
    tick.ui->tickGraph = true;
    tick.ui->addStock(TC::CStockManager::getInstrumentDetail("SZ000651"));
    tick.ui->addStock(TC::CStockManager::getInstrumentDetail("SH600519"));
    auto t = make(tick, 0, {"KLINE"});
    t->request(0, false);
    ASSERT_EQ(t->getReq().count(), 1);
    EXPECT_EQ(t->getReq()[0].key, CFormulaKey("SH600000", "KLINE"));
}

TEST_F(SeriesRequest, ExternalDataKeyAlsoRequestsThePriceLine)
{
    stest::CChart chart("EDM0017126");
    ASSERT_TRUE(chart.ui->curStock);
    auto s = make(chart, 0, {"KLINE"});
    s->request(0, false);
    EXPECT_TRUE(s->getReq().findKey(CFormulaKey("EDM0017126", "KLINE")));
    EXPECT_TRUE(s->getReq().findKey(CFormulaKey("EDM0017126", QString::fromUtf8("价位线"))));
    EXPECT_EQ(s->getReq().count(), 2);
}

TEST_F(SeriesRequest, MergedSubPaneGoesThroughTheMergingManagerWithStartEvent3086)
{
    stest::CChart chart("SH600000");
    chart.ui->mergeKey = "chart-merge";
    auto s = make(chart, 1, {});
    s->updateFormula("pydemo", "group-a");
    EXPECT_EQ(s->getFormulas(), QStringList({"PYDEMO"}));
    s->request(0, false);
    EXPECT_TRUE(
        TC::CMergeRequestManager::instance()->requestIds("chart-merge").contains(id("PYDEMO", "SH600000")));
    ASSERT_TRUE(m_pane.last(3086));
    EXPECT_EQ(m_pane.count(3084), 0);

    // Without a merge group a Python formula starts with 3084.
    stest::CChart plain("SH600000");
    auto p = make(plain, 1, {"PYDEMO"});
    p->request(0, false);
    EXPECT_EQ(m_pane.count(3084), 1);

    s->unrequest();
    EXPECT_TRUE(TC::CMergeRequestManager::instance()->requestIds("chart-merge").isEmpty());
}

TEST_F(SeriesRequest, RemovingAFormulaCancelsItsIdAndReports192)
{
    stest::CChart chart("SH600000");
    auto s = make(chart, 1, {"MACD", "KDJ"});
    s->request(0, false);
    ASSERT_TRUE(stest::waitFor([&] { return s->getData().size() == 2; }));
    const QString macd = id("MACD", "SH600000");
    s->removeFormula("macd");
    EXPECT_FALSE(CFormulaManager::instance()->isRequested(macd));
    EXPECT_TRUE(CFormulaManager::instance()->isRequested(id("KDJ", "SH600000")));
    EXPECT_EQ(s->getFormulas(), QStringList({"KDJ"}));
    EXPECT_FALSE(s->getData().contains(CFormulaKey("SH600000", "MACD")));
    EXPECT_EQ(m_pane.count(192), 1);
    // An unknown name changes nothing but may still report.
    s->removeFormula("NO_SUCH");
    EXPECT_EQ(s->getFormulas(), QStringList({"KDJ"}));
}

TEST_F(SeriesRequest, NMinutePeriodAsksTheHostForN)
{
    stest::CChart chart("SH600000", 13);
    m_pane.periodN = 5;
    auto s = make(chart, 1, {"MACD"});
    TC::CFormulaParam p;
    ASSERT_TRUE(s->fill(p, "SH600000", "MACD"));
    EXPECT_EQ(p.periodMs, 300000);
    ASSERT_TRUE(m_pane.last(221));
    EXPECT_EQ(m_pane.last(221)->p1, 13);
    // No answer counts as 1.
    m_pane.periodN = 0;
    chart.ui->period = 10;
    ASSERT_TRUE(s->fill(p, "SH600000", "MACD"));
    EXPECT_EQ(p.periodMs, 86400000);
}

TEST_F(SeriesRequest, RecordFieldsFollowTheViewModel)
{
    stest::CChart chart("SH600000");
    chart.ui->formulaAccount = "acc1";
    chart.ui->quoteLevel = 2;
    auto s = make(chart, 1, {});
    TC::CFormulaParam p;
    ASSERT_TRUE(s->fill(p, "SH600000", "GROUPDEMO"));
    EXPECT_EQ(p.countLimit, 250); // the formula's own limit
    EXPECT_EQ(p.level, 2);
    EXPECT_EQ(p.rangeStart, quoter::TimeSeq::TIME_START2);
    TC::CFormulaParam k;
    ASSERT_TRUE(s->fill(k, "SH600000", "KLINE"));
    EXPECT_EQ(k.countLimit, 0x7fffffff);
    TC::CFormulaParam py;
    ASSERT_TRUE(s->fill(py, "SH600000", "PYDEMO"));
    EXPECT_TRUE(py.formula.endsWith("\\PYDEMO.py"));
    EXPECT_EQ(py.language, 1);
    EXPECT_FALSE(s->fill(py, "SH600000", "NO_SUCH"));

    chart.ui->tickGraph = true;
    TC::CFormulaParam t;
    ASSERT_TRUE(s->fill(t, "SH600000", "KLINE"));
    EXPECT_EQ(t.periodMs, 0);
    EXPECT_EQ(t.requestKind, 2);
    EXPECT_EQ(t.dataDemand, 6);
    chart.ui->curStock.reset();
    EXPECT_FALSE(s->fill(t, "SH600000", "KLINE"));

    // The account rides along in the request.
    chart.ui->tickGraph = false;
    chart.ui->setStock(TC::CStockManager::getInstrumentDetail("SH600000"));
    auto r = make(chart, 1, {"MACD"});
    r->request(0, false);
    EXPECT_EQ(r->getReq().count(), 1);
}

TEST_F(SeriesRequest, ASeriesWithoutSharedOwnerSendsNothing)
{
    stest::CChart chart("SH600000");
    stest::CTestSeries s(chart.ui, 1, &m_pane);
    s.setFormulas({"MACD"});
    s.request(0, false);
    EXPECT_EQ(s.getReq().count(), 0);
    EXPECT_FALSE(CFormulaManager::instance()->isRequested(id("MACD", "SH600000")));
    EXPECT_EQ(m_pane.count(3086), 0);
}

TEST_F(SeriesRequest, UnrequestCancelsEverythingAndLogs)
{
    stest::CChart chart("SH600000");
    auto s = make(chart, 0, {"KLINE", "MA"});
    s->request(0, false);
    qlog::CLogCapture log(qlog::kStdLogger);
    s->unrequest();
    EXPECT_TRUE(log.contains("mainID:5000, unrequestIds: "));
    EXPECT_EQ(s->getReq().count(), 0);
    EXPECT_FALSE(CFormulaManager::instance()->isRequested(id("KLINE", "SH600000")));
    // Nothing is answered after the cancel.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_FALSE(s->hasData());
}

TEST_F(SeriesRequest, TradeModelsGoThroughTheMergingManagerOnly)
{
    stest::CChart chart("SH600000");
    chart.ui->mergeKey = "trade-merge";
    chart.ui->addStock(TC::CStockManager::getInstrumentDetail("SZ000651"));
    auto s = make(chart, 0, {"KLINE"});
    s->setTradeModels({"vbademo"});
    s->request(0, false);
    // VBADEMO is not the price formula: only the chart's own instrument.
    const QStringList merged = TC::CMergeRequestManager::instance()->requestIds("trade-merge");
    EXPECT_TRUE(merged.contains(id("VBADEMO", "SH600000")));
    EXPECT_FALSE(merged.contains(id("VBADEMO", "SZ000651")));
    EXPECT_EQ(s->getReq().count(), 1);
    EXPECT_FALSE(s->getReq().findKey(CFormulaKey("SH600000", "KLINE")));
    EXPECT_EQ(m_pane.count(3086) + m_pane.count(3084), 0);
    // Nothing missing: nothing sent again.
    s->request(0, false);
    EXPECT_EQ(s->getReq().count(), 1);
    ASSERT_TRUE(stest::waitFor([&] { return s->getData().size() == 1; }));
}

TEST_F(SeriesRequest, ReplayIsAnsweredByTheReplayManager)
{
    stest::CChart chart("SH600000");
    auto s = make(chart, 1, {"MACD"});
    s->requestReplay(0);
    EXPECT_EQ(m_pane.count(3086), 1);
    EXPECT_FALSE(CFormulaManager::instance()->isRequested(id("MACD", "SH600000")));
    ASSERT_TRUE(stest::waitFor([&] { return s->hasData(); }));
    ASSERT_TRUE(m_pane.last(3089));
    s->unrequest();
    EXPECT_EQ(TC::CReplayManager::instance()->remainingBars(id("MACD", "SH600000")), 0);
}

TEST_F(SeriesRequest, RankListsAreRequestedForListedStocksOnly)
{
    stest::CChart chart("SH600000");
    ASSERT_TRUE(qlservice::StockTypeCenter::isTypedStock(QString("SH"), QString("600000"),
                                                         CKLineData::kStockTypeRankList));
    auto s = make(chart, 0, {"KLINE"});
    s->request(0, false);
    CFormulaManager::instance()->waitForWorkers();
    ASSERT_TRUE(stest::waitFor([&] { return s->rankListKey() == "SH600000"; }));

    // Another instrument of no ranking-list type empties the records.
    chart.ui->setStock(TC::CStockManager::getInstrumentDetail("EDM0017126"));
    s->request(0, false);
    EXPECT_TRUE(s->rankListKey().isEmpty());
    EXPECT_TRUE(s->rankListRecords().isEmpty());
}

TEST(SeriesRegion, MapsTheWindowOntoACountLimitedSeries)
{
    stest::CChart chart("SH600000");
    chart.ui->m_tradeDateList.resize(1000);
    CKLineData s(chart.ui);
    const CFormulaKey limited("SH600000", "GROUPDEMO");
    // Unlimited formulas keep the window.
    EXPECT_EQ(s.getSeriesRegion(QPoint(900, 999), 250, CFormulaKey("SH600000", "MACD")), QPoint(900, 999));
    // Right-aligned with the main series.
    EXPECT_EQ(s.getSeriesRegion(QPoint(900, 999), 250, limited), QPoint(150, 249));
    // Before the series starts: clamped to 0.
    EXPECT_EQ(s.getSeriesRegion(QPoint(100, 200), 250, limited), QPoint(0, 0));
    // Series longer than the chart: shifted right.
    EXPECT_EQ(s.getSeriesRegion(QPoint(10, 20), 1010, limited), QPoint(20, 30));
    // Window wider than the series: depends on the width alone.
    EXPECT_EQ(s.getSeriesRegion(QPoint(0, 400), 250, limited), QPoint(151, 400));
}

} // namespace
