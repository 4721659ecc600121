#include "platform/formula/lang/CFormulaLexer.h"

namespace TC {
namespace flang {

namespace {

bool isIdentStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}

bool isIdentPart(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

} // namespace

bool CFormulaLexer::tokenize(const QString& source, std::vector<CFormulaToken>& tokens, CFormulaError& err)
{
    tokens.clear();
    const int n = source.size();
    int i = 0;
    int line = 1;
    int lineStart = 0; // index of the first character of the current line

    auto fail = [&](int ln, int col, const QString& msg) {
        err.line = ln;
        err.column = col;
        err.message = msg;
        return false;
    };
    auto push = [&](ETokenKind kind, int start, int len, const QString& text) {
        CFormulaToken t;
        t.kind = kind;
        t.text = text.isNull() ? source.mid(start, len) : text;
        t.line = line;
        t.column = start - lineStart + 1;
        tokens.push_back(t);
    };

    while (i < n) {
        const QChar c = source.at(i);
        if (c == QLatin1Char('\n')) {
            ++i;
            ++line;
            lineStart = i;
            continue;
        }
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == QLatin1Char('{')) {
            const int startLine = line;
            const int startCol = i - lineStart + 1;
            ++i;
            while (i < n && source.at(i) != QLatin1Char('}')) {
                if (source.at(i) == QLatin1Char('\n')) {
                    ++line;
                    lineStart = i + 1;
                }
                ++i;
            }
            if (i >= n)
                return fail(startLine, startCol, QStringLiteral("未结束的注释 '{'"));
            ++i;
            continue;
        }
        if (c == QLatin1Char('/') && i + 1 < n && source.at(i + 1) == QLatin1Char('/')) {
            while (i < n && source.at(i) != QLatin1Char('\n'))
                ++i;
            continue;
        }
        if (c == QLatin1Char('\'')) {
            const int start = i;
            ++i;
            while (i < n && source.at(i) != QLatin1Char('\'') && source.at(i) != QLatin1Char('\n'))
                ++i;
            if (i >= n || source.at(i) != QLatin1Char('\''))
                return fail(line, start - lineStart + 1, QStringLiteral("未结束的字符串 '''"));
            push(ETokenKind::String, start, 0, source.mid(start + 1, i - start - 1));
            ++i;
            continue;
        }
        if (c == QLatin1Char('"')) {
            // another instrument's data: "SH000001$CLOSE"
            const int start = i;
            ++i;
            while (i < n && source.at(i) != QLatin1Char('"') && source.at(i) != QLatin1Char('\n'))
                ++i;
            if (i >= n || source.at(i) != QLatin1Char('"'))
                return fail(line, start - lineStart + 1, QStringLiteral("未结束的引用 '\"'"));
            push(ETokenKind::Reference, start, 0, source.mid(start + 1, i - start - 1).trimmed().toUpper());
            ++i;
            continue;
        }
        if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && source.at(i + 1).isDigit())) {
            const int start = i;
            while (i < n && source.at(i).isDigit())
                ++i;
            if (i < n && source.at(i) == QLatin1Char('.')) {
                ++i;
                while (i < n && source.at(i).isDigit())
                    ++i;
            }
            if (i < n && isIdentStart(source.at(i)))
                return fail(line, start - lineStart + 1,
                            QStringLiteral("非法的数字 '%1'").arg(source.mid(start, i - start + 1)));
            push(ETokenKind::Number, start, i - start, QString());
            bool ok = false;
            tokens.back().number = tokens.back().text.toDouble(&ok);
            if (!ok) // only overflow can fail here: an unusably large literal
                return fail(line, start - lineStart + 1,
                            QStringLiteral("数字超出范围 '%1'").arg(tokens.back().text));
            continue;
        }
        if (isIdentStart(c)) {
            const int start = i;
            while (i < n && isIdentPart(source.at(i)))
                ++i;
            push(ETokenKind::Ident, start, 0, source.mid(start, i - start).toUpper());
            continue;
        }
        const QChar next = i + 1 < n ? source.at(i + 1) : QChar();
        auto two = [&](ETokenKind kind) {
            push(kind, i, 2, QString());
            i += 2;
        };
        auto one = [&](ETokenKind kind) {
            push(kind, i, 1, QString());
            ++i;
        };
        switch (c.unicode()) {
        case '+':
            one(ETokenKind::Plus);
            break;
        case '-':
            one(ETokenKind::Minus);
            break;
        case '*':
            one(ETokenKind::Star);
            break;
        case '/':
            one(ETokenKind::Slash);
            break;
        case '(':
            one(ETokenKind::LParen);
            break;
        case ')':
            one(ETokenKind::RParen);
            break;
        case ',':
            one(ETokenKind::Comma);
            break;
        case ';':
            one(ETokenKind::Semicolon);
            break;
        case '#':
            one(ETokenKind::Hash);
            break;
        case ':':
            if (next == QLatin1Char('='))
                two(ETokenKind::Assign);
            else
                one(ETokenKind::Colon);
            break;
        case '>':
            if (next == QLatin1Char('='))
                two(ETokenKind::Ge);
            else
                one(ETokenKind::Gt);
            break;
        case '<':
            if (next == QLatin1Char('='))
                two(ETokenKind::Le);
            else if (next == QLatin1Char('>'))
                two(ETokenKind::Ne);
            else
                one(ETokenKind::Lt);
            break;
        case '=':
            if (next == QLatin1Char('='))
                two(ETokenKind::Eq);
            else
                one(ETokenKind::Eq);
            break;
        case '!':
            if (next == QLatin1Char('='))
                two(ETokenKind::Ne);
            else
                return fail(line, i - lineStart + 1, QStringLiteral("非法字符 '!'"));
            break;
        case '&':
            if (next == QLatin1Char('&'))
                two(ETokenKind::And);
            else
                return fail(line, i - lineStart + 1, QStringLiteral("非法字符 '&'"));
            break;
        case '|':
            if (next == QLatin1Char('|'))
                two(ETokenKind::Or);
            else
                return fail(line, i - lineStart + 1, QStringLiteral("非法字符 '|'"));
            break;
        default:
            return fail(line, i - lineStart + 1, QStringLiteral("非法字符 '%1'").arg(c));
        }
    }
    CFormulaToken end;
    end.kind = ETokenKind::End;
    end.line = line;
    end.column = i - lineStart + 1;
    tokens.push_back(end);
    return true;
}

QString CFormulaLexer::describe(const CFormulaToken& token)
{
    switch (token.kind) {
    case ETokenKind::End:
        return QStringLiteral("公式结尾");
    case ETokenKind::String:
        return QStringLiteral("'%1'").arg(QLatin1Char('\'') + token.text + QLatin1Char('\''));
    case ETokenKind::Reference:
        return QStringLiteral("'%1'").arg(QLatin1Char('"') + token.text + QLatin1Char('"'));
    default:
        return QStringLiteral("'%1'").arg(token.text);
    }
}

} // namespace flang
} // namespace TC
