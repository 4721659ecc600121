#include "platform/market/InstrumentAccess.h"

namespace utils {

std::string nvStockKey(const std::string& market, const std::string& code)
{
    return market + code;
}

} // namespace utils
