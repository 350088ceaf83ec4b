#include "data/sql/SqlLexer.h"

#include "data/EngineError.h"

#include <QSet>

namespace kestar::sql {

using namespace Qt::StringLiterals;

namespace {

bool isWordStart(QChar c)
{
    return c.isLetter() || c == u'_';
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

bool isPathChar(QChar c)
{
    return isWordChar(c) || c == u'\\' || c == u'/' || c == u'.' || c == u':';
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The character at pos as an error text shows it: in quotes when it prints, else by its code.
QString shownCharacter(const QString& text, qsizetype pos)
{
    const bool pair =
        text[pos].isHighSurrogate() && pos + 1 < text.size() && text[pos + 1].isLowSurrogate();
    if (pair)
        return u'\'' + text.mid(pos, 2) + u'\'';
    if (text[pos].isPrint())
        return u'\'' + text[pos] + u'\'';
    return u"U+%1"_s.arg(text[pos].unicode(), 4, 16, QLatin1Char('0')).toUpper();
}

[[noreturn]] void invalidCharacter(const QString& text, qsizetype pos)
{
    throw EngineError(
        u"Invalid character %1 at position %2"_s.arg(shownCharacter(text, pos)).arg(pos + 1));
}

// SQLite reads a statement only up to its first NUL, so no part of one may hold it.
void refuseNul(const QString& text, qsizetype from, qsizetype to)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'), from);
    if (nul >= 0 && nul < to)
        invalidCharacter(text, nul);
}

} // namespace

SqlLexer::SqlLexer(const QString& statement) : m_text(statement) {}

Token SqlLexer::next()
{
    skipBlanks();
    Token token = m_afterFrom ? pathOrOther() : other();
    m_afterFrom = token.kind == TokenKind::Word && token.keyword == u"FROM";
    return token;
}

void SqlLexer::skipBlanks()
{
    while (m_pos < m_text.size() && m_text[m_pos].isSpace())
        ++m_pos;
}

Token SqlLexer::make(TokenKind kind, qsizetype start, QString text) const
{
    Token token;
    token.kind = kind;
    token.text = std::move(text);
    token.position = int(start) + 1;
    return token;
}

Token SqlLexer::pathOrOther()
{
    if (m_pos >= m_text.size())
        return other();
    if (m_text[m_pos] == u'"')
        return quoted(TokenKind::Path);
    if (!isPathChar(m_text[m_pos]))
        return other();
    const qsizetype start = m_pos;
    while (m_pos < m_text.size() && isPathChar(m_text[m_pos]))
        ++m_pos;
    Token token = make(TokenKind::Path, start, m_text.mid(start, m_pos - start));
    // A bare keyword here means the table name is missing; the parser reports it as a keyword.
    const QString upper = token.text.toUpper();
    if (isKeyword(upper)) {
        token.kind = TokenKind::Word;
        token.keyword = upper;
    }
    return token;
}

Token SqlLexer::other()
{
    const qsizetype start = m_pos;
    if (m_pos >= m_text.size())
        return make(TokenKind::End, start, QString());
    const QChar c = m_text[m_pos];
    if (isWordStart(c))
        return word();
    if (isAsciiDigit(c))
        return number();
    switch (c.unicode()) {
    case u'\'':
        return string();
    case u'"':
        return quoted(TokenKind::QuotedName);
    case u',':
        return span(TokenKind::Comma, 1);
    case u'(':
        return span(TokenKind::LeftParen, 1);
    case u')':
        return span(TokenKind::RightParen, 1);
    case u'*':
        return span(TokenKind::Star, 1);
    case u';':
        return span(TokenKind::Semicolon, 1);
    case u'=':
        if (peekIs(1, u'='))
            return span(TokenKind::Operator, 2);
        return span(TokenKind::Equal, 1);
    case u'<':
        if (peekIs(1, u'>'))
            return span(TokenKind::NotEqual, 2);
        return span(TokenKind::Operator, peekIs(1, u'=') ? 2 : 1);
    case u'>':
    case u'!':
        return span(TokenKind::Operator, peekIs(1, u'=') ? 2 : 1);
    case u'|':
        return span(TokenKind::Operator, peekIs(1, u'|') ? 2 : 1);
    case u'+':
    case u'-':
    case u'/':
    case u'%':
    case u'&':
        return span(TokenKind::Operator, 1);
    default:
        break;
    }
    invalidCharacter(m_text, start);
}

bool SqlLexer::peekIs(qsizetype offset, char16_t c) const
{
    return m_pos + offset < m_text.size() && m_text[m_pos + offset] == c;
}

Token SqlLexer::span(TokenKind kind, qsizetype length)
{
    const qsizetype start = m_pos;
    m_pos += length;
    return make(kind, start, m_text.mid(start, length));
}

Token SqlLexer::word()
{
    const qsizetype start = m_pos;
    while (m_pos < m_text.size() && isWordChar(m_text[m_pos]))
        ++m_pos;
    Token token = make(TokenKind::Word, start, m_text.mid(start, m_pos - start));
    const QString upper = token.text.toUpper();
    if (isKeyword(upper))
        token.keyword = upper;
    return token;
}

Token SqlLexer::number()
{
    const qsizetype start = m_pos;
    while (m_pos < m_text.size() && isAsciiDigit(m_text[m_pos]))
        ++m_pos;
    if (peekIs(0, u'.') && m_pos + 1 < m_text.size() && isAsciiDigit(m_text[m_pos + 1])) {
        ++m_pos;
        while (m_pos < m_text.size() && isAsciiDigit(m_text[m_pos]))
            ++m_pos;
    }
    // "12ab" or "1.2.3" is one malformed number, not a number and a name.
    if (m_pos < m_text.size() && (isWordChar(m_text[m_pos]) || m_text[m_pos] == u'.')) {
        qsizetype end = m_pos;
        while (end < m_text.size() && (isWordChar(m_text[end]) || m_text[end] == u'.'))
            ++end;
        throw EngineError(u"Invalid number at position %1. Token: %2"_s.arg(start + 1).arg(
            m_text.mid(start, end - start)));
    }
    return make(TokenKind::Number, start, m_text.mid(start, m_pos - start));
}

Token SqlLexer::string()
{
    const qsizetype start = m_pos;
    QString value;
    ++m_pos;
    for (;;) {
        if (m_pos >= m_text.size())
            throw EngineError(u"Unterminated string at position %1"_s.arg(start + 1));
        if (m_text[m_pos] == u'\0')
            invalidCharacter(m_text, m_pos);
        const QChar c = m_text[m_pos++];
        if (c != u'\'') {
            value += c;
        } else if (peekIs(0, u'\'')) {
            value += c;
            ++m_pos;
        } else {
            return make(TokenKind::String, start, value);
        }
    }
}

Token SqlLexer::quoted(TokenKind kind)
{
    const qsizetype start = m_pos;
    const qsizetype close = m_text.indexOf(u'"', m_pos + 1);
    if (close < 0)
        throw EngineError(u"Unterminated quoted name at position %1"_s.arg(start + 1));
    refuseNul(m_text, start, close);
    m_pos = close + 1;
    return make(kind, start, m_text.mid(start + 1, close - start - 1));
}

bool isKeyword(const QString& upperWord)
{
    static const QSet<QString> kKeywords = {
        // the dialect's own
        u"SELECT"_s, u"FROM"_s, u"WHERE"_s, u"AND"_s, u"OR"_s, u"LIKE"_s, u"GROUP"_s, u"ORDER"_s,
        u"BY"_s, u"ASC"_s, u"DESC"_s, u"AS"_s,
        // SQL the dialect refuses; known here so that the refusal names them as keywords
        u"NOT"_s, u"UPDATE"_s, u"DELETE"_s, u"INSERT"_s, u"INTO"_s, u"VALUES"_s, u"SET"_s,
        u"CREATE"_s, u"DROP"_s, u"ALTER"_s, u"TABLE"_s, u"JOIN"_s, u"INNER"_s, u"LEFT"_s,
        u"RIGHT"_s, u"OUTER"_s, u"FULL"_s, u"CROSS"_s, u"NATURAL"_s, u"ON"_s, u"USING"_s,
        u"UNION"_s, u"ALL"_s, u"DISTINCT"_s, u"HAVING"_s, u"IN"_s, u"IS"_s, u"NULL"_s, u"BETWEEN"_s,
        u"EXISTS"_s, u"LIMIT"_s, u"OFFSET"_s, u"CASE"_s, u"WHEN"_s, u"THEN"_s, u"ELSE"_s, u"END"_s,
        u"ESCAPE"_s, u"COLLATE"_s};
    return kKeywords.contains(upperWord);
}

QString describe(const Token& token)
{
    switch (token.kind) {
    case TokenKind::End:
        return u"end of statement"_s;
    case TokenKind::String:
        return u'\'' + QString(token.text).replace(u"'"_s, u"''"_s) + u'\'';
    case TokenKind::QuotedName:
        return u'"' + token.text + u'"';
    default:
        return token.text;
    }
}

} // namespace kestar::sql
