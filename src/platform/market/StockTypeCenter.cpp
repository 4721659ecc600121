#include "platform/market/CMarketStore.h"
#include "platform/market/CStockManager.h"

namespace qlservice {

bool StockTypeCenter::isTypedStock(const QString& market, const QString& code, int type)
{
    const auto detail = TC::CMarketStore::instance()->instrument(market + code);
    return detail && detail->stockType == type;
}

bool StockTypeCenter::isTypedStock(const std::string& market, const std::string& code, int type)
{
    return isTypedStock(QString::fromStdString(market), QString::fromStdString(code), type);
}

} // namespace qlservice

namespace se {

bool isIndexEx(const QString& market, const QString& code)
{
    // Every instrument of the sector market is a sector index.
    if (code.isEmpty())
        return false;
    if (market == QLatin1String("BKZS"))
        return true;
    const auto detail = TC::CMarketStore::instance()->instrument(market + code);
    return detail && (detail->kind == "index" || detail->kind == "sector");
}

bool isIndexEx(const std::string& market, const std::string& code)
{
    return isIndexEx(QString::fromStdString(market), QString::fromStdString(code));
}

} // namespace se
