#pragma once

#include <QString>

namespace TC {

class CFormulaDetail;

// The host's formula export: a formula of the catalogue written as a source
// file the formula editor reads back, its parameter line first
// ("{PARAMS: N=9,1,100; M1=3,2,40}", "{PARAMS:}" without parameters).
class CKLineViewFormulaExport
{
public:
    // The source with its parameter line: the source as it is when it starts
    // with one (built-in formulas), else the line made from the record's
    // parameters followed by the source. "" for a formula without source
    // (those the service computes itself).
    static QString exportText(const CFormulaDetail& detail);
    // The parameter line of the record's parameters.
    static QString paramsLine(const CFormulaDetail& detail);
    // Writes the catalogue formula `formula` to `path` atomically (UTF-8);
    // false with the reason in *error (unknown formula, no source, write error).
    static bool write(const QString& formula, const QString& path, QString* error = nullptr);
    // The file name offered for a formula ("MACD.fml").
    static QString suggestedFileName(const QString& formula);
};

} // namespace TC
