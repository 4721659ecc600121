#pragma once

#include <memory>
#include <string>

#include <QString>

#include "platform/market/CInstrumentDetail.h"

// Accessors of the instrument record. Every accessor accepts a null record
// and then returns an empty text, or the largest double for prices.
namespace TC {

QString getDetailQsKey(const std::shared_ptr<qlservice::CInstrumentDetail>& d);
QString getDetailQsCode(const std::shared_ptr<qlservice::CInstrumentDetail>& d);
QString getDetailQsMarket(const std::shared_ptr<qlservice::CInstrumentDetail>& d);
QString getDetailQsName(const std::shared_ptr<qlservice::CInstrumentDetail>& d);
std::string getDetailKey(const std::shared_ptr<qlservice::CInstrumentDetail>& d);
std::string getDetailCode(const std::shared_ptr<qlservice::CInstrumentDetail>& d);
std::string getDetailMarket(const std::shared_ptr<qlservice::CInstrumentDetail>& d);
double getDetailLastClose(const std::shared_ptr<qlservice::CInstrumentDetail>& d);
double getDetailPriceTick(const std::shared_ptr<qlservice::CInstrumentDetail>& d);
// Separator of composite keys built from an instrument key (drawing storage).
inline QString getKeySplitter() { return QStringLiteral("|"); }

} // namespace TC

namespace utils {
// Instrument key of (market, code): "SH" + "600000" -> "SH600000".
std::string nvStockKey(const std::string& market, const std::string& code);
} // namespace utils
