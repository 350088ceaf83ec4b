#pragma once

#include "data/Statement.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

namespace kestar {

class Backend;

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

private:
    Statement& statementFor(const QList<int>& changed);

    Backend* m_backend = nullptr;
    QString m_table;
    QStringList m_columns;
    QHash<QList<int>, std::shared_ptr<Statement>> m_statements;
    std::shared_ptr<Statement> m_exists;
};

// The columns whose value in row differs from original, by index. A value counts as changed
// when its type differs too, so that a stored text is replaced by the number it now holds.
QList<int> changedColumns(const QList<QVariant>& original, const QList<QVariant>& row);

} // namespace kestar
