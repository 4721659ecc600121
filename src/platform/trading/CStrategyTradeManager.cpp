#include "platform/trading/CStrategyTradeManager.h"

#include <algorithm>

#include "platform/config/QLLog.h"

namespace TC {

namespace {

using Lock = std::lock_guard<std::mutex>;

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

CStrategyTradeManager* CStrategyTradeManager::instance()
{
    return utils::CSingletonT<CStrategyTradeManager>::instance();
}

bool CStrategyTradeManager::addStrategy(const std::shared_ptr<CTradeStrategyData>& strategy)
{
    if (!strategy || strategy->getFormula().isEmpty()) {
        QLLOG_WARN(qlog::kStdLogger, "strategy without formula ignored");
        return false;
    }
    const QString formula = strategy->getFormula();
    const QString stock = strategy->getStockKey();
    Lock lock(m_mutex);
    for (auto& s : m_strategies) {
        if (s == strategy)
            return true;
        if (sameName(s->getFormula(), formula) && s->getStockKey() == stock) {
            if (m_selected == s)
                m_selected = strategy;
            s = strategy;
            QLLOG_INFO(qlog::kStdLogger, "strategy replaced formula:%1%, stock:%2%", formula, stock);
            return true;
        }
    }
    m_strategies.push_back(strategy);
    QLLOG_INFO(qlog::kStdLogger, "strategy added formula:%1%, stock:%2%", formula, stock);
    return true;
}

int CStrategyTradeManager::setRunning(const QString& name, bool running)
{
    int n = 0;
    Lock lock(m_mutex);
    for (const auto& s : m_strategies) {
        if (!sameName(s->getFormula(), name))
            continue;
        s->setRunning(running);
        if (running)
            s->setActive(true);
        ++n;
    }
    return n;
}

int CStrategyTradeManager::runStrategy(const QString& name)
{
    const int n = setRunning(name.trimmed(), true);
    QLLOG_INFO(qlog::kStdLogger, "run strategy:%1%, records:%2%", name, n);
    return n;
}

int CStrategyTradeManager::stopStrategy(const QString& name)
{
    const int n = setRunning(name.trimmed(), false);
    QLLOG_INFO(qlog::kStdLogger, "stop strategy:%1%, records:%2%", name, n);
    return n;
}

int CStrategyTradeManager::removeStrategy(const QString& name)
{
    const QString key = name.trimmed();
    Lock lock(m_mutex);
    const auto before = m_strategies.size();
    if (m_selected && sameName(m_selected->getFormula(), key))
        m_selected.reset();
    m_strategies.erase(std::remove_if(m_strategies.begin(), m_strategies.end(),
                                      [&](const std::shared_ptr<CTradeStrategyData>& s) {
                                          return sameName(s->getFormula(), key);
                                      }),
                       m_strategies.end());
    return int(before - m_strategies.size());
}

std::shared_ptr<CTradeStrategyData> CStrategyTradeManager::getStrategyByName(const QString& name) const
{
    const QString key = name.trimmed();
    if (key.isEmpty())
        return nullptr;
    Lock lock(m_mutex);
    for (const auto& s : m_strategies) {
        if (sameName(s->getFormula(), key))
            return s;
    }
    return nullptr;
}

bool CStrategyTradeManager::isFomrulaRun(const QString& formula) const
{
    const QString key = formula.trimmed();
    Lock lock(m_mutex);
    return std::any_of(m_strategies.begin(), m_strategies.end(),
                       [&](const std::shared_ptr<CTradeStrategyData>& s) {
                           return sameName(s->getFormula(), key) && s->isRunning();
                       });
}

QStringList CStrategyTradeManager::strategyNames() const
{
    QStringList out;
    Lock lock(m_mutex);
    for (const auto& s : m_strategies) {
        const QString f = s->getFormula();
        bool seen = false;
        for (const QString& o : out)
            seen = seen || sameName(o, f);
        if (!seen)
            out.append(f);
    }
    return out;
}

int CStrategyTradeManager::count() const
{
    Lock lock(m_mutex);
    return int(m_strategies.size());
}

std::shared_ptr<CTradeStrategyData> CStrategyTradeManager::getSelectStrategy() const
{
    Lock lock(m_mutex);
    return m_selected;
}

void CStrategyTradeManager::setSelectStrategy(const std::shared_ptr<CTradeStrategyData>& strategy)
{
    Lock lock(m_mutex);
    m_selected = strategy;
}

void CStrategyTradeManager::clear()
{
    Lock lock(m_mutex);
    m_strategies.clear();
    m_selected.reset();
}

} // namespace TC
