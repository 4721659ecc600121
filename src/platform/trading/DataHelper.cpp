#include "platform/trading/DataHelper.h"

#include "platform/trading/COrderDetail.h"
#include "platform/trading/TradeTexts.h"

namespace qlservice {

bool DataHelper::isBuy(int operation)
{
    switch (operation) {
    case kOpOpenLong:
    case kOpCloseShortHistory:
    case kOpCloseShortToday:
    case kOpBuy:
    case kOpBuyAmount:
        return true;
    default:
        return false;
    }
}

bool DataHelper::isBuy(const COrderDetail& order)
{
    return isBuyByDirection(order.m_direction, order.m_offsetFlag);
}

bool DataHelper::isBuy(const std::shared_ptr<COrderDetail>& order)
{
    return order && isBuy(*order);
}

bool DataHelper::isFuturesMarket(const std::string& market)
{
    for (const char* m : {"SF", "SHFE", "DF", "DCE", "ZF", "CZCE", "IF", "CFFEX", "INE"})
        if (market == m)
            return true;
    return false;
}

bool DataHelper::isFinalOrderStatus(int status)
{
    return status == kOrderPartCancelled || status == kOrderCancelled || status == kOrderTraded ||
           status == kOrderJunk;
}

} // namespace qlservice
