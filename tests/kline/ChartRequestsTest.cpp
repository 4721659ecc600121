// Request orchestration: the period cycle, the tick chart's level, day-view
// linkage, the host's callbacks and the history download.
#include <gtest/gtest.h>

#include <QTest>

#include "common/PrivateMarket.h"
#include "kline/CKLineWidget.h"
#include "kline/KLineTestSupport.h"
#include "model/CKLineUiParam.h"
#include "platform/config/CAppConfig.h"
#include "platform/formula/catalog/FormulaPeriod.h"
#include "platform/formula/service/KelvDataSource.h"
#include "platform/framework/CEventBus.h"
#include "platform/market/CStockManager.h"
#include "series/CKLineData.h"

using ktest::CSpyChart;
using ktest::upper;

namespace {

class ChartRequests : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ktest::PrivateMarket::createStore(); }
    static void TearDownTestSuite() { ktest::PrivateMarket::destroyStore(); }
    void SetUp() override
    {
        m_market.attach();
        m_token = KW::CEventBus::instance()->subscribe([this](int id, int p1, int p2, const QString& t, void* d) {
            m_bus.record(id, p1, p2, t, d);
            return false;
        });
    }
    void TearDown() override
    {
        KW::CEventBus::instance()->unsubscribe(m_token);
        TC::CFormulaManager::instance()->waitForWorkers();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        m_market.detach();
    }
    static std::unique_ptr<CSpyChart> chartOf(int period, const QString& key = QStringLiteral("SH600000"))
    {
        auto chart = std::make_unique<CSpyChart>(nullptr, 0);
        chart->resize(900, 600);
        chart->setStock(key);
        chart->setPeriod(period);
        return chart;
    }
    ktest::PrivateMarket m_market;
    ktest::EventLog m_bus;
    int m_token = 0;
};

TEST_F(ChartRequests, SwitchPeriodWalksTheSeventeenPeriodsAndWraps)
{
    // The cycle, written out independently of the period table.
    const int cycle[] = {60,      180,     300,      600,      900,      1800, 3600, 86400, 604800,
                         2592000, 7776000, 15552000, 31536000, 10, 11, 13, 0};
    auto chart = chartOf(60);
    for (int i = 0; i < 17; ++i) {
        ASSERT_EQ(chart->getPeriod(), cycle[i]);
        chart->switchPeriod();
        EXPECT_EQ(chart->getPeriod(), cycle[(i + 1) % 17]) << i;
        // Through the chart's own 194, which leaves it for the bus's other
        // listeners: not posted on the bus itself without the concise style.
        ASSERT_NE(chart->last(194), nullptr);
        EXPECT_EQ(chart->last(194)->p2, cycle[(i + 1) % 17]);
    }
    EXPECT_EQ(m_bus.count(194), 0);
    // 31536000 goes to 10, 0 to 60; an unknown period starts the cycle.
    chart->setPeriod(31536000);
    chart->switchPeriod();
    EXPECT_EQ(chart->getPeriod(), 10);
    chart->setPeriod(0);
    chart->switchPeriod();
    EXPECT_EQ(chart->getPeriod(), 60);

    TC::getConfig()->setConciseStyle(true);
    chart->switchPeriod();
    TC::getConfig()->setConciseStyle(false);
    ASSERT_EQ(m_bus.count(194), 1);
    EXPECT_EQ(m_bus.last(194)->p2, 180);
    chart->unrequest();
}

TEST_F(ChartRequests, TheTickChartGetsItsTickLineBack)
{
    auto chart = chartOf(0);
    ASSERT_TRUE(chart->isTickGraph());
    chart->mainPane()->setIndex(QStringLiteral("KLINE"), QString());
    chart->updateLevelTickIndex();
    EXPECT_EQ(upper(chart->mainPane()->indexNames()), QStringList({"TICKDATA"}));
    // Outside tick mode nothing changes.
    chart->setPeriod(86400);
    const QStringList day = chart->mainPane()->indexNames();
    chart->updateLevelTickIndex();
    EXPECT_EQ(chart->mainPane()->indexNames(), day);
    chart->unrequest();
}

