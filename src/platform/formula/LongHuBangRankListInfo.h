#pragma once

#include <string>
#include <vector>

#include <QtGlobal>

namespace se {

// One ranking-list (龙虎榜) entry of an instrument on one day.
struct LongHuBangRankListInfo {
    qint64 timeMs = 0;   // the day, local midnight in ms
    std::string key;     // instrument key
    std::string reason;  // why it was listed
    double changePercent = 0.0;
    double turnover = 0.0;
    std::vector<std::pair<std::string, double>> buyers;  // broker, amount bought
    std::vector<std::pair<std::string, double>> sellers; // broker, amount sold
};

} // namespace se
