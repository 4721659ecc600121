#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include "platform/formula/TimeSeq.h"

namespace TC {

// A history download request: which instruments (markets[i] + codes[i]), at
// which bar period, over which range, for which trading day.
struct CHistoryDataParam {
    static constexpr int kDownloadKind = 3001;

    // Time tag (seconds) of the trading day the request is made on.
    int tradeDate = 0;
    // That day's trading hours, seconds since 1970.
    qint64 dayStart = 0;
    qint64 dayEnd = 0;
    QStringList markets;
    QStringList codes;
    // Bar period in milliseconds (0: ticks).
    qint64 periodMs = 0;
    int kind = kDownloadKind;
    quoter::TimeSeq rangeStart;
    quoter::TimeSeq rangeEnd;

    // The first instrument's key ("" without one).
    QString stockKey() const
    {
        return markets.isEmpty() || codes.isEmpty() ? QString() : markets.first() + codes.first();
    }
};

} // namespace TC
