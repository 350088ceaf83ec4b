#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace kestar {

class Engine;

// Writes and reads of many rows of one table in a bounded number of statements, whatever the
// number of rows: for work that posts a whole document or rewrites a whole card at once,
// where a cursor would send one statement per row. Tables are named as for a Table; values
// are in the form FieldValue::fromText gives them. Every write goes through the engine, so
// that the cursors on the table hear of it and a transaction around it holds it.
namespace TableBatch {

// Inserts rows into a table kept in stored order ahead of all its rows, exactly where
// inserting each in turn before the row inserted last, after a move to the first row, puts
// it: the last row ends on top. Each row holds a value for every field, in field order. Two
// statements.
void insertAtFront(Engine& engine, const QString& table, const QList<QList<QVariant>>& rows);

// The values of fields in the rows of a keyed table whose key is one of keys, by key. Inside
// a transaction on tables other workstations share, the rows stay locked until it ends, so
// that what is written back from them is not lost to another's write. One statement.
QHash<QString, QList<QVariant>> readByKey(Engine& engine, const QString& table,
                                          const QStringList& keys, const QStringList& fields);

// Sets fields of rows of a keyed table: each row holds its key, then a value per field.
void updateByKey(Engine& engine, const QString& table, const QStringList& fields,
                 const QList<QList<QVariant>>& rows);

// Sets fields of rows by their row id: each row holds the row id, then a value per field.
void updateByRowId(Engine& engine, const QString& table, const QStringList& fields,
                   const QList<QList<QVariant>>& rows);

} // namespace TableBatch
} // namespace kestar
