#pragma once

#include <map>
#include <memory>
#include <mutex>

#include <QString>
#include <QStringList>

namespace TC {

namespace flang {
class CFormulaProgram;
}

// Compiled programs of formula sources, kept per (name, source, parameter
// names) so that the real-time path does not compile on every update.
// Thread-safe.
class CFormulaProgramCache
{
public:
    static CFormulaProgramCache& instance();

    // The program of the source; null with the compiler's message in *error
    // when it does not compile.
    std::shared_ptr<const flang::CFormulaProgram> program(const QString& name, const QString& source,
                                                          const QStringList& paramNames, QString* error);
    void clear();

private:
    std::mutex m_mutex;
    std::map<QString, std::shared_ptr<const flang::CFormulaProgram>> m_programs;
};

} // namespace TC
