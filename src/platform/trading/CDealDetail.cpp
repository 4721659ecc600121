#include "platform/trading/CDealDetail.h"

#include <QStringList>

#include "platform/trading/TradeTexts.h"

namespace qlservice {

namespace {

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

QString CDealDetail::columnName(int column) const
{
    static const QStringList names = {
        QStringLiteral("资金账号"), QStringLiteral("成交编号"), QStringLiteral("委托编号"),
        QStringLiteral("成交日期"), QStringLiteral("成交时间"), QStringLiteral("市场"),
        QStringLiteral("证券代码"), QStringLiteral("证券名称"), QStringLiteral("买卖方向"),
        QStringLiteral("开平标志"), QStringLiteral("成交价格"), QStringLiteral("成交数量"),
        QStringLiteral("成交金额"), QStringLiteral("策略名称"), QStringLiteral("任务编号"),
        QStringLiteral("账号类型"), QStringLiteral("来源"),     QStringLiteral("成交序号")};
    return names.value(column);
}

QString CDealDetail::columnText(int column) const
{
    switch (column) {
    case 0:
        return qs(m_accountId);
    case 1:
        return qs(m_dealId);
    case 2:
        return qs(m_orderId);
    case 3:
        return qs(m_date);
    case 4:
        return qs(m_time);
    case 5:
        return qs(m_market);
    case 6:
        return qs(m_code);
    case 7:
        return qs(m_instrumentName);
    case 8:
        return isBuyByDirection(m_direction, m_offsetFlag) ? QStringLiteral("买入") : QStringLiteral("卖出");
    case 9:
        return offsetFlagToString(m_offsetFlag);
    case 10:
        return QString::number(m_price, 'f', 3);
    case 11:
        return QString::number(m_volume);
    case 12:
        return QString::number(m_amount, 'f', 2);
    case 13:
        return qs(m_strategyName);
    case 14:
        return m_taskId >= 0 ? QString::number(m_taskId) : QString();
    case 15:
        return m_accountKind == 1 ? QStringLiteral("期货") : QStringLiteral("股票");
    case 16:
        return m_imported ? QStringLiteral("导入") : QStringLiteral("交易");
    case 17:
        return QString::number(m_sequence);
    default:
        return QString();
    }
}

} // namespace qlservice
