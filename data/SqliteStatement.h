#pragma once

#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

namespace kestar {

// One prepared SQLite statement, finalized with the object. Values cross as QVariant:
// NULL <-> invalid QVariant, INTEGER <-> qint64, REAL <-> double, TEXT <-> QString.
class SqliteStatement
{
public:
    SqliteStatement() = default;
    // Prepares the statement; raises EngineError with SQLite's text when it does not compile.
    SqliteStatement(sqlite3* db, const QString& sql);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool isValid() const { return m_stmt != nullptr; }
    sqlite3_stmt* get() const { return m_stmt; }

    // Parameters count from 1, as in SQLite.
    void bind(int index, const QVariant& value);
    // Resets the statement and clears its parameters; a reset statement holds no read lock.
    void reset();
    // True while a row is available; false when done. Errors raise EngineError.
    bool step();
    // Runs the statement to its end and resets it.
    void run();

    int columnCount() const;
    QVariant column(int index) const;
    qint64 columnInt(int index) const;
    QString columnName(int index) const;
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
