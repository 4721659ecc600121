#include "platform/trading/COrderDetail.h"

#include <QStringList>

#include "platform/trading/DataHelper.h"
#include "platform/trading/TradeTexts.h"

namespace qlservice {

namespace {

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

QString COrderDetail::columnName(int column) const
{
    static const QStringList names = {
        QStringLiteral("资金账号"), QStringLiteral("委托编号"), QStringLiteral("委托日期"),
        QStringLiteral("委托时间"), QStringLiteral("市场"),     QStringLiteral("证券代码"),
        QStringLiteral("证券名称"), QStringLiteral("买卖方向"), QStringLiteral("开平标志"),
        QStringLiteral("委托价格"), QStringLiteral("委托数量"), QStringLiteral("成交数量"),
        QStringLiteral("成交均价"), QStringLiteral("成交金额"), QStringLiteral("撤单数量"),
        QStringLiteral("委托状态"), QStringLiteral("报价方式"), QStringLiteral("策略名称"),
        QStringLiteral("任务编号"), QStringLiteral("来源")};
    return names.value(column);
}

QString COrderDetail::columnText(int column) const
{
    switch (column) {
    case 0:
        return qs(m_accountId);
    case 1:
        return qs(m_orderId);
    case 2:
        return qs(m_date);
    case 3:
        return qs(m_time);
    case 4:
        return qs(m_market);
    case 5:
        return qs(m_code);
    case 6:
        return qs(m_instrumentName);
    case 7:
        return isBuyByDirection(m_direction, m_offsetFlag) ? QStringLiteral("买入") : QStringLiteral("卖出");
    case 8:
        return offsetFlagToString(m_offsetFlag);
    case 9:
        return QString::number(m_price, 'f', 3);
    case 10:
        return QString::number(m_volume);
    case 11:
        return QString::number(m_tradedVolume);
    case 12:
        return QString::number(tradedPrice(), 'f', 3);
    case 13:
        return QString::number(m_tradedAmount, 'f', 2);
    case 14:
        return QString::number(m_cancelVolume);
    case 15:
        return orderStatusToString(m_status);
    case 16:
        return TC::getPriceTypeQString(m_priceType);
    case 17:
        return qs(m_strategyName);
    case 18:
        return m_taskId >= 0 ? QString::number(m_taskId) : QString();
    case 19:
        return m_imported ? QStringLiteral("导入") : QStringLiteral("交易");
    default:
        return QString();
    }
}

} // namespace qlservice
