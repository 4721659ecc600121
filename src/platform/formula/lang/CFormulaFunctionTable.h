#pragma once

#include <QString>

namespace TC {
namespace flang {

enum class EFormulaFunction {
    MA,
    EMA,
    SMA,
    WMA,
    DMA,
    EXPMEMA,
    REF,
    HHV,
    LLV,
    HHVBARS,
    LLVBARS,
    SUM,
    STD,
    STDP,
    AVEDEV,
    COUNT,
    CROSS,
    IF,
    ABS,
    MAX,
    MIN,
    SQRT,
    BARSLAST,
    BARSCOUNT,
    EVERY,
    EXIST,
    FILTER,
    VALUEWHEN,
    SLOPE,
    MOD,
    POW,
    LN,
    LOG,
    EXP,
    SIGN,
    INTPART,
    SAR,
    DRAWTEXT,
    DRAWNUMBER,
    DRAWICON,
    STICKLINE,
    DRAWKLINE,
    VERTLINE
};

// What the compiler needs to know of a library function.
struct CFormulaFunctionInfo {
    const char* name;
    EFormulaFunction id;
    int argCount;
    bool drawing;  // only allowed as a whole statement
    int stringArg; // index of the argument that must be a string literal, -1 if none
    int styleCode; // drawing functions: the style code of their output
};

// Name lookup over the function library (see CFormulaFunctions for what each does).
class CFormulaFunctionTable
{
public:
    // nullptr when name (upper case) is no function.
    static const CFormulaFunctionInfo* find(const QString& name);
    static const CFormulaFunctionInfo& info(EFormulaFunction id);
};

} // namespace flang
} // namespace TC
