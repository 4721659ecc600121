#pragma once

#include <QDate>
#include <QMap>
#include <QSet>
#include <QString>
#include <QVector>

#include "platform/market/CInstrumentData.h"
#include "platform/market/CTradingSession.h"

namespace TC {

// The whole content of a market store: plain data, no locking. The sample
// generator fills one, the store guards one.
struct CMarketData {
    QMap<QString, CInstrumentData> instruments;       // by instrument key
    QMap<QString, QVector<qint64>> tradeDates;        // market -> day time tags, ascending
    QMap<QString, QVector<CTradingSession>> sessions; // market -> sessions of a day
    QSet<QString> fixedCalendarMarkets;               // calendars not derived from bars
    QMap<QString, QString> sectorKeyByName;           // sector name -> sector index key
    QMap<QString, QSet<QString>> bondsByStock;        // stock key -> convertible bond keys
    QDate today;                                      // last trading day of the sample
};

} // namespace TC
