#pragma once

namespace kelv {

// Language a formula is written in (0 the built-in formula language,
// 1 Python, 2 VBA), as the formula manager passes it with a formula.
typedef int EFormulaLanguage;

// How a formula is run: 0 shown as an indicator, 1 run as a model (the
// formula's own ex-rights type applies; a user model offers live trading).
// The first argument of every pane request.
typedef int ERunMode;

} // namespace kelv
