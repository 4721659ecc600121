// The ranking-list workers against a chart that keeps changing under them:
// instruments switched and charts closed while answers are on their way.
// Meant for a ThreadSanitizer build (KLINE_SANITIZE=thread), where the races
// themselves are reported; here the outcome is checked: only answers of the
// current instrument are held, and every series dies on the GUI thread.
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include <boost/weak_ptr.hpp>

#include <QCoreApplication>
#include <QTest>

#include "common/PrivateMarket.h"
#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "model/CKLineUiParam.h"
#include "platform/config/CLogCapture.h"
#include "platform/config/QLLog.h"
#include "platform/market/CSampleMarketGenerator.h"
#include "series/CGroupResultManager.h"
#include "series/CKLineData.h"

namespace {

constexpr int kRounds = 300;
const QString kListed = QString::fromLatin1(TC::CSampleMarketGenerator::rankListStock()); // has ranking days
const QString kPlain = QStringLiteral("SH600000"); // ranking-list type, but never listed

class RankListStress : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ktest::PrivateMarket::createStore(); }
    static void TearDownTestSuite() { ktest::PrivateMarket::destroyStore(); }
    void SetUp() override
    {
        m_market.attach();
        m_baselineIds = TC::CFormulaManager::instance()->requestIds().size();
    }
    void TearDown() override
    {
        settle();
        m_market.detach();
    }
    // Lets every worker finish and every answer it queued land.
    static void settle()
    {
        TC::CFormulaManager::instance()->waitForWorkers();
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }
    }
    static std::unique_ptr<TC::CKLineMainWidget> chartOn(const QString& key)
    {
        auto chart = std::make_unique<TC::CKLineMainWidget>(nullptr, 0);
        chart->resize(900, 600);
        chart->setStock(key);
        chart->setPeriod(86400);
        return chart;
    }
    static TC::CKLineData& mainSeries(const TC::CKLineMainWidget& chart)
    {
        return *chart.mainPane()->series();
    }
    // Ranking days of `key`, read from the store itself.
    static std::set<qint64> storedDays(const QString& key)
    {
        std::set<qint64> days;
        for (const TC::CRankListRecord& r : ktest::PrivateMarket::store()->rankList(key))
            days.insert(r.time);
        return days;
    }

    ktest::PrivateMarket m_market;
    int m_baselineIds = 0;
};

TEST_F(RankListStress, InstrumentChangesWhileWorkersAnswerKeepOnlyTheCurrentInstrument)
{
    const std::set<qint64> listedDays = storedDays(kListed);
    ASSERT_FALSE(listedDays.empty());
    ASSERT_TRUE(storedDays(kPlain).empty());

    qlog::CLogCapture log(qlog::kStdLogger);
    auto chart = chartOn(kListed);
    chart->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(chart.get()));
    // Request, then switch away before the answers are in; now and then the
    // GUI thread takes a turn, so some answers land between the switches.
    for (int i = 0; i < kRounds; ++i) {
        chart->request(true);
        chart->setStock(i % 2 == 0 ? kPlain : kListed);
        if (i % 7 == 0)
            QCoreApplication::processEvents();
    }
    // An even number of switches: back on the listed stock, whose last
    // request is still to come.
    ASSERT_EQ(chart->getUiParam()->getCurrKey(), kListed);
    chart->request(true);
    settle();

    TC::CKLineData& series = mainSeries(*chart);
    EXPECT_EQ(series.rankListKey(), kListed);
    const auto held = series.rankListRecords();
    std::set<qint64> heldDays;
    for (auto it = held.constBegin(); it != held.constEnd(); ++it) {
        heldDays.insert(it.key());
        // The local and the network answer of the last request at most: an
        // earlier request's answer arriving late is not added again.
        EXPECT_GE(it.value().size(), 1);
        EXPECT_LE(it.value().size(), 2) << it.key();
        for (const auto& r : it.value())
            EXPECT_EQ(QString::fromStdString(r->key), kListed);
    }
    EXPECT_EQ(heldDays, listedDays);

    // Off to the stock without ranking days: nothing of the previous one stays.
    chart->setStock(kPlain);
    chart->request(true);
    settle();
    EXPECT_TRUE(series.rankListRecords().isEmpty());
    EXPECT_TRUE(series.rankListKey().isEmpty() || series.rankListKey() == kPlain);

    for (const auto& line : log.lines())
        EXPECT_EQ(line.text.find("off the GUI thread"), std::string::npos) << line.text;
}

TEST_F(RankListStress, ChartsClosedWhileWorkersAnswerDieOnTheGuiThread)
{
    qlog::CLogCapture log(qlog::kStdLogger);
    const int groupSeries = utils::CSingletonT<TC::CGroupResultManager>::instance()->count();
    std::vector<boost::weak_ptr<TC::CKLineData>> closed;
    closed.reserve(kRounds);
    for (int i = 0; i < kRounds; ++i) {
        auto chart = chartOn(i % 2 == 0 ? kListed : kPlain);
        chart->request(true);
        chart->setStock(i % 2 == 0 ? kPlain : kListed);
        chart->request(true);
        closed.push_back(boost::weak_ptr<TC::CKLineData>(chart->mainPane()->series()));
        chart.reset(); // both answers of both requests may still be running
        if (i % 5 == 0)
            QCoreApplication::processEvents();
    }
    settle();

    int alive = 0;
    for (const auto& w : closed)
        alive += w.expired() ? 0 : 1;
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(utils::CSingletonT<TC::CGroupResultManager>::instance()->count(), groupSeries);
    EXPECT_EQ(TC::CFormulaManager::instance()->requestIds().size(), m_baselineIds);
    for (const auto& line : log.lines())
        EXPECT_EQ(line.text.find("off the GUI thread"), std::string::npos) << line.text;
}

} // namespace
