#pragma once

#include <memory>
#include <string>

namespace qlservice {

// One instrument as the instrument service describes it. Strings are UTF-8.
struct CInstrumentDetail {
    std::string key;    // market + code, e.g. "SH600000"
    std::string code;   // "600000"
    std::string market; // "SH", "SZ", "BKZS", "SF", "ED", "US", ...
    std::string name;   // display name

    // Kind of instrument, for listings: "stock", "index", "sector", "bond",
    // "futures", "external".
    std::string kind;

    double priceTick = 0.01;
    double lastClose = 0.0; // previous close of the last trading day
    int stockType = 0;      // terminal stock type (100001 ranking-list stocks,
                            // 10019/135 convertible bonds, 100012 index ...)
    std::string underlyingCode; // for a convertible bond: its stock's code

    // Auxiliary status: 0 for a normally traded instrument. Non-zero marks an
    // instrument whose bars are rebuilt on every load (external data, custom
    // composites), for which a locked cursor position is not carried over.
    int auxStatus = 0;

    double circulatingShares = 0.0;

    // The two prices the tick line draws as its reference band: the daily
    // price limits (upper and lower); the largest double when the market has none.
    double upperLimitPrice = 1.7976931348623157e308;
    double lowerLimitPrice = 1.7976931348623157e308;

    int sectorLevel = 0; // 1..3 for sector indexes ("BKZS"), else 0
};

using CInstrumentDetailPtr = std::shared_ptr<CInstrumentDetail>;

} // namespace qlservice