TEST_F(ChartRequests, TradeDateOfTheCursorAndDayViewLinkage)
{
    auto chart = chartOf(86400);
    chart->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(chart.get()));
    chart->request(true);
    auto ui = chart->getUiParam();
    ASSERT_GT(ui->getLastIndex(), 10);
    ui->crossIndex = -1;
    EXPECT_EQ(chart->getCurIndexTradeDate(), 0); // no cursor
    ui->crossIndex = 5;
    EXPECT_EQ(chart->getCurIndexTradeDate(), int(ui->m_tradeDateList.at(5)));
    ui->lockCursor = true;
    ui->lockedIndex = 7;
    EXPECT_EQ(chart->getCurIndexTradeDate(), int(ui->m_tradeDateList.at(7)));
    ui->lockCursor = false;

    // 203 reaches the host: the bar under the mouse, a given day, today.
    const int bar = ui->getMaxDispIndex() - 2;
    ui->setMouseX(ui->getXAxisByIndex(bar, -1, -1));
    EXPECT_TRUE(chart->switchToHistory());
    ASSERT_NE(m_bus.last(203), nullptr);
    EXPECT_EQ(m_bus.last(203)->p1, -1);
    EXPECT_EQ(m_bus.last(203)->p2, int(ui->m_tradeDateList.at(bar)));
    EXPECT_EQ(m_bus.last(203)->text, QStringLiteral("SH600000"));
    EXPECT_TRUE(chart->switchToOneDay(QStringLiteral("SZ000651"), 1700000000123LL));
    EXPECT_EQ(m_bus.last(203)->p2, 1700000000);
    EXPECT_EQ(m_bus.last(203)->text, QStringLiteral("SZ000651"));
    EXPECT_TRUE(chart->switchToToday());
    EXPECT_EQ(m_bus.last(203)->p2, TC::CStockManager::getLastTradingDay(QStringLiteral("SH")));
    EXPECT_EQ(m_bus.last(203)->text, QStringLiteral("SH600000"));
    EXPECT_EQ(m_bus.count(203), 3);
    chart->unrequest();
}

TEST_F(ChartRequests, TheHistoryRequestCoversWhatThePeriodNeeds)
{
    // A five-minute chart asks for exactly the visible bars, in milliseconds.
    auto chart = chartOf(300);
    chart->request(true);
    auto ui = chart->getUiParam();
    ASSERT_GT(ui->getLastIndex(), 40);
    chart->handleEvent(190, ui->getLastIndex() - 30, ui->getLastIndex() - 5, QString(), nullptr);
    TC::CHistoryDataParam p = chart->historyDataParam();
    EXPECT_EQ(p.rangeStart.time, ui->m_tradeDateList.at(ui->getMinDispIndex()) * 1000);
    EXPECT_EQ(p.rangeEnd.time, ui->m_tradeDateList.at(ui->getMaxDispIndex()) * 1000);
    EXPECT_EQ(p.periodMs, 300000);
    EXPECT_EQ(p.kind, 3001);
    EXPECT_EQ(p.markets, QStringList({"SH"}));
    EXPECT_EQ(p.codes, QStringList({"600000"}));
    // The trading day is the market's last unless the host says otherwise;
    // its hours are the sessions' span.
    const int last = TC::CStockManager::getLastTradingDay(QStringLiteral("SH"));
    EXPECT_EQ(p.tradeDate, last);
    const QDate d = QDateTime::fromSecsSinceEpoch(last).date();
    EXPECT_EQ(p.dayStart, QDateTime(d, QTime(9, 30)).toSecsSinceEpoch());
    EXPECT_EQ(p.dayEnd, QDateTime(d, QTime(15, 0)).toSecsSinceEpoch());
    const int hostDay = int(QDateTime(d.addDays(-1), QTime(0, 0)).toSecsSinceEpoch());
    chart->setGetTradeDateFunc([hostDay] { return hostDay; });
    EXPECT_EQ(chart->historyDataParam().tradeDate, hostDay);
    chart->unrequest();

    // Day-based periods (and N days) ask for the whole history.
    for (int period : {86400, 604800, 31536000, 10}) {
        auto c = chartOf(period);
        const TC::CHistoryDataParam h = c->historyDataParam();
        EXPECT_EQ(h.rangeStart, quoter::TimeSeq::TIME_START) << period;
        EXPECT_EQ(h.rangeEnd, quoter::TimeSeq::TIME_LASTED) << period;
    }
    // The tick chart asks for the trading day's hours.
    auto tick = chartOf(0);
    const TC::CHistoryDataParam t = tick->historyDataParam();
    EXPECT_EQ(t.rangeStart.time, t.dayStart * 1000);
    EXPECT_EQ(t.rangeEnd.time, t.dayEnd * 1000);
    EXPECT_EQ(t.periodMs, 0);
}

