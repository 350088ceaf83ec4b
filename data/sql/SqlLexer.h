#pragma once

#include <QString>

namespace kestar::sql {

enum class TokenKind
{
    Word,   // a name or a keyword; see Token::keyword
    Path,   // the table named after FROM, as written (double quotes removed)
    String, // a single-quoted literal; text holds the value with '' turned into '
    Number, // digits with an optional decimal part, as written
    Comma,
    LeftParen,
    RightParen,
    Star,
    Equal,
    NotEqual,   // <>
    Operator,   // an operator the dialect does not take (<, >=, !=, +, ...)
    QuotedName, // a double-quoted name anywhere but after FROM
    Semicolon,
    End
};

struct Token
{
    TokenKind kind = TokenKind::End;
    QString text;     // as written, except for String and quoted Path (their values)
    QString keyword;  // upper-case keyword when a Word is one, else empty
    int position = 0; // 1-based character position in the statement
};

// Reads a statement token by token, so that the first fault in the text is the one reported.
// Right after the keyword FROM, a run of letters, digits, "_", "\\", "/", "." and ":" (or a
// double-quoted text) is one Path token, so that table names such as podaci\\prometx.db need
// no quoting. next() raises EngineError on an unterminated string or a character the dialect
// does not use, naming its position; at the end it returns End, again and again.
class SqlLexer
{
public:
    explicit SqlLexer(const QString& statement);

    Token next();

private:
    void skipBlanks();
    Token make(TokenKind kind, qsizetype start, QString text) const;
    Token pathOrOther();
    Token other();
    bool peekIs(qsizetype offset, char16_t c) const;
    Token span(TokenKind kind, qsizetype length);
    Token word();
    Token number();
    Token string();
    Token quoted(TokenKind kind);

    QString m_text;
    qsizetype m_pos = 0;
    bool m_afterFrom = false;
};

// True when the upper-case word is a keyword of SQL, supported by the dialect or not.
bool isKeyword(const QString& upperWord);

// The token as an error text shows it: its text as written, or a description for End.
QString describe(const Token& token);

} // namespace kestar::sql
