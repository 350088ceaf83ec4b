#pragma once

#include "data/Dataset.h"

#include <QList>
#include <QString>
#include <functional>

struct sqlite3;
struct sqlite3_stmt;

namespace kestar::check {

// One table file opened read only with SQLite itself, described the way the program's engine
// describes it when it attaches the file: the table named like the file (else the first one),
// its fields with the types their declarations give, the key and the hidden order column.
// Nothing is ever written, not even a journal.
//
// The check reads the SQLite table files themselves, beneath the engine and its backend, so
// that it sees exactly the bytes a damaged or foreign file holds: like the SQLite backend
// (data/sqlite), it is SQLite's own reader, and a folder on another backend is checked through
// that backend instead.
class StoredTable
{
public:
    // Column i of a visited row is field i of fields().
    using RowVisitor = std::function<void(qint64 rowNumber, sqlite3_stmt* row)>;

    // Opens and describes the file; raises EngineError with SQLite's or the engine's text.
    explicit StoredTable(const QString& path);
    ~StoredTable();
    StoredTable(const StoredTable&) = delete;
    StoredTable& operator=(const StoredTable&) = delete;

    QString path() const { return m_path; }
    QString tableName() const { return m_table; }
    const QList<FieldDef>& fields() const { return m_fields; }
    // Index of a field by name, case ignored; -1 when there is none.
    int fieldIndex(const QString& name) const;
    QString key() const { return m_key; }

    // How many rows the table holds.
    qint64 rowCount() const;

    // Visits every row, counted from 1: in natural order (key order, else the order column)
    // or, when the order does not matter, in storage order, which is faster. Returns the number
    // of rows visited. A read that fails part way raises EngineError naming the row reached.
    qint64 walk(const RowVisitor& visit, bool naturalOrder = true) const;

    // Visits the one row with the given SQLite row id (walk's rows carry it in no column;
    // rowIdColumn() tells where to find it). Returns false when there is none.
    bool visitRow(qint64 rowId, const RowVisitor& visit) const;
    // The extra column that walk appends to every row: the row's id in the file.
    int rowIdColumn() const { return int(m_fields.size()); }

private:
    QString selectList() const;

    QString m_path;
    sqlite3* m_db = nullptr;
    QString m_table;
    QList<FieldDef> m_fields;
    QString m_key;
    bool m_hasOrder = false;
};

} // namespace kestar::check
