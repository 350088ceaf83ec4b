#pragma once

#include "data/Statement.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

class QObject;

namespace kestar {

class Backend;
class Engine;

// Writes the changed columns of one row back by rowid. Only the columns that changed are set,
// so an edit of one quantity neither rewrites the other fields nor touches the indexes of
// columns it left alone. One prepared statement is kept per set of changed columns.
class RowUpdates
{
public:
    RowUpdates() = default;
    // qualifiedTable: how statements reach the table; columns: the table's columns by index.
    RowUpdates(Backend& backend, const QString& qualifiedTable, const QStringList& columns);

    // Sets the columns at the indexes in changed (ascending, no repeats) to their values in
    // row, in the row with the given rowid; returns the number of rows changed (0 when the
    // row is gone). Raises EngineError with SQLite's text on failure.
    int write(qint64 rowid, const QList<int>& changed, const QList<QVariant>& row);

    // What became of a row since it was read.
    enum class Since
    {
        Unchanged,
        Changed,
        Gone
    };
    // Reads the row with the given rowid, locked against other connections until the
    // transaction ends, and compares the columns at the indexes in compared (ascending) with
    // their values in read, the row as it was read before. An edit compares the columns it
    // writes: what another connection changed in the others stays as it is beside the edit.
    Since since(qint64 rowid, const QList<int>& compared, const QList<QVariant>& read);
    // What the user reads when an edit (or, with deleting, a delete) of a row is refused
    // because the row changed or went since it was read.
    static QString refusal(Since since, bool deleting);
    // One write of the table file at path by writer: check first says what became of the row
    // since it was read; unchanged, work writes. Else nothing is written, showAsItIs puts the
    // row on the screen as it is now, and refusal() goes to the caller as the EngineError.
    static void writeUnlessChanged(Engine& engine, const QString& path, const QObject* writer,
                                   bool deleting, const std::function<Since()>& check,
                                   const std::function<void()>& work,
                                   const std::function<void()>& showAsItIs);

private:
    Statement& statementFor(const QList<int>& changed);

    Backend* m_backend = nullptr;
    QString m_table;
    QStringList m_columns;
    QHash<QList<int>, std::shared_ptr<Statement>> m_statements;
    std::shared_ptr<Statement> m_exists;
    QHash<QList<int>, std::shared_ptr<Statement>> m_locks;
};

// The columns whose value in row differs from original, by index. A value counts as changed
// when its type differs too, so that a stored text is replaced by the number it now holds.
QList<int> changedColumns(const QList<QVariant>& original, const QList<QVariant>& row);

} // namespace kestar
