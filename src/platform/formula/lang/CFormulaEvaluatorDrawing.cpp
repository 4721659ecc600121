#include <cmath>
#include <limits>

#include "platform/formula/lang/CFormulaEvalContext.h"
#include "platform/formula/lang/CFormulaFunctionTable.h"
#include "platform/formula/lang/CFormulaFunctions.h"

namespace TC {
namespace flang {

namespace {
const double kNaN = std::numeric_limits<double>::quiet_NaN();

bool holds(double c)
{
    return !std::isnan(c) && c != 0.0;
}
} // namespace

// The drawing functions of the common set; the older ones are in runStatements.
void CFormulaEvalContext::drawingOutput(const CFormulaNode& call, COutput& o)
{
    using F = EFormulaFunction;
    const size_t args = call.args.size();
    // (condition, colour) pairs from argument `from` on: the first holding
    // condition's colour per bar, or without pairs (the short form) just the
    // condition, coloured as the statement says
    auto pick = [&](size_t from, Vec& on) {
        on.assign(m_size, 0.0);
        if (args == from + 1) {
            const Vec c = vecArg(call, from);
            for (size_t i = 0; i < m_size; ++i)
                on[i] = holds(c[i]) ? 1.0 : 0.0;
            return;
        }
        o.barColors.assign(m_size, 0xFFFFFFFFu);
        for (size_t k = from; k + 1 < args; k += 2) {
            const Vec c = vecArg(call, k);
            const Vec colour = vecArg(call, k + 1);
            for (size_t i = 0; i < m_size; ++i) {
                if (on[i] == 0.0 && holds(c[i])) {
                    on[i] = 1.0;
                    o.barColors[i] = colourOf(colour[i]);
                }
            }
        }
    };
    switch (F(call.index)) {
    case F::DRAWLINE: {
        Vec a;
        Vec b;
        CFormulaFunctions::drawLine(vecArg(call, 0), vecArg(call, 1), vecArg(call, 2), vecArg(call, 3),
                                    numArg(call, 4), a, b);
        o.columns.push_back(std::move(a));
        o.columns.push_back(std::move(b));
        break;
    }
    case F::POLYLINE: {
        Vec line;
        CFormulaFunctions::polyLine(vecArg(call, 0), vecArg(call, 1), line);
        o.columns.push_back(std::move(line));
        break;
    }
    case F::PARTLINE: {
        Vec on;
        pick(1, on);
        o.columns.push_back(where(on, vecArg(call, 0)));
        break;
    }
    case F::FILLRGN: {
        Vec on;
        pick(2, on);
        o.columns.push_back(where(on, vecArg(call, 0)));
        o.columns.push_back(where(on, vecArg(call, 1)));
        break;
    }
    case F::DRAWBAND: {
        const Vec v1 = vecArg(call, 0);
        const Vec c1 = vecArg(call, 1);
        const Vec v2 = vecArg(call, 2);
        const Vec c2 = vecArg(call, 3);
        Vec a(m_size, kNaN);
        Vec b(m_size, kNaN);
        o.barColors.assign(m_size, 0xFFFFFFFFu);
        for (size_t i = 0; i < m_size; ++i) {
            if (std::isnan(v1[i]) || std::isnan(v2[i]) || v1[i] == v2[i])
                continue;
            a[i] = v1[i];
            b[i] = v2[i];
            o.barColors[i] = colourOf(v1[i] > v2[i] ? c1[i] : c2[i]);
        }
        o.columns.push_back(std::move(a));
        o.columns.push_back(std::move(b));
        break;
    }
    default:
        break;
    }
}

} // namespace flang
} // namespace TC
