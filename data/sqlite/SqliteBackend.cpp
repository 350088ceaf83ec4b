#include "data/sqlite/SqliteBackend.h"

#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/FieldValue.h"
#include "data/Schema.h"
#include "data/sqlite/SearchIndex.h"
#include "data/sqlite/SqliteLike.h"
#include "data/sqlite/TableUpgrade.h"

#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace kestar {

namespace {

QString identifier(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

QString durability(const QString& alias)
{
    return QStringLiteral("PRAGMA %1.journal_mode=DELETE; PRAGMA %1.synchronous=FULL;").arg(alias);
}

} // namespace

SqliteBackend::SqliteBackend(const QString& mainPath)
{
    // The main database must be a real file in rollback-journal mode: only then does SQLite
    // commit a transaction over several attached files atomically.
    if (sqlite3_open_v2(QFile::encodeName(mainPath).constData(), &m_db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        const QString error = m_db ? sqliteError(m_db) : QStringLiteral("out of memory");
        sqlite3_close(m_db);
        m_db = nullptr;
        throw EngineError(error);
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_limit(m_db, SQLITE_LIMIT_ATTACHED, 125);
    sqlite3_busy_timeout(m_db, 5000);
    sqliteExec(m_db, durability(QStringLiteral("main")) +
                         QStringLiteral("CREATE TABLE IF NOT EXISTS main.scratch(x);"));
    registerLike(m_db);
    m_rollback = std::make_unique<SqliteStatement>(m_db, QStringLiteral("ROLLBACK"));
    m_commit = std::make_unique<SqliteStatement>(m_db, QStringLiteral("COMMIT"));
}

SqliteBackend::~SqliteBackend()
{
    m_searchStatements.clear();
    m_rollback.reset();
    m_commit.reset();
    // Statements still alive elsewhere are the engine's to finalize first; sqlite3_close_v2
    // waits for any that remain.
    sqlite3_close_v2(m_db);
}

std::unique_ptr<Statement> SqliteBackend::prepare(const QString& sql)
{
    return std::make_unique<SqliteStatement>(m_db, sql);
}

void SqliteBackend::exec(const QString& sql)
{
    sqliteExec(m_db, sql);
}

QString SqliteBackend::foldingLike(const QString& operand, const QString& pattern) const
{
    // LIKE is the program's own function on this connection (registerLike).
    return operand + QStringLiteral(" LIKE ") + pattern;
}

std::shared_ptr<TableFile> SqliteBackend::attach(const QString& path, const QString& alias,
                                                 const std::function<void()>& makeRoom)
{
    try {
        TableUpgrade::upgrade(path);
    } catch (const EngineError&) {
        // A file another program holds, or a full disk: it is read as it is, only slower.
    }
    auto file = std::make_shared<TableFile>();
    file->path = path;
    file->alias = alias;
    SqliteStatement attach(m_db, QStringLiteral("ATTACH DATABASE ?1 AS %1").arg(alias));
    attach.bind(1, path);
    try {
        attach.run();
    } catch (const EngineError&) {
        // SQLite allows only so many attached files.
        makeRoom();
        attach.reset();
        attach.bind(1, path);
        attach.run();
    }
    try {
        sqliteExec(m_db, durability(alias));
        describe(*file);
    } catch (...) {
        sqliteExec(m_db, QStringLiteral("DETACH DATABASE %1").arg(alias));
        throw;
    }
    return file;
}

void SqliteBackend::describe(TableFile& file)
{
    const QString& alias = file.alias;
    SqliteStatement tables(m_db, QStringLiteral("SELECT name FROM %1.sqlite_master WHERE "
                                                "type='table' AND substr(name,1,7)<>'sqlite_' "
                                                "ORDER BY rowid")
                                     .arg(alias));
    const QString baseName = QFileInfo(file.path).completeBaseName();
    while (tables.step()) {
        const QString table = tables.column(0).toString();
        if (file.table.isEmpty() || table.compare(baseName, Qt::CaseInsensitive) == 0)
            file.table = table;
    }
    tables.reset();
    if (file.table.isEmpty())
        throw EngineError(QStringLiteral("Datoteka %1 ne sadrzi tabelu!!!").arg(file.path));
    file.qualified = identifier(alias) + QLatin1Char('.') + identifier(file.table);

    SqliteStatement info(
        m_db, QStringLiteral("PRAGMA %1.table_info(%2)").arg(alias, identifier(file.table)));
    int keyCount = 0;
    QString key;
    while (info.step()) {
        const QString column = info.column(1).toString();
        if (column.compare(QLatin1String(Schema::kOrderColumn), Qt::CaseInsensitive) == 0) {
            file.hasOrder = true;
            continue;
        }
        file.fields.append({column, FieldValue::typeFromSql(info.column(2).toString())});
        if (info.columnInt(5) > 0) {
            ++keyCount;
            key = column;
        }
    }
    info.reset();
    if (keyCount == 1)
        file.key = key;

    SqliteStatement names(m_db, QStringLiteral("SELECT name FROM %1.sqlite_master WHERE "
                                               "type = 'table' AND name = ?1")
                                    .arg(alias));
    for (const FieldDef& field : std::as_const(file.fields)) {
        names.bind(1, SearchIndex::indexName(file.table, field.name));
        if (names.step())
            file.searchFields.append(field.name);
        names.reset();
    }
}

bool SqliteBackend::detach(const TableFile& file)
{
    m_searchStatements.clear();
    try {
        sqliteExec(m_db, QStringLiteral("DETACH DATABASE %1").arg(file.alias));
        return true;
    } catch (const EngineError&) {
        return false;
    }
}

void SqliteBackend::prepareWrite(const QList<std::shared_ptr<TableFile>>& files)
{
    // SQLite opens a file it may not write read-only and keeps it so; once the file can be
    // written again it is attached anew under the same name, which the prepared statements
    // follow on their own.
    for (const std::shared_ptr<TableFile>& file : files) {
        const QByteArray alias = file->alias.toUtf8();
        if (sqlite3_db_readonly(m_db, alias.constData()) != 1)
            continue;
        if (::faccessat(AT_FDCWD, QFile::encodeName(file->path).constData(), W_OK, AT_EACCESS) != 0)
            continue;
        try {
            sqliteExec(m_db, QStringLiteral("DETACH DATABASE %1").arg(file->alias));
            SqliteStatement attach(m_db,
                                   QStringLiteral("ATTACH DATABASE ?1 AS %1").arg(file->alias));
            attach.bind(1, file->path);
            attach.run();
            sqliteExec(m_db, durability(file->alias));
        } catch (const EngineError&) {
            // Still read-only or busy: the write that follows reports it.
        }
    }
}

SqliteStatement& SqliteBackend::searchStatement(const QString& sql)
{
    auto& kept = m_searchStatements[sql];
    if (!kept)
        kept = std::make_unique<SqliteStatement>(m_db, sql);
    return *kept;
}

std::optional<QList<qint64>> SqliteBackend::searchCandidates(const TableFile& file,
                                                             const QString& field,
                                                             const QString& pattern, int limit)
{
    return SearchIndex::candidates(
        m_db, [this](const QString& sql) -> SqliteStatement& { return searchStatement(sql); },
        file.alias, file.table, field, pattern, limit);
}

void SqliteBackend::rollback()
{
    m_rollback->run();
}

void SqliteBackend::commit(const QStringList&)
{
    // Nobody else reaches the tables while the program runs: nobody to tell.
    m_commit->run();
}

bool SqliteBackend::inTransaction() const
{
    return !sqlite3_get_autocommit(m_db);
}

bool SqliteBackend::lastErrorIsKeyViolation() const
{
    const int code = sqlite3_extended_errcode(m_db);
    return code == SQLITE_CONSTRAINT_PRIMARYKEY || code == SQLITE_CONSTRAINT_UNIQUE;
}

} // namespace kestar
