#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <vector>

// The syntax tree of one statement of the dialect, as the parser reads it: names as written,
// not yet checked against the table.
namespace kestar::sql::ast {

struct Name
{
    QString text;     // as written
    int position = 0; // 1-based position in the statement
};

struct Operand
{
    enum class Kind
    {
        Field,
        String,
        Number
    };
    Kind kind = Kind::Field;
    QString text; // the field name as written, the string's value, or the number as written
    int position = 0;
};

struct Condition
{
    enum class Kind
    {
        Equal,
        NotEqual,
        Like,
        And,
        Or
    };
    Kind kind = Kind::Equal;
    // comparisons (Equal, NotEqual, Like)
    Operand left;
    Operand right;
    // connectives (And, Or)
    std::unique_ptr<Condition> first;
    std::unique_ptr<Condition> second;
};

struct SelectItem
{
    enum class Kind
    {
        Field,
        Sum
    };
    Kind kind = Kind::Field;
    Name field;
    std::optional<Name> alias; // only for Sum
};

struct OrderItem
{
    Name name;
    bool descending = false;
};

struct Select
{
    bool star = false; // "select *"; items is then empty
    std::vector<SelectItem> items;
    Name table;                       // the table path exactly as written
    std::unique_ptr<Condition> where; // null without WHERE
    std::vector<Name> groupBy;
    std::vector<OrderItem> orderBy;
};

} // namespace kestar::sql::ast
