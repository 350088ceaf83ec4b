#pragma once

#include "data/Dataset.h"
#include "data/Statement.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>

namespace kestar {

struct TableFile;

// Where the engine keeps its tables: one connection, the statements prepared on it, and the
// few places where the SQL of one table engine differs from another's. The engine, its
// cursors, its queries and the translator of the program's SQL reach storage only through
// this seam; SqliteBackend (data/sqlite) is the embedded one.
//
// A backend is driven by one thread, one statement at a time: every read steps its statement
// to the end of a bounded page and resets it, so none stays open while the program waits.
class Backend
{
public:
    virtual ~Backend() = default;

    // ---- statements ----
    // Prepares one statement; raises EngineError with the backend's text when it does not
    // compile.
    virtual std::unique_ptr<Statement> prepare(const QString& sql) = 0;
    // Runs statements without results, separated by ";".
    virtual void exec(const QString& sql) = 0;

    // ---- the SQL differences ----
    // The name of a table's row id column, unique and stable per row ("rowid" in SQLite).
    virtual QString rowId() const = 0;
    // Parameter n (from 1) in a statement's text ("?1" in SQLite, "$1" in PostgreSQL).
    virtual QString parameter(int n) const = 0;
    // A LIKE that ignores letter case for every letter of the code page, with "%" and "_" as
    // its only wildcards and no escape character.
    virtual QString foldingLike(const QString& operand, const QString& pattern) const = 0;
    // Appended to a SELECT whose rows the transaction will write back ("" where a
    // transaction already holds the whole file).
    virtual QString lockForUpdate() const = 0;
    // The statement that begins a writing transaction.
    virtual QString beginTransaction() const { return QStringLiteral("BEGIN IMMEDIATE"); }
    // Ends the open transaction without keeping anything (a transaction the connection has
    // lost counts as ended).
    virtual void rollback() = 0;
    // Ends the open transaction keeping its writes; the other connections that listen
    // (listenForChanges) hear which of the tables named it wrote. Raises EngineError only when
    // the writes were not kept, or when it cannot be learnt whether they were.
    virtual void commit(const QStringList& writtenTables) = 0;
    // A condition true for the values of column stored as whole numbers.
    virtual QString integerValuesOnly(const QString& column) const
    {
        return QStringLiteral("typeof(%1) = 'integer'").arg(column);
    }
    // A subquery giving the row ids of a JSON array of numbers (an expression, e.g. "?1").
    virtual QString rowIdIn(const QString& jsonArray) const
    {
        return QStringLiteral("SELECT value FROM json_each(%1)").arg(jsonArray);
    }
    // One term of an ORDER BY: NULL comes before every value going up.
    virtual QString orderTerm(const QString& column, bool descending) const
    {
        return column + (descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC"));
    }
    // Whether a literal compared with a field must have the field's type (else the column's
    // affinity converts a quoted number).
    virtual bool typedComparisons() const { return false; }
    // A field of another type than text as text, for a LIKE on it.
    virtual QString asText(const QString& operand) const { return operand; }
    // A statement written with ?N parameters and rowid (or _rowid_) as the row id, as this
    // backend spells it. Quoted names and literals are left alone.
    virtual QString spell(const QString& sql) const;

    // ---- writes of many rows ----
    // Inserts rows into table (as statements reach it), each row's values in the order of
    // columns. A backend whose statements each cost a way to the server and back sends few
    // statements however many rows; the embedded one runs one prepared insert per row.
    virtual void insertRows(const QString& table, const QStringList& columns,
                            const QList<QList<QVariant>>& rows);
    // Sets, in each row of table whose columns.first() holds a row's first value, the other
    // columns to the row's other values. columns.first() must be unique (a key or the row id,
    // a whole number); as insertRows() for the number of statements.
    virtual void updateRows(const QString& table, const QList<FieldDef>& columns,
                            const QList<QList<QVariant>>& rows);

    // Whether other workstations write the same tables at the same time (else one running
    // copy of the program has them to itself).
    virtual bool sharedByWorkstations() const { return false; }

    // ---- tables ----
    // Whether each table is a file of the data folder; else the tables are the backend's, and
    // tableNamed() finds one by name.
    virtual bool keepsTablesInFiles() const { return true; }
    // The stored name of the table named name without regard to letter case, "" when none.
    virtual QString tableNamed(const QString& name)
    {
        Q_UNUSED(name);
        return {};
    }
    // Makes the table file at the canonical path reachable under alias and describes it (its
    // table, fields, key, order column and search fields). When the connection reaches as many
    // files as it can, makeRoom() lets go of those nobody uses and it tries once more. Raises
    // EngineError when it holds no table; then nothing stays attached.
    virtual std::shared_ptr<TableFile> attach(const QString& path, const QString& alias,
                                              const std::function<void()>& makeRoom) = 0;
    // Lets a table go that no cursor uses any more; false when the backend keeps it.
    virtual bool detach(const TableFile& file) = 0;
    // Before a write: tables reached read-only that may be written now are reached anew.
    virtual void prepareWrite(const QList<std::shared_ptr<TableFile>>& files) = 0;
    // The row ids of the table that can match `field LIKE pattern` by its name search index,
    // or nothing when the index cannot tell or more than limit rows could match.
    virtual std::optional<QList<qint64>> searchCandidates(const TableFile& file,
                                                          const QString& field,
                                                          const QString& pattern, int limit) = 0;

    // ---- other connections ----
    // Starts hearing which tables other connections commit writes to: heard is called from
    // the event loop, between statements, with their names (an empty list: any table may have
    // been written). False where no other connection shares the tables.
    virtual bool listenForChanges(std::function<void(const QStringList&)> heard)
    {
        Q_UNUSED(heard);
        return false;
    }

    // Inside a transaction: until it ends, any other connection that locks one of the same
    // keys of the table waits (a key may name a row that is not there yet). Nothing where a
    // writing transaction holds the whole table anyway.
    virtual void lockKeys(const QString& table, const QStringList& keys)
    {
        Q_UNUSED(table);
        Q_UNUSED(keys);
    }

    // ---- transactions ----
    // A transaction is open on the connection (a failed write may have ended one on its own).
    virtual bool inTransaction() const = 0;
    // The last failure was a repeated primary key or unique value.
    virtual bool lastErrorIsKeyViolation() const = 0;
};

} // namespace kestar
