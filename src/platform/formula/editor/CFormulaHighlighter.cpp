#include "platform/formula/editor/CFormulaHighlighter.h"

#include <QSet>

#include "platform/formula/lang/CFormulaFunctionTable.h"
#include "platform/formula/lang/CFormulaStyle.h"
#include "platform/framework/CUiResource.h"

namespace TC {

namespace {

enum EBlockState { kNormal = 0, kInComment = 1 };

bool isIdentStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}

bool isIdentPart(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

} // namespace

CFormulaHighlighter::CFormulaHighlighter(QTextDocument* document) : QSyntaxHighlighter(document)
{
    themeChanged();
}

void CFormulaHighlighter::themeChanged()
{
    KW::CUiResource* res = KW::CUiResource::instance();
    const struct {
        EKind kind;
        const char* key;
        bool bold;
    } table[] = {
        {Keyword, "ic_clr_index_default_line_3", true}, {Function, "ic_clr_index_default_line_1", true},
        {Number, "ic_clr_graph_yellow", false},         {String, "ic_clr_index_default_line_5", false},
        {Comment, "ic_clr_kline_axis_text", false},     {Attribute, "ic_clr_index_default_line_4", false},
    };
    m_formats[Plain] = QTextCharFormat();
    for (const auto& t : table) {
        QTextCharFormat f;
        f.setForeground(res->getColor(QLatin1String(t.key)));
        if (t.bold)
            f.setFontWeight(QFont::Bold);
        if (t.kind == Comment)
            f.setFontItalic(true);
        m_formats[t.kind] = f;
    }
    rehighlight();
}

CFormulaHighlighter::EKind CFormulaHighlighter::classify(const QString& word)
{
    // The language's reserved words and its data names; functions and
    // attributes are asked of the language itself so new ones colour too.
    static const QSet<QString> keywords{
        QStringLiteral("AND"), QStringLiteral("OR"),     QStringLiteral("NOT"),  QStringLiteral("OPEN"),
        QStringLiteral("O"),   QStringLiteral("HIGH"),   QStringLiteral("H"),    QStringLiteral("LOW"),
        QStringLiteral("L"),   QStringLiteral("CLOSE"),  QStringLiteral("C"),    QStringLiteral("VOL"),
        QStringLiteral("V"),   QStringLiteral("AMOUNT"), QStringLiteral("ISUP"), QStringLiteral("ISDOWN")};
    const QString upper = word.toUpper();
    if (keywords.contains(upper))
        return Keyword;
    if (flang::CFormulaFunctionTable::find(upper))
        return Function;
    unsigned value = 0;
    if (flang::CFormulaStyle::parseAttribute(upper, value) != flang::CFormulaStyle::EAttrKind::None)
        return Attribute;
    return Plain;
}

void CFormulaHighlighter::highlightBlock(const QString& text)
{
    const int n = text.size();
    int i = 0;
    if (previousBlockState() == kInComment) {
        const int end = text.indexOf(QLatin1Char('}'));
        if (end < 0) {
            setFormat(0, n, m_formats[Comment]);
            setCurrentBlockState(kInComment);
            return;
        }
        setFormat(0, end + 1, m_formats[Comment]);
        i = end + 1;
    }
    setCurrentBlockState(kNormal);
    while (i < n) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('{')) {
            const int end = text.indexOf(QLatin1Char('}'), i + 1);
            if (end < 0) {
                setFormat(i, n - i, m_formats[Comment]);
                setCurrentBlockState(kInComment);
                return;
            }
            setFormat(i, end - i + 1, m_formats[Comment]);
            i = end + 1;
        } else if (c == QLatin1Char('/') && i + 1 < n && text.at(i + 1) == QLatin1Char('/')) {
            setFormat(i, n - i, m_formats[Comment]);
            return;
        } else if (c == QLatin1Char('\'')) {
            const int end = text.indexOf(QLatin1Char('\''), i + 1);
            const int stop = end < 0 ? n : end + 1;
            setFormat(i, stop - i, m_formats[String]);
            i = stop;
        } else if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && text.at(i + 1).isDigit())) {
            int j = i;
            while (j < n && (text.at(j).isDigit() || text.at(j) == QLatin1Char('.')))
                ++j;
            setFormat(i, j - i, m_formats[Number]);
            i = j;
        } else if (isIdentStart(c)) {
            int j = i + 1;
            while (j < n && isIdentPart(text.at(j)))
                ++j;
            const EKind kind = classify(text.mid(i, j - i));
            if (kind != Plain)
                setFormat(i, j - i, m_formats[kind]);
            i = j;
        } else {
            ++i;
        }
    }
}

} // namespace TC
