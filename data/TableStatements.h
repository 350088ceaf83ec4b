#pragma once

#include "data/RowUpdates.h"
#include "data/Statement.h"

#include <QString>
#include <memory>

namespace kestar {

class Backend;
struct TableFile;

// The prepared statements of one table cursor, made once when it opens. Rows are ordered by
// (order value, rowid), the order value being the key or the hidden order column; ?1 and ?2
// bind a row's order value and rowid.
struct TableStatements
{
    using Prepared = std::unique_ptr<Statement>;
    // Statements returning rowid, order value, then every field.
    Prepared first, last, walkNext, walkPrior, after, before, byRowid, nearest, from;
    // Statements returning a count, or rowid and order value only.
    Prepared count, countBefore, offsetFirst, offsetLast, offsetAfter, offsetBefore;
    Prepared insert, remove, renumber;
    // The row by rowid, locked until the transaction ends, for a backend where other
    // connections may write it meanwhile (else null).
    Prepared lockRow;
    // Writes an edited row back: only the fields that changed, by rowid.
    RowUpdates updates;

    // orderColumn: the key field, or the hidden order column (then insert takes the order
    // value as the parameter after the fields, and renumber spaces all order values evenly).
    static std::unique_ptr<TableStatements> prepare(Backend& backend, const TableFile& file,
                                                    const QString& orderColumn, bool keyed,
                                                    qint64 orderStep);
};

} // namespace kestar
