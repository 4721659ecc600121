#pragma once

#include <set>
#include <string>

#include "platform/config/CSingletonT.h"

namespace qlservice {

// The trading data centre: option expiry dates and the option-expectation
// price band of an underlying instrument.
class IDataCenter
{
public:
    virtual ~IDataCenter() = default;
    // Expiry dates (yyyymmdd) of the options listed on the instrument.
    virtual std::set<int> getDateSet(const std::string& key) const = 0;
    // Lower and upper price of the option-expectation band; false when none.
    virtual bool getWinnerPrices(const std::string& key, double& lower, double& upper) const = 0;
};

class TraderCenter
{
public:
    TraderCenter();
    ~TraderCenter();
    static TraderCenter* instance();
    IDataCenter* getDataCenter() const;
    // Replaces the data centre (tests); the centre takes ownership.
    void setDataCenter(IDataCenter* dc);

private:
    IDataCenter* m_dataCenter;
};

} // namespace qlservice
