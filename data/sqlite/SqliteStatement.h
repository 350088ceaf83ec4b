#pragma once

#include "data/Statement.h"

#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

namespace kestar {

// One prepared SQLite statement, finalized with the object. Values cross as QVariant:
// NULL <-> invalid QVariant, INTEGER <-> qint64, REAL <-> double, TEXT <-> QString.
class SqliteStatement final : public Statement
{
public:
    SqliteStatement() = default;
    // Prepares the statement; raises EngineError with SQLite's text when it does not compile.
    SqliteStatement(sqlite3* db, const QString& sql);
    ~SqliteStatement() override;
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool isValid() const { return m_stmt != nullptr; }
    sqlite3_stmt* get() const { return m_stmt; }

    // Parameters count from 1, as in SQLite.
    void bind(int index, const QVariant& value) override;
    // Resets the statement and clears its parameters; a reset statement holds no read lock.
    void reset() override;
    // True while a row is available; false when done. Errors raise EngineError.
    bool step() override;

    int columnCount() const override;
    QVariant column(int index) const override;
    qint64 columnInt(int index) const override;
    QString columnName(int index) const override;
    void appendRow(RowStore& rows, int first, const QBitArray* wanted) const override;
    qint64 changes() const override;
    qint64 newRowId() const override;
    // The declared type of a result column that is a plain table column, else "".
    QString columnDeclType(int index) const;

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
};

// Runs statements without results on a connection; errors raise EngineError.
void sqliteExec(sqlite3* db, const QString& sql);
// SQLite's text for the last error on the connection.
QString sqliteError(sqlite3* db);

} // namespace kestar
