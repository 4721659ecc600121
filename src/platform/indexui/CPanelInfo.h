#pragma once

#include <QString>

namespace TC {

// The host's record of the panel a chart lives in; its id is the chart's main
// panel id in formula request ids.
struct CPanelInfo {
    int id = 0;
    QString name;
};

} // namespace TC
