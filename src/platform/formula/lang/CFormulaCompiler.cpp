#include "platform/formula/lang/CFormulaCompiler.h"

#include <vector>

#include "platform/formula/lang/CFormulaLexer.h"
#include "platform/formula/lang/CFormulaParser.h"

namespace TC {
namespace flang {

bool CFormulaCompiler::compile(const QString& source, const QStringList& paramNames, CFormulaProgram& out,
                               CFormulaError& err)
{
    err = CFormulaError();
    std::vector<CFormulaToken> tokens;
    if (!CFormulaLexer::tokenize(source, tokens, err)) {
        out = CFormulaProgram();
        return false;
    }
    CFormulaProgram program;
    CFormulaParser parser(tokens, paramNames);
    if (!parser.parse(program, err)) {
        out = CFormulaProgram();
        return false;
    }
    out = std::move(program);
    return true;
}

} // namespace flang
} // namespace TC
