#include "platform/market/CStoreDataCenter.h"

#include <QDate>

#include "platform/market/CDividAdjuster.h"
#include "platform/market/CMarketStore.h"

namespace qlservice {

bool CStoreDataCenter::hasOptions(const std::string& key)
{
    const auto d = TC::CMarketStore::instance()->instrument(QString::fromStdString(key));
    return d && d->kind == "index" && (d->market == "SH" || d->market == "SZ");
}

std::set<int> CStoreDataCenter::getDateSet(const std::string& key) const
{
    std::set<int> out;
    if (!hasOptions(key))
        return out;
    const QDate today = TC::CMarketStore::instance()->today();
    QDate month(today.year(), today.month(), 1);
    while (out.size() < 4) {
        // Fourth Wednesday: the first Wednesday plus three weeks.
        const int firstWed = 1 + (3 - month.dayOfWeek() + 7) % 7;
        const QDate expiry(month.year(), month.month(), firstWed + 21);
        if (expiry > today)
            out.insert(expiry.year() * 10000 + expiry.month() * 100 + expiry.day());
        month = month.addMonths(1);
    }
    return out;
}

bool CStoreDataCenter::getWinnerPrices(const std::string& key, double& lower, double& upper) const
{
    if (!hasOptions(key))
        return false;
    const auto d = TC::CMarketStore::instance()->instrument(QString::fromStdString(key));
    if (!d || !(d->lastClose > 0.0))
        return false;
    lower = TC::CDividAdjuster::roundToTick(d->lastClose * 0.95, d->priceTick);
    upper = TC::CDividAdjuster::roundToTick(d->lastClose * 1.05, d->priceTick);
    return true;
}

} // namespace qlservice
