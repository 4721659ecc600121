#include "platform/market/CStockManager.h"

#include <limits>

#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"

namespace TC {

std::shared_ptr<qlservice::CInstrumentDetail> CStockManager::getInstrumentDetail(const QString& key)
{
    return CMarketStore::instance()->instrument(key);
}

int CStockManager::getLastTradingDay(const QString& market)
{
    return int(CMarketStore::instance()->lastTradingDay(market));
}

bool CStockManager::getTradeDateList(const QString& market, QVector<qint64>& dates)
{
    dates = CMarketStore::instance()->tradeDates(market);
    return !dates.isEmpty();
}

double CStockManager::getCurrentDateLastClose(const QString& key, int date)
{
    if (date <= 0)
        return std::numeric_limits<double>::max();
    return CMarketStore::instance()->prevClose(key, CLocalTimeConverter::dateOf(date));
}

QPair<qint64, qint64> CStockManager::getStartEndTime(const QString& key, int date)
{
    CMarketStore* store = CMarketStore::instance();
    const auto detail = store->instrument(key);
    if (!detail || date <= 0)
        return {0, 0};
    const QVector<CTradingSession> sessions = store->sessions(QString::fromStdString(detail->market));
    if (sessions.isEmpty())
        return {0, 0};
    int start = sessions.first().startMinute;
    int end = sessions.first().endMinute;
    for (const CTradingSession& s : sessions) {
        start = std::min(start, s.startMinute);
        end = std::max(end, s.endMinute);
    }
    const QDate day = CLocalTimeConverter::dateOf(date);
    return {CLocalTimeConverter::timeAt(day, start), CLocalTimeConverter::timeAt(day, end)};
}

} // namespace TC
