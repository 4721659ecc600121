#include "platform/formula/service/CFormulaBackend.h"

#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/formula/lang/CFormulaCompiler.h"

namespace TC {

namespace {

bool engineHiddenVars(const CFormulaParam& p, std::vector<qint64>& timesMs,
                      CFormulaBackend::HiddenSeries& out)
{
    timesMs.clear();
    out.clear();
    const CFormulaOperateManager::DetailPtr detail =
        CFormulaOperateManager::getFormula(CFormulaEngine::formulaNameOf(p.formula));
    if (!detail || detail->isNative())
        return false;
    flang::CFormulaProgram program;
    flang::CFormulaError err;
    if (!flang::CFormulaCompiler::compile(detail->getSource(), detail->getParamNames(), program, err))
        return false;
    QStringList hidden;
    for (const flang::CFormulaStatement& s : program.statements()) {
        if (s.hidden)
            hidden << s.name;
    }
    if (hidden.isEmpty())
        return true;

    // Run a copy in which every hidden variable is an output, so the engine
    // computes them over exactly the bars of the answer.
    CFormulaDetail visible = *detail;
    QString source = detail->getSource();
    visible.setSource(source.replace(QStringLiteral(":="), QStringLiteral(":")));
    se::RPCFormulaMetaResult meta;
    se::RPCFormulaResult result;
    if (!CFormulaEngine::compute(p, visible, meta, result, nullptr))
        return false;
    for (const se::RPCTimeItem& t : result.times)
        timesMs.push_back(t.timeMs);
    for (const QString& name : qAsConst(hidden)) {
        const std::string n = name.toStdString();
        for (size_t i = 0; i < meta.names.size(); ++i) {
            if (meta.names[i] != n || i >= meta.columns.size() || meta.columns[i].empty())
                continue;
            if (const std::vector<double>* v = result.column(meta.columns[i].front()))
                out.append(qMakePair(name, *v));
            break;
        }
    }
    return true;
}

} // namespace

CFormulaBackend CFormulaBackend::engine()
{
    CFormulaBackend b;
    b.compute = [](const CFormulaParam& p, se::RPCFormulaMetaResult& meta, se::RPCFormulaResult& result,
                   QString* error) { return CFormulaEngine::compute(p, meta, result, error); };
    b.computeTail = [](const CFormulaParam& p, const se::RPCFormulaResult& previous, Updates& updates,
                       QString* error) { return CFormulaEngine::computeTail(p, previous, updates, error); };
    b.isGroupModel = [](const CFormulaParam& p) {
        return CFormulaOperateManager::isGroupModelExist(CFormulaEngine::formulaNameOf(p.formula));
    };
    b.hiddenVars = &engineHiddenVars;
    return b;
}

} // namespace TC
