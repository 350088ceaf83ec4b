#pragma once

#include "data/SqliteStatement.h"
#include "data/SqliteUpdates.h"

#include <QString>
#include <memory>

struct sqlite3;

namespace kestar {

struct TableFile;

// The prepared statements of one table cursor, made once when it opens. Rows are ordered by
// (order value, rowid), the order value being the key or the hidden order column; ?1 and ?2
// bind a row's order value and rowid.
struct SqliteTableStatements
{
    // Statements returning rowid, order value, then every field.
    SqliteStatement first, last, walkNext, walkPrior, after, before, byRowid, nearest, from;
    // Statements returning a count, or rowid and order value only.
    SqliteStatement count, countBefore, offsetFirst, offsetLast, offsetAfter, offsetBefore;
    SqliteStatement insert, remove, renumber;
    // Writes an edited row back: only the fields that changed, by rowid.
    SqliteUpdates updates;

    // orderColumn: the key field, or the hidden order column (then insert takes the order
    // value as the parameter after the fields, and renumber spaces all order values evenly).
    static std::unique_ptr<SqliteTableStatements> prepare(sqlite3* db, const TableFile& file,
                                                          const QString& orderColumn, bool keyed,
                                                          qint64 orderStep);
};

} // namespace kestar
