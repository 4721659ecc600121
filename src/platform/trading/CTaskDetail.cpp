#include "platform/trading/CTaskDetail.h"

#include <QDateTime>
#include <QStringList>

#include "platform/trading/TradeTexts.h"

namespace qlservice {

namespace {

QString timeText(int t)
{
    if (t == CTaskDetail::kUnsetTime)
        return QString();
    return QDateTime::fromSecsSinceEpoch(t).toString(QStringLiteral("hh:mm:ss"));
}

} // namespace

QString CTaskDetail::columnName(int column) const
{
    static const QStringList names = {
        QStringLiteral("任务编号"), QStringLiteral("资金账号"), QStringLiteral("证券代码"),
        QStringLiteral("证券名称"), QStringLiteral("开始时间"), QStringLiteral("结束时间"),
        QStringLiteral("计划结束"), QStringLiteral("操作"),     QStringLiteral("报价方式"),
        QStringLiteral("数量"),     QStringLiteral("成交数量"), QStringLiteral("总数量"),
        QStringLiteral("状态"),     QStringLiteral("策略名称")};
    return names.value(column);
}

QString CTaskDetail::columnText(int column) const
{
    switch (column) {
    case 0:
        return QString::number(m_taskId);
    case 1:
        return QString::fromStdString(m_accountId);
    case 2:
        return QString::fromStdString(m_code);
    case 3:
        return QString::fromStdString(m_instrumentName);
    case 4:
        return timeText(m_startTime);
    case 5:
        return timeText(m_endTime);
    case 6:
        return timeText(m_planEndTime);
    case 7:
        return operationValueToString(m_operation);
    case 8:
        return TC::getPriceTypeQString(m_priceType);
    case 9:
        return QString::number(m_quantity, 'f', 0);
    case 10:
        return QString::number(m_tradedVolume);
    case 11:
        return QString::number(m_totalVolume);
    case 12:
        return TC::getTaskStatusQString(m_status);
    case 13:
        return QString::fromStdString(m_strategyName);
    default:
        return QString();
    }
}

} // namespace qlservice
