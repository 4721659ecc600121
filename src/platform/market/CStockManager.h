#pragma once

#include <memory>

#include <QPair>
#include <QSet>
#include <QString>
#include <QVector>

#include "platform/market/CInstrumentDetail.h"

namespace TC {

// Instrument and trading-calendar service, backed by the market store.
// Day time tags are the local midnight of the trading day in seconds since
// 1970 (the time tag of that day's daily bar).
class CStockManager
{
public:
    // Null when the market store has no such instrument.
    static std::shared_ptr<qlservice::CInstrumentDetail> getInstrumentDetail(const QString& key);
    // Time tag of the market's last trading day; 0 when the market is unknown.
    static int getLastTradingDay(const QString& market);
    // All trading days of the market, ascending; false when the market is unknown.
    static bool getTradeDateList(const QString& market, QVector<qint64>& dates);
    // Close of the trading day before `date` (the previous close the day is
    // measured against); the largest double when unknown.
    static double getCurrentDateLastClose(const QString& key, int date);
    // Session start and end (seconds) of the trading day `date` of the
    // instrument's market; (0, 0) when unknown.
    static QPair<qint64, qint64> getStartEndTime(const QString& key, int date);
};

// Sector (industry) and convertible-bond lookups.
class CSectorManager
{
public:
    // Name of the instrument's industry sector at level 1..3; "" when none.
    static QString getSWSectorByStock(const QString& key, int level);
    // Key of the sector index ("BKZS" market) of a sector name; "" when none.
    static QString getBkzsCodeByName(const QString& name);
    // Keys of the convertible bonds issued on a stock; empty when none.
    static QSet<QString> getConvertibleCodeByStock(const QString& key);
};

} // namespace TC

namespace kelv {
// Code of the convertible bond of stock (market, code); "" when none.
std::string getStockConvertibleBond(const std::string& market, const std::string& code);
} // namespace kelv

namespace qlservice {
class StockTypeCenter
{
public:
    static bool isTypedStock(const std::string& market, const std::string& code, int type);
    static bool isTypedStock(const QString& market, const QString& code, int type);
};
} // namespace qlservice

namespace se {
// True for index instruments (market indexes and sector indexes).
bool isIndexEx(const QString& market, const QString& code);
bool isIndexEx(const std::string& market, const std::string& code);
} // namespace se
