#pragma once

#include <vector>

#include "platform/formula/lang/COutput.h"

namespace TC {
namespace flang {

// The outputs of one run, in statement order. Hidden variables (NAME:=expr)
// are not outputs.
struct CFormulaRunResult {
    std::vector<COutput> outputs;
};

} // namespace flang
} // namespace TC
