#pragma once

#include <string>

#include <QtGlobal>

#include "platform/trading/IData.h"

namespace qlservice {

// One order of a linked account. Codes (direction, offset flag, status, price
// type) are those of DataHelper; texts are UTF-8.
//
// Volumes: m_volume ordered, m_tradedVolume filled (always the sum of the
// order's deals), m_cancelVolume withdrawn; m_tradedAmount is the sum of
// price x volume of the deals.
class COrderDetail : public IData
{
public:
    std::string m_accountId;
    std::string m_orderId;
    std::string m_date;   // "yyyyMMdd"
    std::string m_time;   // "hh:mm:ss" (imported records may carry "hhmmss")
    qint64 m_timeTag = 0; // the same instant in seconds since 1970
    std::string m_market;
    std::string m_code;
    std::string m_instrumentName;
    int m_direction = 48;
    int m_offsetFlag = 0;
    double m_price = 0.0;
    qint64 m_volume = 0;
    qint64 m_tradedVolume = 0;
    double m_tradedAmount = 0.0;
    qint64 m_cancelVolume = 0;
    int m_status = 50;
    int m_priceType = 4;
    std::string m_strategyName; // "" for a manual order
    int m_taskId = -1;          // the algorithmic task that placed it, -1 none
    bool m_imported = false;

    std::string getKey() const override { return m_accountId + "|" + m_orderId; }
    std::string instrumentKey() const { return m_market + m_code; }
    // Average fill price; 0 without fills.
    double tradedPrice() const { return m_tradedVolume > 0 ? m_tradedAmount / double(m_tradedVolume) : 0.0; }

    static constexpr int kColumnCount = 20;
    int columnCount() const override { return kColumnCount; }
    QString columnName(int column) const override;
    QString columnText(int column) const override;
};

} // namespace qlservice
