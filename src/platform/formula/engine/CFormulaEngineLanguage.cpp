#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/formula/catalog/CFormulaDetail.h"
#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/formula/engine/CFormulaEngineRun.h"
#include "platform/formula/engine/CFormulaProgramCache.h"
#include "platform/formula/lang/CFormulaEvaluator.h"
#include "platform/formula/service/CExternalDataManager.h"

namespace TC {

namespace {

// Parameter values of one run: the request's text where it is a number,
// else the catalogue default; clamped to the catalogue's range.
QMap<QString, double> resolveParams(const CFormulaDetail& detail, const QMap<QString, QString>& given)
{
    QMap<QString, QString> upper;
    for (auto it = given.cbegin(); it != given.cend(); ++it)
        upper.insert(it.key().trimmed().toUpper(), it.value());
    QMap<QString, double> values;
    for (const CFormulaParamDef& def : detail.getParams()) {
        double v = def.defaultValue;
        auto it = upper.constFind(def.name);
        if (it != upper.cend()) {
            bool ok = false;
            const double parsed = it.value().trimmed().toDouble(&ok);
            if (ok && std::isfinite(parsed))
                v = parsed;
        }
        if (def.minValue < def.maxValue)
            v = std::min(std::max(v, def.minValue), def.maxValue);
        values.insert(def.name, v);
    }
    return values;
}

} // namespace

bool CFormulaEngine::runLanguage(const CFormulaParam& p, const CFormulaDetail& detail, CFormulaEngineRun& out,
                                 QString* error)
{
    std::shared_ptr<const flang::CFormulaProgram> program = detail.getRunHandle();
    if (!program) {
        if (detail.getSource().trimmed().isEmpty()) {
            if (error)
                *error = QStringLiteral("formula %1 has no program").arg(detail.getName());
            return false;
        }
        program = CFormulaProgramCache::instance().program(detail.getName(), detail.getSource(),
                                                           detail.getParamNames(), error);
        if (!program)
            return false;
    }

    const size_t n = out.bars.size();
    flang::CFormulaInput input;
    input.barCount = int(n);
    input.open.resize(n);
    input.high.resize(n);
    input.low.resize(n);
    input.close.resize(n);
    input.volume.resize(n);
    input.amount.resize(n);
    input.times.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const quoter::CBar& b = out.bars[i];
        input.open[i] = b.open;
        input.high[i] = b.high;
        input.low[i] = b.low;
        input.close[i] = b.close;
        input.volume[i] = b.volume;
        input.amount[i] = b.amount;
        input.times[i] = b.time;
    }

    input.periodSec = p.periodMs / 1000;
    input.instrumentKey = p.stockKey();
    input.reference = [&p, &out](const QString& key, qint64 periodSec, flang::CFormulaInput& aligned) {
        return loadReference(p, key, periodSec, out, aligned);
    };
    input.external = [](const QString& name, std::vector<std::pair<qint64, double>>& points) {
        CExternalDataManager* store = CExternalDataManager::instance();
        if (!store->isExist(name))
            return false;
        const CExternalDataManager::Points stored = store->data(name);
        points.reserve(size_t(stored.size()));
        for (const auto& pt : stored)
            points.emplace_back(pt.first, pt.second);
        return true;
    };

    flang::CFormulaRunResult result;
    QString why;
    out.program = program;
    out.params = resolveParams(detail, p.params);
    if (!flang::CFormulaEvaluator::run(*program, input, out.params, result, &why)) {
        if (error)
            *error = QStringLiteral("formula %1 failed: %2").arg(detail.getName(), why);
        return false;
    }

    toOutputs(result, n, out.outputs);
    return true;
}

} // namespace TC
