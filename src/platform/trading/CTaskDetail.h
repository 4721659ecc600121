#pragma once

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include <QtGlobal>

#include "platform/trading/COrderDetail.h"
#include "platform/trading/IData.h"

namespace qlservice {

// One algorithmic trading task: a quantity split into m_itemCount items, each
// placed as an order at its scheduled time between start and planned end.
//
// Times are seconds since 1970; kUnsetTime (2147483647) marks a time that is
// not set. m_endTime is the actual end (finished or cancelled) and stays unset
// while the task runs; m_planEndTime is the end it was scheduled for.
//
// m_orders are the orders the task has placed so far (as published with this
// record), in placing order; m_tradedVolume is the sum of their fills, so the
// task's progress always follows its deals. m_quantity is what the user asked
// for: a volume, or an amount in yuan for operation 25 (buy by amount).
class CTaskDetail : public IData
{
public:
    static constexpr int kUnsetTime = INT_MAX;

    int m_taskId = 0;
    int m_sessionId = 0;
    std::string m_accountId;
    std::string m_market;
    std::string m_code;
    std::string m_instrumentName;
    std::string m_date; // "yyyyMMdd" of its start
    int m_startTime = kUnsetTime;
    int m_endTime = kUnsetTime;
    int m_planEndTime = kUnsetTime;
    int m_status = 3;
    int m_operation = 23;
    int m_priceType = 1;
    double m_quantity = 0.0;
    int m_itemCount = 0;
    qint64 m_totalVolume = 0;
    qint64 m_tradedVolume = 0;
    double m_tradedAmount = 0.0;
    double m_orderPrice = 0.0; // price of its first order
    std::string m_strategyName;
    std::vector<std::shared_ptr<COrderDetail>> m_orders;

    std::string getKey() const override { return m_accountId + "|" + std::to_string(m_taskId); }
    std::string instrumentKey() const { return m_market + m_code; }
    int getTime() const { return m_startTime; }

    static constexpr int kColumnCount = 14;
    int columnCount() const override { return kColumnCount; }
    QString columnName(int column) const override;
    QString columnText(int column) const override;
};

} // namespace qlservice
