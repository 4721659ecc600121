// Ex-rights records of the chart's instrument.
#include "model/CKLineUiParam.h"
#include "platform/formula/service/KelvDataSource.h"
#include "series/CKLineData.h"

namespace TC {

void CKLineData::loadDividData()
{
    m_dividData.clear();
    if (!m_pUiParam)
        return;
    quoter::TSMetaInfo info;
    info.market = m_pUiParam->getCurrMarket().toStdString();
    info.code = m_pUiParam->getCurrCode().toStdString();
    info.periodMs = 86400000;
    info.dataType = quoter::TSMetaInfo::kDividData;
    setDividData(m_pUiParam->getCurrKey(), kelv::getDividData(info));
}

void CKLineData::clearAndRequestDivid(bool reload)
{
    m_dividKey.clear();
    m_dividData.clear();
    if (reload)
        loadDividData();
}

} // namespace TC
