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
    VERTLINE,
    CONST,
    BACKSET,
    BETWEEN,
    RANGE,
    LONGCROSS,
    UPNDAY,
    DOWNNDAY,
    NDAY,
    LAST,
    HOD,
    LOD,
    MEMA,
    TMA,
    FORCAST,
    DEVSQ,
    VAR,
    VARP,
    COVAR,
    RELATE,
    BETA,
    ROUND,
    CEILING,
    FLOOR,
    FRACPART,
    REVERSE,
    SIN,
    COS,
    TAN,
    ASIN,
    ACOS,
    ATAN,
    RGB,
    DATE,
    TIME,
    YEAR,
    MONTH,
    DAY,
    WEEKDAY,
    HOUR,
    MINUTE,
    PERIOD,
    BARPOS,
    CURRBARSCOUNT,
    TOTALBARSCOUNT,
    ISLASTBAR,
    XMA,
    ZIG,
    PEAK,
    TROUGH,
    DRAWLINE,
    POLYLINE,
    PARTLINE,
    DRAWBAND,
    FILLRGN,
    EXTDATA
};

// What the compiler needs to know of a library function.
struct CFormulaFunctionInfo {
    const char* name;
    EFormulaFunction id;
    int argCount;  // -1: variable, see CFormulaFunctionTable::acceptsArgs
    bool drawing;  // only allowed as a whole statement
    int stringArg; // index of the argument that must be a string literal, -1 if none
    int styleCode; // drawing functions: the style code of their output
    // the value on a bar depends on later bars (see CFormulaProgram::usesFutureData)
    bool future = false;
};

// Name lookup over the function library (see CFormulaFunctions for what each does).
class CFormulaFunctionTable
{
public:
    // nullptr when name (upper case) is no function.
    static const CFormulaFunctionInfo* find(const QString& name);
    static const CFormulaFunctionInfo& info(EFormulaFunction id);
    // Whether a call may have n arguments; PARTLINE takes P,C or P and
    // (condition, colour) pairs, FILLRGN P1,P2,C or P1,P2 and pairs.
    static bool acceptsArgs(const CFormulaFunctionInfo& f, int n);
    // The accepted counts as text for messages ("3", "2 或 1+2k").
    static QString argsText(const CFormulaFunctionInfo& f);
};

} // namespace flang
} // namespace TC
