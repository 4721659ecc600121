// Group-model results held by a series.
#include <algorithm>
#include <cfloat>

#include "model/CKLineUiParam.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/service/CFormulaManager.h"
#include "series/CGroupResultManager.h"
#include "series/CKLineData.h"

namespace TC {

void CKLineData::setGroupResult(const QString& key, std::shared_ptr<se::RPCGroupResult> result)
{
    m_groupResults[key] = std::move(result);
}

void CKLineData::removeGroupResult(const QString& key)
{
    m_groupResults.remove(key);
}

bool CKLineData::getGroupResult(const QString& key, std::shared_ptr<se::RPCGroupResult>& out) const
{
    auto it = m_groupResults.constFind(key);
    if (it == m_groupResults.constEnd() || !it.value())
        return false;
    out = it.value();
    return true;
}

double CKLineData::getRealTradePrice(const QString& key, int barIndex, const QString& code) const
{
    std::shared_ptr<se::RPCGroupResult> result;
    if (!getGroupResult(key, result) || !m_pUiParam)
        return DBL_MAX;
    const int t = m_pUiParam->getTimeTagByIndex(barIndex);
    if (t == -1)
        return DBL_MAX;
    const std::string wanted = code.toStdString();
    // Trades are in time order: find the bar's run and take its last trade
    // of the instrument.
    const auto& trades = result->trades;
    auto first = std::lower_bound(trades.begin(), trades.end(), qint64(t),
                                  [](const se::RPCGroupTrade& tr, qint64 v) { return tr.timeTag < v; });
    double price = DBL_MAX;
    for (auto it = first; it != trades.end() && it->timeTag == t; ++it)
        if (it->code == wanted)
            price = it->price;
    return price;
}

void CKLineData::updateGroupResult(const QString& reqId)
{
    CFormulaKey key;
    if (!m_req.getKey(key, reqId))
        return;
    const QString& name = key.formula;
    if (!CFormulaOperateManager::isGroupModelExist(name) && !CFormulaOperateManager::isPythonIndex(name) &&
        !CFormulaOperateManager::isVbaIndex(name))
        return;
    setGroupResult(reqId, CFormulaManager::instance()->getFormulaForGroup(reqId));
    utils::CSingletonT<CGroupResultManager>::instance()->addData(name, reqId, this);
}

} // namespace TC
