#include "data/sql/SqlParser.h"

#include "data/EngineError.h"

#include <deque>

namespace kestar::sql {

using namespace Qt::StringLiterals;

namespace {

class Parser
{
public:
    explicit Parser(const QString& statement) : m_lexer(statement) {}

    ast::Select statement()
    {
        if (peek().kind == TokenKind::End)
            throw EngineError(u"Empty statement"_s);
        expectKeyword(u"SELECT"_s);
        ast::Select select;
        columns(select);
        expectKeyword(u"FROM"_s);
        select.table = tablePath();
        if (peek().kind == TokenKind::Comma)
            fail(u"Only one table can be named in FROM"_s, peek());
        if (acceptKeyword(u"WHERE"_s))
            select.where = orCondition();
        if (acceptKeyword(u"GROUP"_s)) {
            expectKeyword(u"BY"_s);
            select.groupBy = nameList();
        }
        if (acceptKeyword(u"ORDER"_s)) {
            expectKeyword(u"BY"_s);
            select.orderBy = orderList();
        }
        accept(TokenKind::Semicolon);
        if (peek().kind != TokenKind::End)
            unexpected(u"End of statement expected"_s, peek());
        return select;
    }

private:
    // Tokens are read only as far as the parser looks, so a fault further on in the text
    // never hides an earlier one.
    const Token& peek(std::size_t ahead = 0)
    {
        while (m_ahead.size() <= ahead)
            m_ahead.push_back(m_lexer.next());
        return m_ahead[ahead];
    }

    Token take()
    {
        peek();
        Token token = std::move(m_ahead.front());
        m_ahead.pop_front();
        return token;
    }

    bool accept(TokenKind kind)
    {
        if (peek().kind != kind)
            return false;
        take();
        return true;
    }

    bool isKeyword(const Token& token, const QString& keyword) const
    {
        return token.kind == TokenKind::Word && token.keyword == keyword;
    }

    bool acceptKeyword(const QString& keyword)
    {
        if (!isKeyword(peek(), keyword))
            return false;
        take();
        return true;
    }

    void expectKeyword(const QString& keyword)
    {
        if (!acceptKeyword(keyword))
            unexpected(keyword + u" expected"_s, peek());
    }

    [[noreturn]] static void fail(const QString& problem, const Token& token)
    {
        if (token.kind == TokenKind::End)
            throw EngineError(problem + u" at end of statement"_s);
        throw EngineError(
            u"%1. Token: %2 (position %3)"_s.arg(problem, describe(token)).arg(token.position));
    }

    // Reports a token that does not fit where it stands, naming keywords and operators the
    // dialect does not take as such.
    [[noreturn]] static void unexpected(const QString& expected, const Token& token)
    {
        if (token.kind == TokenKind::Word && !token.keyword.isEmpty())
            fail(u"Invalid use of keyword"_s, token);
        if (token.kind == TokenKind::Operator)
            fail(u"Operator not supported"_s, token);
        if (token.kind == TokenKind::QuotedName)
            fail(u"Quoted names are allowed only for the table"_s, token);
        fail(expected, token);
    }

    ast::Name name(const QString& what)
    {
        const Token token = peek();
        if (token.kind != TokenKind::Word || !token.keyword.isEmpty())
            unexpected(what + u" expected"_s, token);
        take();
        return {token.text, token.position};
    }

    void columns(ast::Select& select)
    {
        if (peek().kind == TokenKind::Star) {
            take();
            select.star = true;
            return;
        }
        do {
            select.items.push_back(column());
        } while (accept(TokenKind::Comma));
    }

    ast::SelectItem column()
    {
        ast::SelectItem item;
        if (peek().kind == TokenKind::Word && peek().keyword.isEmpty() &&
            peek(1).kind == TokenKind::LeftParen) {
            const Token function = take();
            if (function.text.toUpper() != u"SUM")
                fail(u"Function not supported"_s, function);
            take();
            item.kind = ast::SelectItem::Kind::Sum;
            item.field = name(u"Field name"_s);
            if (peek().kind != TokenKind::RightParen)
                unexpected(u"\")\" expected"_s, peek());
            take();
            if (acceptKeyword(u"AS"_s))
                item.alias = name(u"Column name"_s);
            return item;
        }
        item.field = name(u"Field name"_s);
        if (isKeyword(peek(), u"AS"_s))
            fail(u"A column name can be given only to SUM"_s, peek());
        return item;
    }

