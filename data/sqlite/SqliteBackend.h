#pragma once

#include "data/Backend.h"
#include "data/sqlite/SqliteStatement.h"

#include <QString>
#include <map>
#include <memory>

struct sqlite3;

namespace kestar {

// The embedded backend: one SQLite connection whose main database is a private scratch file
// (so that a transaction over several table files commits atomically), each table file of the
// data folder attached under its alias when first needed. Rollback journals (journal_mode=
// DELETE, synchronous=FULL) on every file; the program's own case-folding LIKE replaces
// SQLite's, which folds ASCII letters only.
class SqliteBackend final : public Backend
{
public:
    // Opens the connection on the scratch database at mainPath.
    explicit SqliteBackend(const QString& mainPath);
    ~SqliteBackend() override;
    SqliteBackend(const SqliteBackend&) = delete;
    SqliteBackend& operator=(const SqliteBackend&) = delete;

    // The connection, for tests that look beneath the engine.
    sqlite3* handle() const { return m_db; }

    std::unique_ptr<Statement> prepare(const QString& sql) override;
    void exec(const QString& sql) override;

    QString rowId() const override { return QStringLiteral("rowid"); }
    QString parameter(int n) const override { return QStringLiteral("?%1").arg(n); }
    QString foldingLike(const QString& operand, const QString& pattern) const override;
    QString lockForUpdate() const override { return {}; }
    void rollback() override;
    void commit(const QStringList&) override;
    // The engine's statements are written in SQLite's spelling already.
    QString spell(const QString& sql) const override { return sql; }

    std::shared_ptr<TableFile> attach(const QString& path, const QString& alias,
                                      const std::function<void()>& makeRoom) override;
    bool detach(const TableFile& file) override;
    void prepareWrite(const QList<std::shared_ptr<TableFile>>& files) override;
    std::optional<QList<qint64>> searchCandidates(const TableFile& file, const QString& field,
                                                  const QString& pattern, int limit) override;

    bool inTransaction() const override;
    bool lastErrorIsKeyViolation() const override;

private:
    void describe(TableFile& file);
    SqliteStatement& searchStatement(const QString& sql);

    sqlite3* m_db = nullptr;
    std::unique_ptr<SqliteStatement> m_rollback, m_commit;
    // The search index's statements name files by alias: forgotten when one is detached.
    std::map<QString, std::unique_ptr<SqliteStatement>> m_searchStatements;
};

} // namespace kestar
