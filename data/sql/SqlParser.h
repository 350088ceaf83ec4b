#pragma once

#include "data/sql/SqlAst.h"
#include "data/sql/SqlLexer.h"

namespace kestar::sql {

// Recursive-descent parser for the dialect:
//
//   statement  := SELECT columns FROM path [WHERE or] [GROUP BY names] [ORDER BY order] [";"]
//   columns    := "*" | column ("," column)*
//   column     := name | SUM "(" name ")" [AS name]
//   or         := and (OR and)*
//   and        := primary (AND primary)*
//   primary    := "(" or ")" | operand ("=" | "<>") operand | operand LIKE string
//   operand    := name | string | number
//   order      := name [ASC | DESC] ("," name [ASC | DESC])*
//
// Raises EngineError naming the token and its position for anything else. Names are not
// checked here; that needs the table.
ast::Select parse(const QString& statement);

} // namespace kestar::sql
