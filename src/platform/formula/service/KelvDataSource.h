#pragma once

#include <memory>
#include <vector>

#include <QPair>
#include <QString>
#include <QVector>

#include "platform/formula/service/TSMetaInfo.h"
#include "platform/market/DividData.h"

// Synchronous calls of the terminal's data-source library, answered from the
// market store.
namespace kelv {

// Ex-rights records of the instrument, oldest first, for data type 4000
// (TSMetaInfo::kDividData); any other data type, or an unknown instrument,
// gives none. The period is not used: ex-rights records are daily.
std::vector<std::shared_ptr<quoter::DividData>> getDividData(const quoter::TSMetaInfo& info);

// (open, close) pairs in milliseconds of every session of the market's last
// trading day, in session order; none for a market without sessions. The
// code is accepted for the terminal's signature: sessions are per market.
QVector<QPair<qint64, qint64>> getOpenCloseTime(const QString& market, const QString& code = QString());

} // namespace kelv
