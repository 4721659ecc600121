#pragma once

#include <string>
#include <vector>

#include <QtGlobal>

namespace se {

// One trade of a group (portfolio) model, aligned to a bar of the chart.
struct RPCGroupTrade {
    qint64 timeTag = 0; // time tag (seconds) of the bar the trade belongs to
    std::string code;   // instrument key
    double price = 0.0; // real trade price
    double volume = 0.0;
    int side = 0; // 1 buy, -1 sell
};

// The result of a group model: the instruments it trades and its trades in
// time order.
struct RPCGroupResult {
    std::string groupName;
    std::string requestId;
    std::vector<std::string> codes;
    std::vector<RPCGroupTrade> trades;
};

} // namespace se
