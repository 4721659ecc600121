#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/trading/CStrategyTradeManager.h"
#include "platform/trading/CTradeStrategyData.h"

using TC::CStrategyTradeManager;
using TC::CTradeStrategyData;

namespace {

class StrategyTradeManager : public ::testing::Test
{
protected:
    void SetUp() override { mgr()->clear(); }
    void TearDown() override { mgr()->clear(); }
    static CStrategyTradeManager* mgr() { return CStrategyTradeManager::instance(); }
    static std::shared_ptr<CTradeStrategyData> make(const char* f, const char* stock, int kind = 1)
    {
        return std::make_shared<CTradeStrategyData>(QString::fromLatin1(f), QString::fromLatin1(stock), kind);
    }
};

} // namespace

TEST_F(StrategyTradeManager, SingletonAndRecordDefaults)
{
    EXPECT_EQ(CStrategyTradeManager::instance(), utils::CSingletonT<CStrategyTradeManager>::instance());
    CTradeStrategyData d(QStringLiteral(" PYDEMO "), QStringLiteral("SH600000"), 2);
    EXPECT_EQ(d.getFormula(), QStringLiteral("PYDEMO"));
    EXPECT_EQ(d.getStockKey(), QStringLiteral("SH600000"));
    EXPECT_EQ(d.getKind(), 2);
    EXPECT_FALSE(d.isActive() || d.isRunning() || d.isShowMain());
    d.setShowMain(true);
    d.setKind(1);
    EXPECT_TRUE(d.isShowMain());
    EXPECT_EQ(d.getKind(), 1);
}

TEST_F(StrategyTradeManager, LookupRunStopAndRemove)
{
    EXPECT_FALSE(mgr()->addStrategy(nullptr));
    EXPECT_FALSE(mgr()->addStrategy(make("  ", "SH600000")));
    EXPECT_EQ(mgr()->getStrategyByName(QStringLiteral("PYDEMO")), nullptr);
    EXPECT_EQ(mgr()->runStrategy(QStringLiteral("PYDEMO")), 0);

    auto a = make("PYDEMO", "SH600000");
    auto b = make("PYDEMO", "SZ000001");
    ASSERT_TRUE(mgr()->addStrategy(a));
    ASSERT_TRUE(mgr()->addStrategy(b));
    ASSERT_TRUE(mgr()->addStrategy(make("VBADEMO", "SH600000", 2)));
    EXPECT_EQ(mgr()->count(), 3);
    EXPECT_EQ(mgr()->strategyNames(), (QStringList{QStringLiteral("PYDEMO"), QStringLiteral("VBADEMO")}));
    EXPECT_EQ(mgr()->getStrategyByName(QStringLiteral("pydemo")), a);

    EXPECT_FALSE(mgr()->isFomrulaRun(QStringLiteral("PYDEMO")));
    EXPECT_EQ(mgr()->runStrategy(QStringLiteral("PyDemo")), 2);
    EXPECT_TRUE(mgr()->isFomrulaRun(QStringLiteral("PYDEMO")));
    EXPECT_TRUE(a->isRunning() && a->isActive() && b->isRunning());
    EXPECT_FALSE(mgr()->isFomrulaRun(QStringLiteral("VBADEMO")));

    EXPECT_EQ(mgr()->stopStrategy(QStringLiteral("PYDEMO")), 2);
    EXPECT_FALSE(mgr()->isFomrulaRun(QStringLiteral("PYDEMO")));
    EXPECT_TRUE(a->isActive()); // stopping keeps the user's choice

    // Same formula and instrument: the new record replaces the old one.
    auto a2 = make("PYDEMO", "SH600000");
    ASSERT_TRUE(mgr()->addStrategy(a2));
    EXPECT_EQ(mgr()->count(), 3);
    EXPECT_EQ(mgr()->getStrategyByName(QStringLiteral("PYDEMO")), a2);

    mgr()->setSelectStrategy(a2);
    EXPECT_EQ(mgr()->getSelectStrategy(), a2);
    EXPECT_EQ(mgr()->removeStrategy(QStringLiteral("pydemo")), 2);
    EXPECT_EQ(mgr()->getSelectStrategy(), nullptr);
    EXPECT_EQ(mgr()->getStrategyByName(QStringLiteral("PYDEMO")), nullptr);
    EXPECT_EQ(mgr()->count(), 1);
}

TEST_F(StrategyTradeManager, ReplacingTheSelectedRecordKeepsTheSelectionOnTheNewOne)
{
    auto a = make("PYDEMO", "SH600000");
    mgr()->addStrategy(a);
    mgr()->setSelectStrategy(a);
    auto a2 = make("PYDEMO", "SH600000", 2);
    mgr()->addStrategy(a2);
    EXPECT_EQ(mgr()->getSelectStrategy(), a2);
}

TEST_F(StrategyTradeManager, ConcurrentUseIsSafe)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 100; ++i) {
                const QString f = QStringLiteral("F%1").arg(i % 10);
                mgr()->addStrategy(std::make_shared<CTradeStrategyData>(f, QStringLiteral("S%1").arg(t)));
                mgr()->runStrategy(f);
                mgr()->isFomrulaRun(f);
                mgr()->getStrategyByName(f);
                if (i % 7 == 0)
                    mgr()->stopStrategy(f);
            }
        });
    }
    for (std::thread& th : threads)
        th.join();
    EXPECT_EQ(mgr()->count(), 40);
    EXPECT_EQ(mgr()->strategyNames().size(), 10);
}
