#include "platform/market/TraderCenter.h"

#include "platform/market/CStoreDataCenter.h"

namespace qlservice {

TraderCenter::TraderCenter() : m_dataCenter(new CStoreDataCenter)
{
}

TraderCenter::~TraderCenter()
{
    delete m_dataCenter;
}

TraderCenter* TraderCenter::instance()
{
    return utils::CSingletonT<TraderCenter>::instance();
}

IDataCenter* TraderCenter::getDataCenter() const
{
    return m_dataCenter;
}

void TraderCenter::setDataCenter(IDataCenter* dc)
{
    if (dc == m_dataCenter)
        return;
    delete m_dataCenter;
    // Null restores the store-backed centre, so getDataCenter() is never null.
    m_dataCenter = dc ? dc : new CStoreDataCenter;
}

} // namespace qlservice