TEST_F(ChartRequests, ADownloadRefreshesTheChartAtEveryChunkAndOutlivesNoChart)
{
    auto chart = chartOf(86400);
    chart->request(true);
    const int bars = chart->getUiParam()->getLastIndex();
    chart->downloadData();
    EXPECT_EQ(chart->downloadDone(), 0); // answered from the event loop
    ASSERT_TRUE(ktest::waitUntil([&] { return chart->downloadTotal() > 0 && chart->downloadDone() == chart->downloadTotal(); }, 10000));
    EXPECT_EQ(chart->downloadText(), QStringLiteral("补充数据完成"));
    // The chart still shows its whole history after the re-requests.
    EXPECT_EQ(chart->getUiParam()->getLastIndex(), bars);

    // A chart closed while its download runs: the rest is dropped.
    chart->downloadData();
    chart.reset();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();

    // An instrument the service does not hold reports a failure.
    auto other = chartOf(86400);
    other->setGetTradeDateFunc([] { return 0; });
    other->getUiParam()->curStock = std::make_shared<qlservice::CInstrumentDetail>();
    other->getUiParam()->curStock->market = "SH";
    other->getUiParam()->curStock->code = "999999";
    other->downloadData();
    ASSERT_TRUE(ktest::waitUntil([&] { return other->downloadDone() == -1; }, 5000));
    EXPECT_FALSE(other->downloadText().isEmpty());
}

} // namespace

namespace {

// The instrument's ex-rights records as the data source gives them.
size_t sourceRecords(const char* market, const char* code)
{
    quoter::TSMetaInfo info;
    info.market = market;
    info.code = code;
    info.periodMs = 86400000;
    info.dataType = quoter::TSMetaInfo::kDividData;
    return kelv::getDividData(info).size();
}

TEST(ChartExRights, RecordsFollowTheInstrumentAndCanBeReloaded)
{
    ASSERT_GT(sourceRecords("SZ", "000651"), 0u);
    CSpyChart chart(nullptr, 0);
    chart.setStock(QStringLiteral("SZ000651"));
    chart.setPeriod(86400);
    chart.request(true);
    const auto& series = *chart.mainPane()->series();
    EXPECT_EQ(series.dividKey(), "SZ000651");
    ASSERT_EQ(series.dividData().size(), sourceRecords("SZ", "000651"));
    for (size_t i = 1; i < series.dividData().size(); ++i)
        EXPECT_LE(series.dividData()[i - 1]->time, series.dividData()[i]->time);

    chart.clearAndRequestDivid(false);
    EXPECT_TRUE(series.dividData().empty());
    EXPECT_TRUE(series.dividKey().isEmpty());
    chart.clearAndRequestDivid(true);
    EXPECT_EQ(series.dividData().size(), sourceRecords("SZ", "000651"));

    // Another instrument brings its own records (none) with the next request.
    chart.setStock(QStringLiteral("SH600000"));
    chart.request(true);
    EXPECT_EQ(series.dividKey(), "SH600000");
    EXPECT_TRUE(series.dividData().empty());
}

} // namespace
