#pragma once

#include "platform/market/TraderCenter.h"

namespace qlservice {

// The default trading data centre, answered from the market store.
//
// Options are listed on the market indexes of the stock markets (instruments
// of kind "index" on "SH" or "SZ", e.g. "SH000001"): their expiry dates are
// the fourth Wednesday of each month, the next four after the store's today
// (yyyymmdd). Their option-expectation band is the last close -5% .. +5%,
// rounded to the price tick. Other instruments have neither.
class CStoreDataCenter : public IDataCenter
{
public:
    std::set<int> getDateSet(const std::string& key) const override;
    bool getWinnerPrices(const std::string& key, double& lower, double& upper) const override;

private:
    static bool hasOptions(const std::string& key);
};

} // namespace qlservice
