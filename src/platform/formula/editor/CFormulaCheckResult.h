#pragma once

#include <QMetaType>
#include <QString>
#include <QStringList>

namespace TC {

// What one live check of an editor's text found. line/column are 1-based and
// 0 when the fault is not in the source (a bad parameter, a text too long).
// generation tells which request of the checker the result answers.
struct CFormulaCheckResult {
    int generation = 0;
    bool ok = false;
    int line = 0;
    int column = 0;
    QString message;
    QStringList outputs; // output names in statement order (ok only)
    // Functions whose value on a bar depends on later bars (ok only): the
    // formula's past signals may change as new bars arrive.
    QStringList futureFunctions;
};

} // namespace TC

Q_DECLARE_METATYPE(TC::CFormulaCheckResult)
