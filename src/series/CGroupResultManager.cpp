#include "series/CGroupResultManager.h"

#include <cfloat>

#include "model/CKLineUiParam.h"
#include "series/CKLineData.h"

template class utils::CSingletonT<TC::CGroupResultManager>;

namespace TC {

CGroupResultManager::CGroupResultManager() = default;
CGroupResultManager::~CGroupResultManager() = default;

void CGroupResultManager::addData(QString name, QString groupKey, CKLineData* series)
{
    m_nameMap[name] = groupKey;
    m_seriesMap[groupKey] = series;
}

void CGroupResultManager::removeData(QString groupKey)
{
    m_seriesMap.remove(groupKey);
    const QString name = m_nameMap.key(groupKey);
    if (!name.isEmpty())
        m_nameMap.remove(name);
}

void CGroupResultManager::removeSeries(CKLineData* series)
{
    const QStringList keys = m_seriesMap.keys(series);
    for (const QString& key : keys)
        removeData(key);
}

void CGroupResultManager::getGroupResultPtr(int, QString groupKey, std::shared_ptr<se::RPCGroupResult>& out)
{
    CKLineData* s = m_seriesMap.value(groupKey);
    if (s)
        s->getGroupResult(groupKey, out);
}

double CGroupResultManager::getRealTradePrice(QString groupKey, qint64 timeTag, QString code)
{
    CKLineData* s = m_seriesMap.value(groupKey);
    if (!s || !s->uiParam())
        return DBL_MAX;
    const CKLineUiParam& ui = *s->uiParam();
    const int bar = ui.getIndexByTimeTag(int(timeTag));
    if (bar < 0 || ui.m_tradeDateList.at(bar) != timeTag)
        return DBL_MAX;
    return s->getRealTradePrice(groupKey, bar, code);
}

} // namespace TC
