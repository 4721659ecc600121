#pragma once

#include <vector>

#include <QString>

namespace TC {
namespace flang {

enum class EFormulaOp { Add, Sub, Mul, Div, Gt, Lt, Ge, Le, Eq, Ne, And, Or, Neg, Not };

// One node of a compiled expression. Nodes live in the program's node pool
// and refer to their operands by index, so a program is a flat, copyable value.
struct CFormulaNode {
    // Reference: a data name of another instrument and/or period;
    // text = instrument key (empty: the chart's), index = EFormulaField,
    // number = period in seconds (0: the chart's)
    enum class EKind { Number, Param, Data, Variable, Unary, Binary, Call, String, Reference };

    EKind kind = EKind::Number;
    EFormulaOp op = EFormulaOp::Add;
    int index = -1; // Param: parameter index; Data: EFormulaField; Variable: slot; Call: EFormulaFunction
    double number = 0.0;
    QString text; // String: the literal; otherwise the source token (for messages)
    std::vector<int> args;
    int line = 0;
    int column = 0;
};

} // namespace flang
} // namespace TC
