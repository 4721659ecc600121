#pragma once

#include <cmath>
#include <limits>

#include "platform/formula/lang/CFormulaNode.h"

namespace TC {
namespace flang {

// The value of a binary operator on two numbers, NaN standing for "no
// value": arithmetic propagates it, comparisons and logic with a missing
// operand are missing; division by zero has no value. Shared by the
// evaluators so that every path computes the same bits.
inline double applyOperator(EFormulaOp op, double a, double b)
{
    const double none = std::numeric_limits<double>::quiet_NaN();
    switch (op) {
    case EFormulaOp::Add:
        return a + b;
    case EFormulaOp::Sub:
        return a - b;
    case EFormulaOp::Mul:
        return a * b;
    case EFormulaOp::Div:
        return b == 0.0 ? none : a / b;
    default:
        break;
    }
    if (std::isnan(a) || std::isnan(b))
        return none;
    switch (op) {
    case EFormulaOp::Gt:
        return a > b ? 1.0 : 0.0;
    case EFormulaOp::Lt:
        return a < b ? 1.0 : 0.0;
    case EFormulaOp::Ge:
        return a >= b ? 1.0 : 0.0;
    case EFormulaOp::Le:
        return a <= b ? 1.0 : 0.0;
    case EFormulaOp::Eq:
        return a == b ? 1.0 : 0.0;
    case EFormulaOp::Ne:
        return a != b ? 1.0 : 0.0;
    case EFormulaOp::And:
        return (a != 0.0 && b != 0.0) ? 1.0 : 0.0;
    case EFormulaOp::Or:
        return (a != 0.0 || b != 0.0) ? 1.0 : 0.0;
    default:
        return none;
    }
}

} // namespace flang
} // namespace TC
