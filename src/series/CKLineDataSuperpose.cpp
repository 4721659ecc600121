// Removing the results of superposed instruments.
#include "model/CKLineUiParam.h"
#include "platform/market/InstrumentAccess.h"
#include "series/CKLineData.h"

namespace TC {

void CKLineData::delAllStockData()
{
    if (!m_pUiParam)
        return;
    const QString base = baseKey();
    const QString own = m_pUiParam->getCurrKey();
    const QString priceLine = QStringLiteral("价位线");
    for (const auto& stock : m_pUiParam->addStockList) {
        const QString key = getDetailQsKey(stock);
        if (key == own || key == base)
            continue;
        const bool levels = key.startsWith(QLatin1String("ED"));
        for (auto it = m_data.begin(); it != m_data.end();) {
            const CFormulaKey& k = it.key();
            if (k.stock == key && (isMainGraph(k.formula) || (levels && k.formula == priceLine))) {
                m_maxMinMap.remove(k);
                it = m_data.erase(it);
            } else {
                ++it;
            }
        }
    }
    m_nonBaseData.clear();
}

void CKLineData::removeStockData(const QString& key)
{
    if (key.isEmpty() || (m_pUiParam && key == m_pUiParam->getCurrKey()))
        return;
    for (auto it = m_data.begin(); it != m_data.end();) {
        if (it.key().stock == key) {
            m_maxMinMap.remove(it.key());
            it = m_data.erase(it);
        } else {
            ++it;
        }
    }
    for (auto it = m_nonBaseData.begin(); it != m_nonBaseData.end();)
        it = it.key().stock == key ? m_nonBaseData.erase(it) : std::next(it);
}

} // namespace TC
