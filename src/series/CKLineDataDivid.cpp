// Ex-rights records of the chart's instrument.
#include <algorithm>

#include "model/CKLineUiParam.h"
#include "platform/formula/service/KelvDataSource.h"
#include "series/CKLineData.h"

namespace TC {

void CKLineData::loadDividData()
{
    m_dividData.clear();
    if (!m_pUiParam)
        return;
    m_dividKey = m_pUiParam->getCurrKey();
    quoter::TSMetaInfo info;
    info.market = m_pUiParam->getCurrMarket().toStdString();
    info.code = m_pUiParam->getCurrCode().toStdString();
    info.periodMs = 86400000;
    info.dataType = quoter::TSMetaInfo::kDividData;
    for (const auto& record : kelv::getDividData(info))
        if (record)
            m_dividData.push_back(record);
    // The marks search the records by time.
    std::stable_sort(m_dividData.begin(), m_dividData.end(),
                     [](const auto& a, const auto& b) { return a->time < b->time; });
}

void CKLineData::clearAndRequestDivid(bool reload)
{
    m_dividKey.clear();
    m_dividData.clear();
    if (reload)
        loadDividData();
}

} // namespace TC
