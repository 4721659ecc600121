#pragma once

#include <mutex>

#include <QString>

namespace TC {

// One strategy known to the strategy trading service: a formula run for one
// instrument.
//
//  - kind: 1 a strategy that draws its own main graph (it takes over the main
//    pane), 2 one that is shown over the instrument's own candles; any other
//    value is stored as given and matches neither.
//  - active: the user enabled it for live trading.
//  - running: it is running now (set by CStrategyTradeManager::runStrategy and
//    stopStrategy).
//  - shown on main pane: the chart currently shows the strategy on its main
//    pane (written by the chart, read when a formula is double-clicked).
//
// Every accessor locks, so a record may be read and written from the
// service's threads and the GUI thread alike.
class CTradeStrategyData
{
public:
    CTradeStrategyData() = default;
    CTradeStrategyData(const QString& formula, const QString& stockKey, int kind = 1);

    CTradeStrategyData(const CTradeStrategyData&) = delete;
    CTradeStrategyData& operator=(const CTradeStrategyData&) = delete;

    QString getFormula() const;
    void setFormula(const QString& formula);
    QString getStockKey() const;
    void setStockKey(const QString& key);
    int getKind() const;
    void setKind(int kind);
    bool isActive() const;
    void setActive(bool active);
    bool isShowMain() const;
    void setShowMain(bool shown);
    bool isRunning() const;
    void setRunning(bool running);

private:
    mutable std::mutex m_mutex;
    QString m_formula;
    QString m_stockKey;
    int m_kind = 1;
    bool m_active = false;
    bool m_showMain = false;
    bool m_running = false;
};

} // namespace TC