    ast::Name tablePath()
    {
        const Token token = peek();
        if (token.kind != TokenKind::Path || token.text.isEmpty())
            unexpected(u"Table name expected"_s, token);
        take();
        return {token.text, token.position};
    }

    std::unique_ptr<ast::Condition> orCondition()
    {
        auto condition = andCondition();
        while (acceptKeyword(u"OR"_s))
            condition = connect(ast::Condition::Kind::Or, std::move(condition), andCondition());
        return condition;
    }

    std::unique_ptr<ast::Condition> andCondition()
    {
        auto condition = primary();
        while (acceptKeyword(u"AND"_s))
            condition = connect(ast::Condition::Kind::And, std::move(condition), primary());
        return condition;
    }

    static std::unique_ptr<ast::Condition> connect(ast::Condition::Kind kind,
                                                   std::unique_ptr<ast::Condition> first,
                                                   std::unique_ptr<ast::Condition> second)
    {
        auto condition = std::make_unique<ast::Condition>();
        condition->kind = kind;
        condition->first = std::move(first);
        condition->second = std::move(second);
        return condition;
    }

    std::unique_ptr<ast::Condition> primary()
    {
        if (peek().kind == TokenKind::LeftParen) {
            const Token open = take();
            // Bounded so that a pathological text cannot exhaust the stack.
            if (++m_depth > kMaxDepth)
                throw EngineError(
                    u"Conditions are nested too deeply (position %1)"_s.arg(open.position));
            auto inner = orCondition();
            --m_depth;
            if (peek().kind != TokenKind::RightParen)
                unexpected(u"\")\" expected"_s, peek());
            take();
            return inner;
        }
        auto comparison = std::make_unique<ast::Condition>();
        comparison->left = operand();
        const Token op = peek();
        if (op.kind == TokenKind::Equal) {
            comparison->kind = ast::Condition::Kind::Equal;
        } else if (op.kind == TokenKind::NotEqual) {
            comparison->kind = ast::Condition::Kind::NotEqual;
        } else if (isKeyword(op, u"LIKE"_s)) {
            comparison->kind = ast::Condition::Kind::Like;
        } else {
            unexpected(u"Comparison (=, <> or LIKE) expected"_s, op);
        }
        take();
        comparison->right = operand();
        if (comparison->kind == ast::Condition::Kind::Like &&
            comparison->right.kind != ast::Operand::Kind::String)
            throw EngineError(u"LIKE needs a pattern in single quotes (position %1)"_s.arg(
                comparison->right.position));
        return comparison;
    }

    ast::Operand operand()
    {
        const Token token = peek();
        ast::Operand result;
        result.text = token.text;
        result.position = token.position;
        switch (token.kind) {
        case TokenKind::String:
            result.kind = ast::Operand::Kind::String;
            break;
        case TokenKind::Number:
            result.kind = ast::Operand::Kind::Number;
            break;
        case TokenKind::Word:
            if (!token.keyword.isEmpty())
                unexpected(QString(), token);
            if (peek(1).kind == TokenKind::LeftParen)
                fail(u"Function not supported in a condition"_s, token);
            result.kind = ast::Operand::Kind::Field;
            break;
        default:
            unexpected(u"Field name, string or number expected"_s, token);
        }
        take();
        return result;
    }

    std::vector<ast::Name> nameList()
    {
        std::vector<ast::Name> names;
        do {
            names.push_back(name(u"Field name"_s));
        } while (accept(TokenKind::Comma));
        return names;
    }

    std::vector<ast::OrderItem> orderList()
    {
        std::vector<ast::OrderItem> items;
        do {
            ast::OrderItem item;
            item.name = name(u"Field name"_s);
            if (acceptKeyword(u"DESC"_s))
                item.descending = true;
            else
                acceptKeyword(u"ASC"_s);
            items.push_back(std::move(item));
        } while (accept(TokenKind::Comma));
        return items;
    }

    static constexpr int kMaxDepth = 100;

    SqlLexer m_lexer;
    int m_depth = 0;
    std::deque<Token> m_ahead;
};

} // namespace

ast::Select parse(const QString& statement)
{
    return Parser(statement).statement();
}

} // namespace kestar::sql
