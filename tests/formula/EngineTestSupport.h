#pragma once

#include <limits>
#include <vector>

#include <QString>

#include "platform/formula/CFormulaParam.h"
#include "platform/formula/RPCFormulaMetaResult.h"
#include "platform/formula/RPCFormulaResult.h"
#include "platform/formula/engine/CFormulaEngine.h"

namespace enginetest {

constexpr double kNoValue = std::numeric_limits<double>::max();

inline TC::CFormulaParam param(const QString& market, const QString& code, const QString& formula,
                               qint64 periodMs = 86400000, int drType = 0)
{
    TC::CFormulaParam p;
    p.market = market;
    p.code = code;
    p.formula = formula;
    p.periodMs = periodMs;
    p.drType = drType;
    p.requestId = QStringLiteral("test|") + formula;
    return p;
}

struct Computed {
    bool ok = false;
    QString error;
    se::RPCFormulaMetaResult meta;
    se::RPCFormulaResult result;

    const std::vector<double>& col(int c) const
    {
        static const std::vector<double> none;
        const std::vector<double>* v = result.column(c);
        return v ? *v : none;
    }
};

inline Computed compute(const TC::CFormulaParam& p)
{
    Computed c;
    c.ok = TC::CFormulaEngine::compute(p, c.meta, c.result, &c.error);
    return c;
}

} // namespace enginetest
