#pragma once

#include <QString>
#include <QVector>

#include "platform/formula/catalog/CFormulaParamDef.h"

namespace TC {

// A formula's source file as the catalogue's built-in sources and the host's
// export write it: an optional first line with the parameters
// ("{PARAMS: N=9,1,100; M1=3,2,40}", "{PARAMS:}" without any), then the
// formula text. The editor shows the parameters in its table and the text
// without that line.
class CFormulaSourceText
{
public:
    // True when the first line is a parameter line.
    static bool hasParamsLine(const QString& text);
    // Splits a source file. Without a parameter line: no parameters, the
    // body is the whole text. False with the reason in *why when the
    // parameter line is malformed (an entry not NAME=default,min,max with
    // numbers); params and body are then left empty.
    static bool split(const QString& text, QVector<CFormulaParamDef>& params, QString& body,
                      QString* why = nullptr);
};

} // namespace TC
