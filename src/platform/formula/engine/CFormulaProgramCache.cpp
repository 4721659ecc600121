#include "platform/formula/engine/CFormulaProgramCache.h"

#include "platform/formula/lang/CFormulaCompiler.h"

namespace TC {

CFormulaProgramCache& CFormulaProgramCache::instance()
{
    static CFormulaProgramCache cache;
    return cache;
}

std::shared_ptr<const flang::CFormulaProgram> CFormulaProgramCache::program(const QString& name,
                                                                            const QString& source,
                                                                            const QStringList& paramNames,
                                                                            QString* error)
{
    // A user may edit a formula's source or parameters: both are part of the key.
    const QString key = name + QChar(0) + paramNames.join(QChar(1)) + QChar(0) + source;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_programs.find(key);
        if (it != m_programs.end())
            return it->second;
    }
    auto prog = std::make_shared<flang::CFormulaProgram>();
    flang::CFormulaError err;
    if (!flang::CFormulaCompiler::compile(source, paramNames, *prog, err)) {
        if (error)
            *error = QStringLiteral("%1: line %2, column %3: %4")
                         .arg(name)
                         .arg(err.line)
                         .arg(err.column)
                         .arg(err.message);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    // Bounded: edited sources leave stale entries behind.
    if (m_programs.size() > 512)
        m_programs.clear();
    m_programs[key] = prog;
    return prog;
}

void CFormulaProgramCache::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_programs.clear();
}

} // namespace TC
