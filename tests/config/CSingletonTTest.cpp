#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/config/CSingletonT.h"

namespace {

std::atomic<int> g_constructed{0};

// A slow constructor widens the window in which racing threads could both
// see an empty pointer.
struct SlowProbe {
    SlowProbe()
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ++g_constructed;
    }
    int value = 7;
};

using ProbeSingleton = utils::CSingletonT<SlowProbe>;

} // namespace

TEST(Singleton, RacedCreationConstructsExactlyOnce)
{
    for (int round = 0; round < 5; ++round) {
        ProbeSingleton::release();
        g_constructed = 0;
        constexpr int kThreads = 8;
        std::vector<SlowProbe*> seen(kThreads, nullptr);
        std::atomic<int> ready{0};
        std::atomic<bool> go{false};
        std::vector<std::thread> threads;
        for (int i = 0; i < kThreads; ++i)
            threads.emplace_back([&, i] {
                ++ready;
                while (!go.load())
                    std::this_thread::yield();
                seen[i] = ProbeSingleton::instance();
            });
        while (ready.load() < kThreads)
            std::this_thread::yield();
        go = true;
        for (auto& t : threads)
            t.join();
        EXPECT_EQ(g_constructed.load(), 1) << "round " << round;
        for (SlowProbe* p : seen) {
            ASSERT_EQ(p, seen[0]);
            EXPECT_EQ(p->value, 7); // published fully constructed
        }
    }
    ProbeSingleton::release();
    EXPECT_EQ(ProbeSingleton::s_pInstance.load(), nullptr);
}

TEST(Singleton, ReleaseWithoutInstanceIsHarmless)
{
    ProbeSingleton::release();
    ProbeSingleton::release();
    EXPECT_EQ(ProbeSingleton::s_pInstance.load(), nullptr);
}
