#pragma once

#include <QString>

namespace TC {

// Pinyin initials of the Chinese characters instrument names use, so the
// keyboard spirit finds "浦发银行" from "pfyh".
//
// The table is compact on purpose: every character of the sample market's
// names (a test keeps it complete) and the characters common in the names of
// A-share stocks, indexes and futures. A polyphone lists each initial it is
// read with (行: h for 银行, x for 行业). Letters and digits stand for
// themselves in lower case; other characters without an entry (Ⅱ, blanks,
// punctuation) are skipped, so they never break a match.
// Thread-safe (the table is built once, read only).
class CPinyinInitials
{
public:
    // The initials of one character, lower case ("hx" for 行); "" when the
    // table has none and it is no letter or digit.
    static QString initialsOf(QChar c);
    static bool hasEntry(QChar c);
    // True for the characters the table is meant to cover (CJK ideographs).
    static bool isChinese(QChar c);

    // Position in `name` (counted in matched characters, skipped ones left
    // out) where the typed initials `typed` match, any case; -1 when nowhere.
    // With prefixOnly only position 0 is tried.
    static int match(const QString& name, const QString& typed, bool prefixOnly);
};

} // namespace TC
