#include "platform/trading/CTradeStrategyData.h"

namespace TC {

using Lock = std::lock_guard<std::mutex>;

CTradeStrategyData::CTradeStrategyData(const QString& formula, const QString& stockKey, int kind)
    : m_formula(formula.trimmed()), m_stockKey(stockKey.trimmed()), m_kind(kind)
{
}

QString CTradeStrategyData::getFormula() const
{
    Lock lock(m_mutex);
    return m_formula;
}

void CTradeStrategyData::setFormula(const QString& formula)
{
    Lock lock(m_mutex);
    m_formula = formula.trimmed();
}

QString CTradeStrategyData::getStockKey() const
{
    Lock lock(m_mutex);
    return m_stockKey;
}

void CTradeStrategyData::setStockKey(const QString& key)
{
    Lock lock(m_mutex);
    m_stockKey = key.trimmed();
}

int CTradeStrategyData::getKind() const
{
    Lock lock(m_mutex);
    return m_kind;
}

void CTradeStrategyData::setKind(int kind)
{
    Lock lock(m_mutex);
    m_kind = kind;
}

bool CTradeStrategyData::isActive() const
{
    Lock lock(m_mutex);
    return m_active;
}

void CTradeStrategyData::setActive(bool active)
{
    Lock lock(m_mutex);
    m_active = active;
}

bool CTradeStrategyData::isShowMain() const
{
    Lock lock(m_mutex);
    return m_showMain;
}

void CTradeStrategyData::setShowMain(bool shown)
{
    Lock lock(m_mutex);
    m_showMain = shown;
}

bool CTradeStrategyData::isRunning() const
{
    Lock lock(m_mutex);
    return m_running;
}

void CTradeStrategyData::setRunning(bool running)
{
    Lock lock(m_mutex);
    m_running = running;
}

} // namespace TC
