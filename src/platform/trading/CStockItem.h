#pragma once

#include <string>

namespace qlservice {

// One security that the linkage records trade, as the linkage dialog lists
// it: key (market + code), code, name and market.
struct CStockItem {
    std::string key;
    std::string code;
    std::string name;
    std::string market;

    const std::string& getKey() const { return key; }
};

} // namespace qlservice
