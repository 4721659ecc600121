#pragma once

#include <QString>
#include <QStringList>

#include "platform/formula/lang/CFormulaError.h"
#include "platform/formula/lang/CFormulaProgram.h"

namespace TC {
namespace flang {

// Entry point of the formula language.
//
//   DIF:EMA(CLOSE,SHORT)-EMA(CLOSE,LONG);   named output (a line unless attributes say otherwise)
//   RSV:=(C-LLV(L,N))/(HHV(H,N)-LLV(L,N));  hidden variable, usable by later statements
//   MA(C,5),COLORRED,LINETHICK2;            unnamed output, called NONAME1, NONAME2, ...
//   DRAWTEXT(C>O,H,'阳');                    drawing function statement (also an output)
//   A:"SH000001$CLOSE";B:CLOSE#WEEK;          another instrument's / period's data
//   C>O AND BARPOS>10                        functions of no argument are written bare
//   PARTLINE(C,C>O,COLORRED,C<O,RGB(0,0,255)); colour names are numbers inside expressions
//
// Output and variable names come out upper case (Chinese names unchanged).
// Statements end with ';' (the last one may omit it). {...} and // comments.
// Names are case-insensitive. paramNames are the formula's parameters; their
// values come with each run. A syntax or name error (unknown name, wrong
// argument count, stray token, a drawing function inside an expression, a
// string outside DRAWTEXT, a reference that is not "CODE$DATA" or names an
// unknown period, a name defined twice or shadowing a parameter or a
// data name) fails compilation with the position and a message naming the token.
class CFormulaCompiler
{
public:
    static bool compile(const QString& source, const QStringList& paramNames, CFormulaProgram& out,
                        CFormulaError& err);
};

} // namespace flang
} // namespace TC
