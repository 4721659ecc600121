#include <algorithm>

#include "platform/market/CMarketStore.h"
#include "platform/market/CStockManager.h"

namespace TC {

QString CSectorManager::getSWSectorByStock(const QString& key, int level)
{
    return CMarketStore::instance()->sectorOf(key, level);
}

QString CSectorManager::getBkzsCodeByName(const QString& name)
{
    if (name.isEmpty())
        return QString();
    return CMarketStore::instance()->sectorIndexKey(name);
}

QSet<QString> CSectorManager::getConvertibleCodeByStock(const QString& key)
{
    return CMarketStore::instance()->convertibleBonds(key);
}

} // namespace TC

namespace kelv {

std::string getStockConvertibleBond(const std::string& market, const std::string& code)
{
    const QSet<QString> bonds =
        TC::CMarketStore::instance()->convertibleBonds(QString::fromStdString(market + code));
    if (bonds.isEmpty())
        return std::string();
    // Several bonds: the smallest key, so the answer does not depend on hashing.
    QStringList keys = bonds.values();
    std::sort(keys.begin(), keys.end());
    const auto detail = TC::CMarketStore::instance()->instrument(keys.first());
    return detail ? detail->code : std::string();
}

} // namespace kelv
