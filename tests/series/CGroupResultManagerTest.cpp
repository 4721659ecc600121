#include <atomic>
#include <cfloat>
#include <thread>
#include <vector>

#include <boost/make_shared.hpp>

#include <gtest/gtest.h>

#include "common/TestHelpers.h"
#include "model/CKLineUiParam.h"
#include "series/CGroupResultManager.h"
#include "series/CKLineData.h"

using TC::CGroupResultManager;
using TC::CKLineData;
using TC::CKLineUiParam;
using Store = utils::CSingletonT<CGroupResultManager>;

namespace {

std::shared_ptr<se::RPCGroupResult> groupWithTrades(const QVector<qint64>& bars)
{
    auto r = std::make_shared<se::RPCGroupResult>();
    r->groupName = "demo";
    r->codes = {"SH600000", "SZ000001"};
    // Two trades of SH600000 on bar 2 (the later one counts), one of SZ000001 on bar 3.
    r->trades.push_back({bars[2], "SH600000", 10.0, 100, 1});
    r->trades.push_back({bars[2], "SH600000", 10.5, 100, 1});
    r->trades.push_back({bars[3], "SZ000001", 20.0, 200, -1});
    return r;
}

class GroupStore : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Store::release();
        ui = boost::make_shared<CKLineUiParam>();
        ui->m_tradeDateList = ktest::dailyTags(QDate(2022, 5, 2), 6);
    }
    void TearDown() override { Store::release(); }

    boost::shared_ptr<CKLineUiParam> ui;
};

// A series double answering with fixed values, to check the store's routing.
class FixedSeries : public CKLineData
{
public:
    using CKLineData::CKLineData;
    double price = 1.0;
    mutable int priceQueries = 0;
    double getRealTradePrice(const QString&, int, const QString&) const override
    {
        ++priceQueries;
        return price;
    }
};

} // namespace

TEST_F(GroupStore, UnknownKeyOrTimeGivesNoValueAndLeavesOutputAlone)
{
    CGroupResultManager* store = Store::instance();
    EXPECT_EQ(store->getRealTradePrice(QStringLiteral("nope"), ui->m_tradeDateList[0], QStringLiteral("X")),
              DBL_MAX);
    auto sentinel = std::make_shared<se::RPCGroupResult>();
    std::shared_ptr<se::RPCGroupResult> out = sentinel;
    store->getGroupResultPtr(0, QStringLiteral("nope"), out);
    EXPECT_EQ(out, sentinel);

    FixedSeries s(ui);
    store->addData(QStringLiteral("GM1"), QStringLiteral("req-1"), &s);
    // A time between two bars is not a bar of the chart.
    EXPECT_EQ(store->getRealTradePrice(QStringLiteral("req-1"), ui->m_tradeDateList[1] + 60, QStringLiteral("X")),
              DBL_MAX);
    EXPECT_EQ(store->getRealTradePrice(QStringLiteral("req-1"), ui->m_tradeDateList[5] + 86400, QStringLiteral("X")),
              DBL_MAX);
    EXPECT_EQ(s.priceQueries, 0);
    EXPECT_EQ(store->getRealTradePrice(QStringLiteral("req-1"), ui->m_tradeDateList[1], QStringLiteral("X")), 1.0);
    EXPECT_EQ(s.priceQueries, 1);
}

TEST_F(GroupStore, RealSeriesAnswersFromItsGroupResult)
{
    CKLineData s(ui);
    s.setGroupResult(QStringLiteral("req-7"), groupWithTrades(ui->m_tradeDateList));
    CGroupResultManager* store = Store::instance();
    store->addData(QStringLiteral("GroupModel"), QStringLiteral("req-7"), &s);

    const auto& bars = ui->m_tradeDateList;
    EXPECT_EQ(store->getRealTradePrice(QStringLiteral("req-7"), bars[2], QStringLiteral("SH600000")), 10.5);
    EXPECT_EQ(store->getRealTradePrice(QStringLiteral("req-7"), bars[3], QStringLiteral("SZ000001")), 20.0);
    EXPECT_EQ(store->getRealTradePrice(QStringLiteral("req-7"), bars[3], QStringLiteral("SH600000")), DBL_MAX);
    EXPECT_EQ(store->getRealTradePrice(QStringLiteral("req-7"), bars[0], QStringLiteral("SH600000")), DBL_MAX);

    std::shared_ptr<se::RPCGroupResult> out;
    store->getGroupResultPtr(0, QStringLiteral("req-7"), out);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->groupName, "demo");
}

TEST_F(GroupStore, SecondRegistrationOfAKeyWins)
{
    FixedSeries a(ui), b(ui);
    a.price = 1.0;
    b.price = 2.0;
    CGroupResultManager* store = Store::instance();
    store->addData(QStringLiteral("A"), QStringLiteral("k"), &a);
    store->addData(QStringLiteral("B"), QStringLiteral("k"), &b);
    EXPECT_EQ(store->count(), 1);
    EXPECT_EQ(store->series(QStringLiteral("k")), &b);
    EXPECT_EQ(store->getRealTradePrice(QStringLiteral("k"), ui->m_tradeDateList[0], QStringLiteral("c")), 2.0);
}

TEST_F(GroupStore, RemoveKeepsBothMapsConsistent)
{
    FixedSeries a(ui);
    CGroupResultManager* store = Store::instance();
    store->addData(QStringLiteral("A"), QStringLiteral("k1"), &a);
    store->addData(QStringLiteral("B"), QStringLiteral("k2"), &a);
    store->removeData(QStringLiteral("never-registered"));
    EXPECT_EQ(store->count(), 2);
    EXPECT_EQ(store->groupKeyOf(QStringLiteral("A")), QStringLiteral("k1"));

    store->removeData(QStringLiteral("k1"));
    EXPECT_EQ(store->count(), 1);
    EXPECT_EQ(store->groupKeyOf(QStringLiteral("A")), QString());
    EXPECT_EQ(store->groupKeyOf(QStringLiteral("B")), QStringLiteral("k2"));
}

TEST_F(GroupStore, DroppedSeriesUnregistersItself)
{
    CGroupResultManager* store = Store::instance();
    FixedSeries keeper(ui);
    {
        CKLineData gone(ui);
        store->addData(QStringLiteral("G1"), QStringLiteral("g1"), &gone);
        store->addData(QStringLiteral("G2"), QStringLiteral("g2"), &gone);
        store->addData(QStringLiteral("K"), QStringLiteral("keep"), &keeper);
        EXPECT_EQ(store->count(), 3);
    }
    EXPECT_EQ(store->count(), 1);
    EXPECT_EQ(store->series(QStringLiteral("g1")), nullptr);
    EXPECT_EQ(store->getRealTradePrice(QStringLiteral("g1"), ui->m_tradeDateList[0], QStringLiteral("c")), DBL_MAX);
    EXPECT_EQ(store->series(QStringLiteral("keep")), &keeper);
}

TEST(GroupStoreSingleton, ReleaseClearsThePointerAndRecreates)
{
    Store::release();
    EXPECT_EQ(Store::s_pInstance.load(), nullptr);
    CGroupResultManager* a = Store::instance();
    EXPECT_EQ(Store::instance(), a);
    EXPECT_EQ(Store::s_pInstance.load(), a);
    Store::release();
    EXPECT_EQ(Store::s_pInstance.load(), nullptr);
    EXPECT_NE(Store::instance(), nullptr);
    Store::release();
}
