#pragma once

#include <QString>

namespace TC {
namespace flang {

// Why a formula did not compile: 1-based line and column of the offending
// token and a message that names it. line/column are 0 when the fault is not
// in the source text (e.g. a bad parameter name handed in by the caller).
struct CFormulaError {
    int line = 0;
    int column = 0;
    QString message;
};

} // namespace flang
} // namespace TC
