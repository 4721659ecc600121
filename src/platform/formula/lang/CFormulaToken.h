#pragma once

#include <QString>

namespace TC {
namespace flang {

enum class ETokenKind {
    End,
    Number,
    String,
    Ident,
    Plus,
    Minus,
    Star,
    Slash,
    LParen,
    RParen,
    Comma,
    Semicolon,
    Colon,
    Assign, // :=
    Gt,
    Lt,
    Ge,
    Le,
    Eq,
    Ne,        // <> or !=
    And,       // &&
    Or,        // ||
    Reference, // "SH000001$CLOSE": text is what the quotes hold, upper case
    Hash       // # (a period follows)
};

// One lexical token with its 1-based source position. text is the token as
// written (identifiers upper-cased: the language is case-insensitive; strings
// without their quotes).
struct CFormulaToken {
    ETokenKind kind = ETokenKind::End;
    QString text;
    double number = 0.0;
    int line = 1;
    int column = 1;
};

} // namespace flang
} // namespace TC
