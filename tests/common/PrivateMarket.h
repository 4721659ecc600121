#pragma once

#include <memory>

#include <QDate>

#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/market/CMarketSimulator.h"
#include "platform/market/CMarketStore.h"

namespace ktest {

// A private sample market that the formula service reads and a simulator
// ticks, so real-time tests can write to the store without touching the
// process-wide one. The store is built once per test suite (it takes a
// moment); the simulator is fresh per test.
class PrivateMarket
{
public:
    static void createStore()
    {
        s_store = new TC::CMarketStore(TC::CMarketStore::kDefaultSeed, QDate(2026, 11, 27), false);
    }
    static void destroyStore()
    {
        // Ranking-list workers read the store they were started on.
        TC::CFormulaManager::instance()->waitForWorkers();
        delete s_store;
        s_store = nullptr;
    }
    static TC::CMarketStore* store() { return s_store; }

    // Points the engine and the manager at the private store and a new simulator.
    void attach(quint64 seed = 11)
    {
        TC::CFormulaEngine::setStore(s_store);
        m_sim = std::make_unique<TC::CMarketSimulator>(s_store, seed);
        TC::CFormulaManager::instance()->setSimulator(m_sim.get());
    }
    // Back to the process-wide store and simulator.
    void detach()
    {
        TC::CFormulaManager::instance()->setSimulator(nullptr);
        m_sim.reset();
        TC::CFormulaEngine::setStore(nullptr);
    }
    TC::CMarketSimulator* simulator() const { return m_sim.get(); }

private:
    static inline TC::CMarketStore* s_store = nullptr;
    std::unique_ptr<TC::CMarketSimulator> m_sim;
};

} // namespace ktest
