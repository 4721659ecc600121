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

// Whether the user has level-2 quotes of the market. The stand-in's quote
// service has level-1 data only.
bool isLevel2User(const QString& market);

// Progress of a group run as the service reports it: a JSON object text
// {"id":..,"done":..,"total":..}; done = total = 0 for an unknown id.
QString getGroupRunProgress2(const QString& requestId);

} // namespace kelv
