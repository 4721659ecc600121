#pragma once

#include <vector>

#include <QHash>
#include <QStringList>

#include "platform/formula/lang/CFormulaError.h"
#include "platform/formula/lang/CFormulaProgram.h"
#include "platform/formula/lang/CFormulaToken.h"

namespace TC {
namespace flang {

// Recursive-descent parser with name resolution: turns the token list into a
// CFormulaProgram. Precedence, loosest first: OR/||, AND/&&, comparisons
// (= == <> != > < >= <=), + -, * /, unary - + NOT. Names resolve, in this
// order, to earlier variables/outputs, parameters, data names, functions.
// Stops at the first error; the program is then left unspecified.
struct CFormulaFunctionInfo;

class CFormulaParser
{
public:
    CFormulaParser(const std::vector<CFormulaToken>& tokens, const QStringList& paramNames);

    bool parse(CFormulaProgram& out, CFormulaError& err);

private:
    bool parseStatement();
    bool parseAttributes(CFormulaStatement& st);
    int parseOr();
    int parseAnd();
    int parseCompare();
    int parseAdditive();
    int parseMultiplicative();
    int parseUnary();
    int parsePrimary();
    int parseIdentifier();
    int parseCall(const CFormulaToken& nameTok);
    // "KEY$FIELD" or FIELD#PERIOD (the '#' not yet read) into a Reference node
    int parseReference(const CFormulaToken& tok, const QString& key, int field);
    int addCall(const CFormulaToken& nameTok, const CFormulaFunctionInfo& fi, std::vector<int> args);

    int addNode(CFormulaNode node);
    int makeBinary(EFormulaOp op, const CFormulaToken& opTok, int lhs, int rhs);
    bool checkNotString(int node);
    bool checkNoNestedDrawing(int node);

    const CFormulaToken& peek(int ahead = 0) const;
    const CFormulaToken& next();
    bool fail(const CFormulaToken& at, const QString& message);
    bool fail(int line, int column, const QString& message);

    static constexpr int kMaxDepth = 200;

    const std::vector<CFormulaToken>& m_tokens;
    QStringList m_paramNames;
    size_t m_pos = 0;
    int m_depth = 0;
    int m_unnamed = 0;
    QHash<QString, int> m_variables; // upper-case name -> slot
    CFormulaProgram* m_program = nullptr;
    CFormulaError* m_error = nullptr;
    bool m_failed = false;
};

} // namespace flang
} // namespace TC
