#pragma once

#include <string>

#include <QtGlobal>

#include "platform/trading/IData.h"

namespace qlservice {

// One deal (fill) of a linked account; m_amount = m_price x m_volume, so the
// running average cost of a day is amount / volume summed over its deals.
// m_orderId names the order it fills ("" for an imported deal without one).
class CDealDetail : public IData
{
public:
    std::string m_accountId;
    std::string m_dealId;
    std::string m_orderId;
    std::string m_date; // "yyyyMMdd"
    std::string m_time; // "hh:mm:ss" (imported records may carry "hhmmss")
    qint64 m_timeTag = 0;
    std::string m_market;
    std::string m_code;
    std::string m_instrumentName;
    int m_direction = 48;
    int m_offsetFlag = 0;
    double m_price = 0.0;
    qint64 m_volume = 0;
    double m_amount = 0.0;
    std::string m_strategyName;
    int m_taskId = -1;
    int m_accountKind = 2; // 1 futures, 2 stock
    int m_sequence = 1;    // 1 for the order's first fill, 2 for the next ...
    bool m_imported = false;

    std::string getKey() const override { return m_accountId + "|" + m_dealId; }
    std::string instrumentKey() const { return m_market + m_code; }

    static constexpr int kColumnCount = 18;
    int columnCount() const override { return kColumnCount; }
    QString columnName(int column) const override;
    QString columnText(int column) const override;
};

} // namespace qlservice
