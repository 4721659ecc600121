#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include <QString>
#include <QStringList>

#include "platform/config/CSingletonT.h"
#include "platform/trading/CTradeStrategyData.h"

namespace TC {

// The strategy trading service of the terminal (stand-in): the strategies
// added for live trading, which of them run, and the one the user selected in
// the strategy list.
//
// A strategy is named by its formula; names compare without case. The same
// formula may trade several instruments: adding a record for a (formula,
// instrument) pair that is already known replaces that record, and the
// name-based operations act on every record of the formula
// (getStrategyByName answers the first one added).
//
// Running is "run on request": runStrategy marks the records running and
// active (a strategy the user starts is one he wants traded), stopStrategy
// clears running only, so a restart keeps the user's choice.
//
// Thread-safe: one mutex guards the list and the selection; records are
// handed out as shared pointers and lock themselves.
class CStrategyTradeManager
{
public:
    static CStrategyTradeManager* instance();

    // False for a null record or one without a formula name.
    bool addStrategy(const std::shared_ptr<CTradeStrategyData>& strategy);
    // Number of records now running / stopped; 0 for an unknown name.
    int runStrategy(const QString& name);
    int stopStrategy(const QString& name);
    // Removes every record of the formula (and the selection when it is one of them).
    int removeStrategy(const QString& name);

    // Null when unknown.
    std::shared_ptr<CTradeStrategyData> getStrategyByName(const QString& name) const;
    bool isFomrulaRun(const QString& formula) const;
    QStringList strategyNames() const;
    int count() const;

    // The strategy selected in the terminal's strategy list; null when none.
    std::shared_ptr<CTradeStrategyData> getSelectStrategy() const;
    void setSelectStrategy(const std::shared_ptr<CTradeStrategyData>& strategy);

    void clear();

private:
    friend class utils::CSingletonT<CStrategyTradeManager>;

    CStrategyTradeManager() = default;
    CStrategyTradeManager(const CStrategyTradeManager&) = delete;
    CStrategyTradeManager& operator=(const CStrategyTradeManager&) = delete;

    int setRunning(const QString& name, bool running);

    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<CTradeStrategyData>> m_strategies; // in adding order
    std::shared_ptr<CTradeStrategyData> m_selected;
};

} // namespace TC
