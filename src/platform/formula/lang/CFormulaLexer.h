#pragma once

#include <vector>

#include "platform/formula/lang/CFormulaError.h"
#include "platform/formula/lang/CFormulaToken.h"

namespace TC {
namespace flang {

// Splits formula source into tokens. Skips blanks, {...} block comments and
// // line comments. Identifiers are letters (CJK included), digits and '_',
// not starting with a digit; they come out upper-cased. Strings are in single
// quotes and may not span lines. The token list always ends with an End token
// placed just after the last character.
class CFormulaLexer
{
public:
    static bool tokenize(const QString& source, std::vector<CFormulaToken>& tokens, CFormulaError& err);

    // Display form of a token for messages ("'MA'", "')'", "公式结尾").
    static QString describe(const CFormulaToken& token);
};

} // namespace flang
} // namespace TC
