#include "platform/trading/TradeTexts.h"

#include "platform/trading/DataHelper.h"

namespace qlservice {

bool isBuyByDirection(int direction, int offsetFlag)
{
    if (offsetFlag == DataHelper::kOffsetNone || offsetFlag == DataHelper::kOffsetOpen)
        return direction == DataHelper::kDirectionBuy;
    // Closing a position trades against its side.
    return direction == DataHelper::kDirectionSell;
}

QString operationValueToString(int operation)
{
    switch (operation) {
    case DataHelper::kOpOpenLong:
        return QStringLiteral("开多");
    case DataHelper::kOpCloseLongHistory:
        return QStringLiteral("平昨多");
    case DataHelper::kOpCloseLongToday:
        return QStringLiteral("平今多");
    case DataHelper::kOpOpenShort:
        return QStringLiteral("开空");
    case DataHelper::kOpCloseShortHistory:
        return QStringLiteral("平昨空");
    case DataHelper::kOpCloseShortToday:
        return QStringLiteral("平今空");
    case DataHelper::kOpBuy:
        return QStringLiteral("买入");
    case DataHelper::kOpSell:
        return QStringLiteral("卖出");
    case DataHelper::kOpBuyAmount:
        return QStringLiteral("金额买入");
    default:
        return QStringLiteral("未知操作");
    }
}

QString getStockUnit(const std::string& market, const std::string& code)
{
    if (DataHelper::isFuturesMarket(market))
        return QStringLiteral("手");
    // Convertible and corporate bonds of the two stock exchanges.
    if (((market == "SH" || market == "SSE") && code.rfind("11", 0) == 0) ||
        ((market == "SZ" || market == "SZSE") && code.rfind("12", 0) == 0))
        return QStringLiteral("张");
    return QStringLiteral("股");
}

QString offsetFlagToString(int offsetFlag)
{
    switch (offsetFlag) {
    case DataHelper::kOffsetOpen:
        return QStringLiteral("开仓");
    case DataHelper::kOffsetClose:
        return QStringLiteral("平仓");
    case DataHelper::kOffsetCloseToday:
        return QStringLiteral("平今");
    case DataHelper::kOffsetCloseYesterday:
        return QStringLiteral("平昨");
    default:
        return QString();
    }
}

QString orderStatusToString(int status)
{
    switch (status) {
    case DataHelper::kOrderUnreported:
        return QStringLiteral("未报");
    case DataHelper::kOrderWaitReport:
        return QStringLiteral("待报");
    case DataHelper::kOrderReported:
        return QStringLiteral("已报");
    case DataHelper::kOrderReportedCancel:
        return QStringLiteral("已报待撤");
    case DataHelper::kOrderPartCancelWait:
        return QStringLiteral("部成待撤");
    case DataHelper::kOrderPartCancelled:
        return QStringLiteral("部撤");
    case DataHelper::kOrderCancelled:
        return QStringLiteral("已撤");
    case DataHelper::kOrderPartTraded:
        return QStringLiteral("部成");
    case DataHelper::kOrderTraded:
        return QStringLiteral("已成");
    case DataHelper::kOrderJunk:
        return QStringLiteral("废单");
    default:
        return QStringLiteral("未知");
    }
}

} // namespace qlservice

namespace TC {

QString getPriceTypeQString(int priceType)
{
    using qlservice::DataHelper;
    switch (priceType) {
    case DataHelper::kPriceLatest:
        return QStringLiteral("最新价");
    case DataHelper::kPriceCounterparty:
        return QStringLiteral("对手价");
    case DataHelper::kPriceOwnSide:
        return QStringLiteral("本方价");
    case DataHelper::kPriceMarket:
        return QStringLiteral("市价");
    case DataHelper::kPriceFixed:
        return QStringLiteral("指定价");
    case DataHelper::kPriceMiddle:
        return QStringLiteral("中间价");
    default:
        return QStringLiteral("未知");
    }
}

QString getTaskStatusQString(int status)
{
    using qlservice::DataHelper;
    switch (status) {
    case DataHelper::kTaskCreated:
        return QStringLiteral("已创建");
    case DataHelper::kTaskWaiting:
        return QStringLiteral("等待开始");
    case DataHelper::kTaskRunning:
        return QStringLiteral("运行中");
    case DataHelper::kTaskPaused:
        return QStringLiteral("已暂停");
    case DataHelper::kTaskCancelling:
        return QStringLiteral("撤销中");
    case DataHelper::kTaskError:
        return QStringLiteral("异常");
    case DataHelper::kTaskStopped:
        return QStringLiteral("已停止");
    case DataHelper::kTaskFinished:
        return QStringLiteral("已完成");
    case DataHelper::kTaskCancelled:
        return QStringLiteral("已撤销");
    default:
        return QStringLiteral("未知");
    }
}

} // namespace TC
