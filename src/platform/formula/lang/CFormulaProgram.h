#pragma once

#include <vector>

#include <QStringList>

#include "platform/formula/lang/CFormulaNode.h"
#include "platform/formula/lang/CFormulaStatement.h"

namespace TC {
namespace flang {

class CFormulaParser;

// A compiled formula: a flat node pool and the statements in source order.
// Built only by CFormulaCompiler; a default-constructed program is empty and
// runs to no outputs. Copyable and immutable once built, so one program can be
// run by several evaluations at a time.
class CFormulaProgram
{
public:
    const std::vector<CFormulaNode>& nodes() const { return m_nodes; }
    const std::vector<CFormulaStatement>& statements() const { return m_statements; }
    // Parameter names (upper case) in the order given to the compiler.
    const QStringList& paramNames() const { return m_paramNames; }
    int slotCount() const { return m_slotCount; }
    bool isEmpty() const { return m_statements.empty(); }
    // True when a value on some bar depends on later bars (the program calls
    // CONST, BACKSET, XMA, ZIG, PEAK or TROUGH): signals drawn in the past
    // may change as bars arrive, which an editor should tell the user.
    bool usesFutureData() const { return !m_futureFunctions.isEmpty(); }
    // Those functions' names, each once, in order of first use.
    const QStringList& futureFunctions() const { return m_futureFunctions; }

private:
    friend class CFormulaParser;

    std::vector<CFormulaNode> m_nodes;
    std::vector<CFormulaStatement> m_statements;
    QStringList m_paramNames;
    QStringList m_futureFunctions;
    int m_slotCount = 0;
};

} // namespace flang
} // namespace TC
