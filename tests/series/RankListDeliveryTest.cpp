// Ranking-list answers from the formula service's workers reaching a series
// whose instrument or lifetime changes meanwhile.
#include <set>

#include <gtest/gtest.h>

#include <boost/weak_ptr.hpp>

#include "SeriesTestSupport.h"
#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/market/CMarketStore.h"
#include "platform/market/CSampleMarketGenerator.h"

using TC::CFormulaManager;

namespace {

const QString kListed = QString::fromLatin1(TC::CSampleMarketGenerator::rankListStock());
const QString kPlain = QStringLiteral("SH600000"); // of the ranking-list type, never listed

class RankListDelivery : public ::testing::Test
{
protected:
    void TearDown() override { settle(); }
    static void settle()
    {
        CFormulaManager::instance()->waitForWorkers();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    boost::shared_ptr<stest::CTestSeries> make(stest::CChart& chart)
    {
        return boost::shared_ptr<stest::CTestSeries>(new stest::CTestSeries(chart.ui, 0, &m_pane));
    }
    static std::set<qint64> storedDays(const QString& key)
    {
        std::set<qint64> days;
        for (const TC::CRankListRecord& r : TC::CFormulaEngine::store()->rankList(key))
            days.insert(r.time);
        return days;
    }
    static std::set<qint64> heldDays(const TC::CKLineData& s)
    {
        std::set<qint64> days;
        const auto held = s.rankListRecords();
        for (auto it = held.constBegin(); it != held.constEnd(); ++it)
            days.insert(it.key());
        return days;
    }

    stest::CRecordingPane m_pane;
};

TEST_F(RankListDelivery, AnotherListedInstrumentStartsWithoutThePreviousRecords)
{
    stest::CChart chart(kListed);
    auto s = make(chart);
    s->requestRankList();
    settle();
    ASSERT_EQ(s->rankListKey(), kListed);
    ASSERT_FALSE(storedDays(kListed).empty());
    EXPECT_EQ(heldDays(*s), storedDays(kListed));

    chart.ui->setStock(TC::CStockManager::getInstrumentDetail(kPlain));
    s->requestRankList();
    // Gone at once, not only when the new instrument's answer comes.
    EXPECT_TRUE(s->rankListRecords().isEmpty());
    EXPECT_TRUE(s->rankListKey().isEmpty());
    settle();
    EXPECT_TRUE(s->rankListRecords().isEmpty());
    EXPECT_EQ(s->rankListKey(), kPlain); // its (empty) answer was taken
}

TEST_F(RankListDelivery, OnlyTheLatestRequestsAnswersAreAdded)
{
    stest::CChart chart(kListed);
    auto s = make(chart);
    for (int i = 0; i < 4; ++i)
        s->requestRankList(); // eight answers on their way
    settle();
    EXPECT_EQ(heldDays(*s), storedDays(kListed));
    // The local and the network answer of one request: each day once or
    // twice (once when the network answer came first and the local one was
    // skipped), never the earlier requests' answers on top.
    const auto held = s->rankListRecords();
    for (auto it = held.constBegin(); it != held.constEnd(); ++it) {
        EXPECT_GE(it.value().size(), 1);
        EXPECT_LE(it.value().size(), 2);
    }
}

TEST_F(RankListDelivery, AnAnswerForAnInstrumentNoLongerShownIsDropped)
{
    stest::CChart chart(kListed);
    auto s = make(chart);
    s->requestRankList();
    chart.ui->setStock(TC::CStockManager::getInstrumentDetail(kPlain)); // no new request
    settle();
    EXPECT_TRUE(s->rankListKey().isEmpty());
    EXPECT_TRUE(s->rankListRecords().isEmpty());
}

TEST_F(RankListDelivery, ASeriesReleasedBeforeItsAnswersIsNotKeptAliveByThem)
{
    stest::CChart chart(kListed);
    auto s = make(chart);
    const boost::weak_ptr<TC::CKLineData> weak(s);
    s->requestRankList();
    s.reset(); // the requester's reference was the only one
    EXPECT_TRUE(weak.expired());
    settle(); // the queued answers find nobody and do nothing
    EXPECT_TRUE(weak.expired());
}

} // namespace
