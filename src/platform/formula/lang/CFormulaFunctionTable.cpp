#include "platform/formula/lang/CFormulaFunctionTable.h"

#include "platform/formula/lang/CFormulaStyle.h"

namespace TC {
namespace flang {

namespace {

using F = EFormulaFunction;

// Indexed by EFormulaFunction: keep the order of the enum.
const CFormulaFunctionInfo kFunctions[] = {
    {"MA", F::MA, 2, false, -1, 0},
    {"EMA", F::EMA, 2, false, -1, 0},
    {"SMA", F::SMA, 3, false, -1, 0},
    {"WMA", F::WMA, 2, false, -1, 0},
    {"DMA", F::DMA, 2, false, -1, 0},
    {"EXPMEMA", F::EXPMEMA, 2, false, -1, 0},
    {"REF", F::REF, 2, false, -1, 0},
    {"HHV", F::HHV, 2, false, -1, 0},
    {"LLV", F::LLV, 2, false, -1, 0},
    {"HHVBARS", F::HHVBARS, 2, false, -1, 0},
    {"LLVBARS", F::LLVBARS, 2, false, -1, 0},
    {"SUM", F::SUM, 2, false, -1, 0},
    {"STD", F::STD, 2, false, -1, 0},
    {"STDP", F::STDP, 2, false, -1, 0},
    {"AVEDEV", F::AVEDEV, 2, false, -1, 0},
    {"COUNT", F::COUNT, 2, false, -1, 0},
    {"CROSS", F::CROSS, 2, false, -1, 0},
    {"IF", F::IF, 3, false, -1, 0},
    {"ABS", F::ABS, 1, false, -1, 0},
    {"MAX", F::MAX, 2, false, -1, 0},
    {"MIN", F::MIN, 2, false, -1, 0},
    {"SQRT", F::SQRT, 1, false, -1, 0},
    {"BARSLAST", F::BARSLAST, 1, false, -1, 0},
    {"BARSCOUNT", F::BARSCOUNT, 1, false, -1, 0},
    {"EVERY", F::EVERY, 2, false, -1, 0},
    {"EXIST", F::EXIST, 2, false, -1, 0},
    {"FILTER", F::FILTER, 2, false, -1, 0},
    {"VALUEWHEN", F::VALUEWHEN, 2, false, -1, 0},
    {"SLOPE", F::SLOPE, 2, false, -1, 0},
    {"MOD", F::MOD, 2, false, -1, 0},
    {"POW", F::POW, 2, false, -1, 0},
    {"LN", F::LN, 1, false, -1, 0},
    {"LOG", F::LOG, 1, false, -1, 0},
    {"EXP", F::EXP, 1, false, -1, 0},
    {"SIGN", F::SIGN, 1, false, -1, 0},
    {"INTPART", F::INTPART, 1, false, -1, 0},
    {"SAR", F::SAR, 3, false, -1, 0},
    {"DRAWTEXT", F::DRAWTEXT, 3, true, 2, CFormulaStyle::kText},
    {"DRAWNUMBER", F::DRAWNUMBER, 3, true, -1, CFormulaStyle::kNumber},
    {"DRAWICON", F::DRAWICON, 3, true, -1, CFormulaStyle::kIcon},
    {"STICKLINE", F::STICKLINE, 5, true, -1, CFormulaStyle::kStickLine},
    {"DRAWKLINE", F::DRAWKLINE, 4, true, -1, CFormulaStyle::kKLine},
    {"VERTLINE", F::VERTLINE, 1, true, -1, CFormulaStyle::kVertLine},
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

} // namespace flang
} // namespace TC
