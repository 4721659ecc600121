#include "platform/indexui/IndexBaseDataReq.h"

namespace TC {

int IndexBaseDataReq::indexOfKey(const CFormulaKey& key) const
{
    for (int i = 0; i < m_items.size(); ++i)
        if (m_items.at(i).key == key)
            return i;
    return -1;
}

int IndexBaseDataReq::indexOfReq(const QString& reqId) const
{
    for (int i = 0; i < m_items.size(); ++i)
        if (m_items.at(i).reqId == reqId)
            return i;
    return -1;
}

bool IndexBaseDataReq::add(const CFormulaKey& key, const QString& reqId)
{
    if (reqId.isEmpty() || indexOfKey(key) >= 0 || indexOfReq(reqId) >= 0)
        return false;
    m_items.append(Item{key, reqId});
    return true;
}

bool IndexBaseDataReq::getReq(QString& reqId, const CFormulaKey& key) const
{
    const int i = indexOfKey(key);
    if (i < 0)
        return false;
    reqId = m_items.at(i).reqId;
    return true;
}

bool IndexBaseDataReq::getKey(CFormulaKey& key, const QString& reqId) const
{
    const int i = indexOfReq(reqId);
    if (i < 0)
        return false;
    key = m_items.at(i).key;
    return true;
}

bool IndexBaseDataReq::findKey(const CFormulaKey& key) const
{
    return indexOfKey(key) >= 0;
}

bool IndexBaseDataReq::removeReq(const QString& reqId)
{
    const int i = indexOfReq(reqId);
    if (i < 0)
        return false;
    m_items.removeAt(i);
    return true;
}

bool IndexBaseDataReq::removeKey(const CFormulaKey& key)
{
    const int i = indexOfKey(key);
    if (i < 0)
        return false;
    m_items.removeAt(i);
    return true;
}

void IndexBaseDataReq::removeAt(int i)
{
    if (i >= 0 && i < m_items.size())
        m_items.removeAt(i);
}

const IndexBaseDataReq::Item& IndexBaseDataReq::operator[](int i) const
{
    static const Item empty;
    if (i < 0 || i >= m_items.size())
        return empty;
    return m_items.at(i);
}

QVector<QString> IndexBaseDataReq::reqIds() const
{
    QVector<QString> ids;
    ids.reserve(m_items.size());
    for (const Item& it : m_items)
        ids.append(it.reqId);
    return ids;
}

} // namespace TC
