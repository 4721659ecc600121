#include "platform/formula/lang/CFormulaFunctionTable.h"

#include "platform/formula/lang/CFormulaStyle.h"

namespace TC {
namespace flang {

namespace {

using F = EFormulaFunction;

// Indexed by EFormulaFunction: keep the order of the enum.
const CFormulaFunctionInfo kFunctions[] = {
    {"MA", F::MA, 2, false, -1, 0, false},
    {"EMA", F::EMA, 2, false, -1, 0, false},
    {"SMA", F::SMA, 3, false, -1, 0, false},
    {"WMA", F::WMA, 2, false, -1, 0, false},
    {"DMA", F::DMA, 2, false, -1, 0, false},
    {"EXPMEMA", F::EXPMEMA, 2, false, -1, 0, false},
    {"REF", F::REF, 2, false, -1, 0, false},
    {"HHV", F::HHV, 2, false, -1, 0, false},
    {"LLV", F::LLV, 2, false, -1, 0, false},
    {"HHVBARS", F::HHVBARS, 2, false, -1, 0, false},
    {"LLVBARS", F::LLVBARS, 2, false, -1, 0, false},
    {"SUM", F::SUM, 2, false, -1, 0, false},
    {"STD", F::STD, 2, false, -1, 0, false},
    {"STDP", F::STDP, 2, false, -1, 0, false},
    {"AVEDEV", F::AVEDEV, 2, false, -1, 0, false},
    {"COUNT", F::COUNT, 2, false, -1, 0, false},
    {"CROSS", F::CROSS, 2, false, -1, 0, false},
    {"IF", F::IF, 3, false, -1, 0, false},
    {"ABS", F::ABS, 1, false, -1, 0, false},
    {"MAX", F::MAX, 2, false, -1, 0, false},
    {"MIN", F::MIN, 2, false, -1, 0, false},
    {"SQRT", F::SQRT, 1, false, -1, 0, false},
    {"BARSLAST", F::BARSLAST, 1, false, -1, 0, false},
    {"BARSCOUNT", F::BARSCOUNT, 1, false, -1, 0, false},
    {"EVERY", F::EVERY, 2, false, -1, 0, false},
    {"EXIST", F::EXIST, 2, false, -1, 0, false},
    {"FILTER", F::FILTER, 2, false, -1, 0, false},
    {"VALUEWHEN", F::VALUEWHEN, 2, false, -1, 0, false},
    {"SLOPE", F::SLOPE, 2, false, -1, 0, false},
    {"MOD", F::MOD, 2, false, -1, 0, false},
    {"POW", F::POW, 2, false, -1, 0, false},
    {"LN", F::LN, 1, false, -1, 0, false},
    {"LOG", F::LOG, 1, false, -1, 0, false},
    {"EXP", F::EXP, 1, false, -1, 0, false},
    {"SIGN", F::SIGN, 1, false, -1, 0, false},
    {"INTPART", F::INTPART, 1, false, -1, 0, false},
    {"SAR", F::SAR, 3, false, -1, 0, false},
    {"DRAWTEXT", F::DRAWTEXT, 3, true, 2, CFormulaStyle::kText, false},
    {"DRAWNUMBER", F::DRAWNUMBER, 3, true, -1, CFormulaStyle::kNumber, false},
    {"DRAWICON", F::DRAWICON, 3, true, -1, CFormulaStyle::kIcon, false},
    {"STICKLINE", F::STICKLINE, 5, true, -1, CFormulaStyle::kStickLine, false},
    {"DRAWKLINE", F::DRAWKLINE, 4, true, -1, CFormulaStyle::kKLine, false},
    {"VERTLINE", F::VERTLINE, 1, true, -1, CFormulaStyle::kVertLine, false},
    {"CONST", F::CONST, 1, false, -1, 0, true},
    {"BACKSET", F::BACKSET, 2, false, -1, 0, true},
    {"BETWEEN", F::BETWEEN, 3, false, -1, 0, false},
    {"RANGE", F::RANGE, 3, false, -1, 0, false},
    {"LONGCROSS", F::LONGCROSS, 3, false, -1, 0, false},
    {"UPNDAY", F::UPNDAY, 2, false, -1, 0, false},
    {"DOWNNDAY", F::DOWNNDAY, 2, false, -1, 0, false},
    {"NDAY", F::NDAY, 3, false, -1, 0, false},
    {"LAST", F::LAST, 3, false, -1, 0, false},
    {"HOD", F::HOD, 2, false, -1, 0, false},
    {"LOD", F::LOD, 2, false, -1, 0, false},
    {"MEMA", F::MEMA, 2, false, -1, 0, false},
    {"TMA", F::TMA, 3, false, -1, 0, false},
    {"FORCAST", F::FORCAST, 2, false, -1, 0, false},
    {"DEVSQ", F::DEVSQ, 2, false, -1, 0, false},
    {"VAR", F::VAR, 2, false, -1, 0, false},
    {"VARP", F::VARP, 2, false, -1, 0, false},
    {"COVAR", F::COVAR, 3, false, -1, 0, false},
    {"RELATE", F::RELATE, 3, false, -1, 0, false},
    {"BETA", F::BETA, 1, false, -1, 0, false},
    {"ROUND", F::ROUND, 1, false, -1, 0, false},
    {"CEILING", F::CEILING, 1, false, -1, 0, false},
    {"FLOOR", F::FLOOR, 1, false, -1, 0, false},
    {"FRACPART", F::FRACPART, 1, false, -1, 0, false},
    {"REVERSE", F::REVERSE, 1, false, -1, 0, false},
    {"SIN", F::SIN, 1, false, -1, 0, false},
    {"COS", F::COS, 1, false, -1, 0, false},
    {"TAN", F::TAN, 1, false, -1, 0, false},
    {"ASIN", F::ASIN, 1, false, -1, 0, false},
    {"ACOS", F::ACOS, 1, false, -1, 0, false},
    {"ATAN", F::ATAN, 1, false, -1, 0, false},
    {"RGB", F::RGB, 3, false, -1, 0, false},
    {"DATE", F::DATE, 0, false, -1, 0, false},
    {"TIME", F::TIME, 0, false, -1, 0, false},
    {"YEAR", F::YEAR, 0, false, -1, 0, false},
    {"MONTH", F::MONTH, 0, false, -1, 0, false},
    {"DAY", F::DAY, 0, false, -1, 0, false},
    {"WEEKDAY", F::WEEKDAY, 0, false, -1, 0, false},
    {"HOUR", F::HOUR, 0, false, -1, 0, false},
    {"MINUTE", F::MINUTE, 0, false, -1, 0, false},
    {"PERIOD", F::PERIOD, 0, false, -1, 0, false},
    {"BARPOS", F::BARPOS, 0, false, -1, 0, false},
    {"CURRBARSCOUNT", F::CURRBARSCOUNT, 0, false, -1, 0, false},
    {"TOTALBARSCOUNT", F::TOTALBARSCOUNT, 0, false, -1, 0, false},
    {"ISLASTBAR", F::ISLASTBAR, 0, false, -1, 0, false},
    {"XMA", F::XMA, 2, false, -1, 0, true},
    {"ZIG", F::ZIG, 2, false, -1, 0, true},
    {"PEAK", F::PEAK, 3, false, -1, 0, true},
    {"TROUGH", F::TROUGH, 3, false, -1, 0, true},
    {"DRAWLINE", F::DRAWLINE, 5, true, -1, CFormulaStyle::kLineSegments, false},
    {"POLYLINE", F::POLYLINE, 2, true, -1, CFormulaStyle::kLine, false},
    {"PARTLINE", F::PARTLINE, -1, true, -1, CFormulaStyle::kPartLine, false},
    {"DRAWBAND", F::DRAWBAND, 4, true, -1, CFormulaStyle::kFillBand, false},
    {"FILLRGN", F::FILLRGN, -1, true, -1, CFormulaStyle::kFillBand, false},
    {"EXTDATA", F::EXTDATA, 1, false, 0, 0, false},
};

} // namespace

const CFormulaFunctionInfo* CFormulaFunctionTable::find(const QString& name)
{
    for (const CFormulaFunctionInfo& f : kFunctions) {
        if (name == QLatin1String(f.name))
            return &f;
    }
    return nullptr;
}

const CFormulaFunctionInfo& CFormulaFunctionTable::info(EFormulaFunction id)
{
    return kFunctions[static_cast<int>(id)];
}

bool CFormulaFunctionTable::acceptsArgs(const CFormulaFunctionInfo& f, int n)
{
    if (f.argCount >= 0)
        return n == f.argCount;
    if (f.id == EFormulaFunction::PARTLINE)
        return n == 2 || (n >= 3 && n % 2 == 1);
    if (f.id == EFormulaFunction::FILLRGN)
        return n == 3 || (n >= 4 && n % 2 == 0);
    return false;
}

QString CFormulaFunctionTable::argsText(const CFormulaFunctionInfo& f)
{
    if (f.id == EFormulaFunction::PARTLINE)
        return QStringLiteral("2 或 1+2k");
    if (f.id == EFormulaFunction::FILLRGN)
        return QStringLiteral("3 或 2+2k");
    return QString::number(f.argCount);
}

} // namespace flang
} // namespace TC
