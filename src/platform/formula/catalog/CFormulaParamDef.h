#pragma once

#include <QString>

namespace TC {

// One parameter of a formula: its name (upper case, as the formula text uses
// it) and the default value with the range an editor lets the user choose in.
struct CFormulaParamDef {
    QString name;
    double defaultValue = 0.0;
    double minValue = 0.0;
    double maxValue = 0.0;
};

} // namespace TC
