#pragma once

#include "data/Dataset.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>

namespace kestar {
class Backend;
}

namespace kestar::sql {

// What the engine tells the translator about one table named in a statement.
struct TableInfo
{
    QString qualified;      // how SQLite reaches the table, e.g. "t1"."prometx"
    QStringList fields;     // the visible fields in field order, as stored (upper case)
    QStringList natural;    // columns giving the table's natural order, e.g. {"SIFRA"} or {"_ord"}
    QList<FieldType> types; // the type of each field, when the backend needs typed literals
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

    // The comparisons `field LIKE 'pattern'` that every result row satisfies (those joined to
    // the rest of the condition by AND only), with the field as stored.
    QList<std::pair<QString, QString>> likes;
    // The same statement for the rows whose row id is in a JSON array of numbers bound to ?1.
    QString restricted;

    // For a live statement in the table's natural order (no ORDER BY), the same statement a
    // page at a time: firstPage takes the page's size as ?1; nextPage the rows after the last
    // one read, whose order values are bound to ?1 .. ?pageKeys and the size after them. Both
    // give the order values as the last pageKeys columns of each row, after the selected ones.
    QString firstPage;
    QString nextPage;
    int pageKeys = 0;
};

// Resolves a table named in a statement; raises EngineError when there is no such table.
using TableResolver = std::function<TableInfo(const QString& name)>;

// Parses one statement of the dialect and translates it. Anything outside the dialect raises
// EngineError with a clear text naming what was not understood and where. The output is in
// SQLite's spelling (?N parameters, _rowid_); backend, when given, writes the case-folding LIKE
// its own way, and Backend::spell() puts the rest in its spelling.
Translation translate(const QString& statement, const TableResolver& resolve,
                      const Backend* backend = nullptr);

// Quotes a value for pasting into a statement: single quotes inside are doubled. The caller
// adds the surrounding quotes, as the statements of the program do.
QString quoted(const QString& value);

} // namespace kestar::sql
