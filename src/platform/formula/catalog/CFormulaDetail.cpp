#include "platform/formula/catalog/CFormulaDetail.h"

#include "platform/formula/lang/CFormulaCompiler.h"
#include "platform/formula/lang/CFormulaProgram.h"

namespace TC {

void CFormulaDetail::setParams(const QVector<CFormulaParamDef>& params)
{
    m_params = params;
    for (CFormulaParamDef& p : m_params)
        p.name = p.name.trimmed().toUpper();
    // The program binds parameter names at compile time.
    m_runHandle.reset();
    updateFutureFunctions();
}

void CFormulaDetail::updateFutureFunctions()
{
    m_futureFunctions.clear();
    if (m_source.trimmed().isEmpty())
        return;
    flang::CFormulaProgram program;
    flang::CFormulaError err;
    if (flang::CFormulaCompiler::compile(m_source, getParamNames(), program, err))
        m_futureFunctions = program.futureFunctions();
}

QStringList CFormulaDetail::getParamNames() const
{
    QStringList names;
    for (const CFormulaParamDef& p : m_params)
        names << p.name;
    return names;
}

bool CFormulaDetail::outputDecimals(int i, int& d) const
{
    if (i < 0 || i >= m_decimals.size() || m_decimals[i] < 0)
        return false;
    d = m_decimals[i];
    return true;
}

void CFormulaDetail::setSource(const QString& source)
{
    if (source == m_source)
        return;
    m_source = source;
    m_runHandle.reset();
    updateFutureFunctions();
}

} // namespace TC
