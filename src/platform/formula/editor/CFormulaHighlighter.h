#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

class QTextDocument;

namespace TC {

// Colours formula text as the editor shows it: keywords (AND, OR, NOT and
// the data names), the library's functions (whatever the function table
// knows), numbers, strings, {...} and // comments, drawing attributes
// (COLORRED, LINETHICK2, ...). Block comments may span lines. Colours come
// from the theme; themeChanged() re-reads them.
class CFormulaHighlighter : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    enum EKind { Plain, Keyword, Function, Number, String, Comment, Attribute };

    explicit CFormulaHighlighter(QTextDocument* document);

    // The kind an identifier (any case) is coloured as.
    static EKind classify(const QString& word);
    const QTextCharFormat& format(EKind kind) const { return m_formats[kind]; }

    void themeChanged();

protected:
    void highlightBlock(const QString& text) override;

private:
    QTextCharFormat m_formats[Attribute + 1];
};

} // namespace TC
