#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace kestar::sql {

// What the engine tells the translator about one table named in a statement.
struct TableInfo
{
    QString qualified;   // how SQLite reaches the table, e.g. "t1"."prometx"
    QStringList fields;  // the visible fields in field order, as stored (upper case)
    QStringList natural; // columns giving the table's natural order, e.g. {"SIFRA"} or {"_ord"}
};

// A statement of the program's SQL dialect, checked and turned into SQLite SQL.
struct Translation
{
    QString sqlite;      // the statement for SQLite
    QString table;       // the table as the statement names it, e.g. "podaci\\prometx"
    QStringList columns; // result column names: fields as stored, aliases in upper case
    bool live = false;   // one table, no grouping, no aggregate: rows can be posted back
    // For a live result, the first result column (not listed in columns) is the row id,
    // selected as "_rowid_".
};

// Resolves a table named in a statement; raises EngineError when there is no such table.
using TableResolver = std::function<TableInfo(const QString& name)>;

// Parses one statement of the dialect and translates it. Anything outside the dialect raises
// EngineError with a clear text naming what was not understood and where.
Translation translate(const QString& statement, const TableResolver& resolve);

// Quotes a value for pasting into a statement: single quotes inside are doubled. The caller
// adds the surrounding quotes, as the statements of the program do.
QString quoted(const QString& value);

} // namespace kestar::sql
