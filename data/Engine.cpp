#include "data/Engine.h"

#include "data/EngineError.h"
#include "data/EngineScratch.h"
#include "data/FieldValue.h"
#include "data/Query.h"
#include "data/Schema.h"
#include "data/SearchIndex.h"
#include "data/SqliteLike.h"
#include "data/SqliteStatement.h"
#include "data/SqliteTableStatements.h"
#include "data/Table.h"
#include "data/TableUpgrade.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace kestar {

namespace {

// The entry of folder whose name is name, exactly or else without regard to letter case.
QString findEntry(const QDir& folder, const QString& name)
{
    if (QFileInfo::exists(folder.filePath(name)))
        return folder.filePath(name);
    const QStringList entries =
        folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return folder.filePath(entry);
    }
    return {};
}

QString identifier(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

} // namespace

Engine::Engine(QObject* parent) : QObject(parent), m_scratch(std::make_unique<EngineScratch>())
{
    if (!m_scratch->isValid())
        throw EngineError(QStringLiteral("Pomocni folder za rad sa tabelama ne moze da se "
                                         "napravi!!!"));
    // The main database must be a real file in rollback-journal mode: only then does SQLite
    // commit a transaction over several attached files atomically.
    const QByteArray mainPath = QFile::encodeName(m_scratch->filePath(QStringLiteral("engine.db")));
    if (sqlite3_open_v2(mainPath.constData(), &m_db,
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
    sqliteExec(m_db, QStringLiteral("PRAGMA main.journal_mode=DELETE; PRAGMA main.synchronous=FULL;"
                                    "CREATE TABLE IF NOT EXISTS main.scratch(x);"));
    registerLike(m_db);
    m_begin = std::make_unique<SqliteStatement>(m_db, QStringLiteral("BEGIN IMMEDIATE"));
    m_commit = std::make_unique<SqliteStatement>(m_db, QStringLiteral("COMMIT"));
    m_rollback = std::make_unique<SqliteStatement>(m_db, QStringLiteral("ROLLBACK"));
    m_savepoint = std::make_unique<SqliteStatement>(m_db, QStringLiteral("SAVEPOINT kestar_write"));
    m_release = std::make_unique<SqliteStatement>(m_db, QStringLiteral("RELEASE kestar_write"));
    m_rollbackTo =
        std::make_unique<SqliteStatement>(m_db, QStringLiteral("ROLLBACK TO kestar_write"));
}

Engine::~Engine()
{
    m_idleStatements.clear();
    m_ownStatements.clear();
    m_begin.reset();
    m_commit.reset();
    m_rollback.reset();
    m_savepoint.reset();
    m_release.reset();
    m_rollbackTo.reset();
    // Cursors that outlive the engine hold finalized nothing: they are the caller's to close
    // first. sqlite3_close_v2 waits for any statement still alive.
    sqlite3_close_v2(m_db);
}

std::unique_ptr<Table> Engine::table(const QString& name)
{
    return std::make_unique<Table>(*this, name);
}

std::unique_ptr<Query> Engine::query(const QString& sql)
{
    return std::make_unique<Query>(*this, sql);
}

sqlite3* Engine::handle()
{
    return m_db;
}

QString Engine::resolve(const QString& name) const
{
    QString path = name.trimmed();
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const auto missing = [&name]() {
        return EngineError(QStringLiteral("Table does not exist: %1").arg(name));
    };
    if (path.isEmpty())
        throw missing();
    if (QDir::isRelativePath(path))
        path = QDir::current().absoluteFilePath(path);
    QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        throw missing();
    const QString fileName = parts.takeLast();

    QString folder = QStringLiteral("/");
    for (const QString& part : std::as_const(parts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            folder = QFileInfo(folder).dir().absolutePath();
            continue;
        }
        const QString found = findEntry(QDir(folder), part);
        if (found.isEmpty() || !QFileInfo(found).isDir())
            throw missing();
        folder = found;
    }
    QString found;
    const bool hasExtension = fileName.endsWith(QLatin1String(".db"), Qt::CaseInsensitive);
    if (!hasExtension) {
        found = findEntry(QDir(folder), fileName + QStringLiteral(".db"));
        if (!found.isEmpty() && !QFileInfo(found).isFile())
            found.clear();
    }
    if (found.isEmpty())
        found = findEntry(QDir(folder), fileName);
    if (found.isEmpty() || !QFileInfo(found).isFile())
        throw missing();
    return QFileInfo(found).canonicalFilePath();
}

std::shared_ptr<const TableFile> Engine::attach(const QString& name)
{
    const QString path = resolve(name);
    if (auto known = m_files.value(path))
        return known;
    if (inTransaction())
        throw EngineError(
            QStringLiteral("Cannot open table %1 inside a transaction: it lies outside the data "
                           "folder")
                .arg(name));
    return attachFile(path);
}

std::shared_ptr<TableFile> Engine::attachFile(const QString& path)
{
    try {
        TableUpgrade::upgrade(path);
    } catch (const EngineError&) {
        // A file another program holds, or a full disk: it is read as it is, only slower.
    }
    auto file = std::make_shared<TableFile>();
    file->path = path;
    file->alias = QStringLiteral("t%1").arg(m_nextAlias++);
    {
        SqliteStatement attach(m_db, QStringLiteral("ATTACH DATABASE ?1 AS %1").arg(file->alias));
        attach.bind(1, path);
        try {
            attach.run();
        } catch (const EngineError&) {
            // Attachments nobody uses any more make room (SQLite allows only so many).
            detachUnused();
            attach.reset();
            attach.bind(1, path);
            attach.run();
        }
    }
    try {
        const QString alias = file->alias;
        sqliteExec(m_db,
                   QStringLiteral("PRAGMA %1.journal_mode=DELETE; PRAGMA %1.synchronous=FULL;")
                       .arg(alias));
        SqliteStatement tables(m_db, QStringLiteral("SELECT name FROM %1.sqlite_master WHERE "
                                                    "type='table' AND substr(name,1,7)<>'sqlite_' "
                                                    "ORDER BY rowid")
                                         .arg(alias));
        const QString baseName = QFileInfo(path).completeBaseName();
        while (tables.step()) {
            const QString table = tables.column(0).toString();
            if (file->table.isEmpty() || table.compare(baseName, Qt::CaseInsensitive) == 0)
                file->table = table;
        }
        tables.reset();
        if (file->table.isEmpty())
            throw EngineError(QStringLiteral("Datoteka %1 ne sadrzi tabelu!!!").arg(path));
        file->qualified = identifier(alias) + QLatin1Char('.') + identifier(file->table);

        SqliteStatement info(
            m_db, QStringLiteral("PRAGMA %1.table_info(%2)").arg(alias, identifier(file->table)));
        int keyCount = 0;
        QString key;
        while (info.step()) {
            const QString column = info.column(1).toString();
            if (column.compare(QLatin1String(Schema::kOrderColumn), Qt::CaseInsensitive) == 0) {
                file->hasOrder = true;
                continue;
            }
            file->fields.append({column, FieldValue::typeFromSql(info.column(2).toString())});
            if (info.columnInt(5) > 0) {
                ++keyCount;
                key = column;
            }
        }
        info.reset();
        if (keyCount == 1)
            file->key = key;
        describeSearch(*file);
    } catch (...) {
        sqliteExec(m_db, QStringLiteral("DETACH DATABASE %1").arg(file->alias));
        throw;
    }
    m_files.insert(path, file);
    return file;
}

void Engine::describeSearch(TableFile& file)
{
    SqliteStatement names(m_db, QStringLiteral("SELECT name FROM %1.sqlite_master WHERE "
                                               "type = 'table' AND name = ?1")
                                    .arg(file.alias));
    for (const FieldDef& field : std::as_const(file.fields)) {
        names.bind(1, SearchIndex::indexName(file.table, field.name));
        if (names.step())
            file.searchFields.append(field.name);
        names.reset();
    }
}

void Engine::attachDataFolder()
{
    // ATTACH is refused inside a transaction: make every table of the data folder reachable
    // before it begins.
    QString folder;
    try {
        folder = findEntry(QDir::current(), QStringLiteral("podaci"));
    } catch (...) {
        return;
    }
    if (folder.isEmpty())
        return;
    const QStringList entries = QDir(folder).entryList(QDir::Files);
    for (const QString& entry : entries) {
        if (!entry.endsWith(QLatin1String(".db"), Qt::CaseInsensitive))
            continue;
        const QString path = QFileInfo(QDir(folder).filePath(entry)).canonicalFilePath();
        if (m_files.contains(path))
            continue;
        try {
            attachFile(path);
        } catch (const EngineError&) {
            // Not a table file; a statement naming it reports the fault itself.
        }
    }
}

void Engine::detachUnused()
{
    for (auto it = m_files.begin(); it != m_files.end();) {
        if (it.value().use_count() == 1) {
            // Statements kept for the file would reach whatever is attached under its name next.
            forgetStatements(it.key());
            try {
                sqliteExec(m_db, QStringLiteral("DETACH DATABASE %1").arg(it.value()->alias));
                it = m_files.erase(it);
                continue;
            } catch (const EngineError&) {
            }
        }
        ++it;
    }
}

void Engine::reopenWritable()
{
    // SQLite opens a file it may not write read-only and keeps it so; once the file can be
    // written again it is attached anew under the same name, which the prepared statements
    // follow on their own.
    for (const std::shared_ptr<TableFile>& file : std::as_const(m_files)) {
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
            sqliteExec(m_db,
                       QStringLiteral("PRAGMA %1.journal_mode=DELETE; PRAGMA %1.synchronous=FULL;")
                           .arg(file->alias));
        } catch (const EngineError&) {
            // Still read-only or busy: the write that follows reports it.
        }
    }
}

QString Engine::column(const TableFile& file, const QString& field)
{
    for (const FieldDef& def : file.fields) {
        if (def.name.compare(field, Qt::CaseInsensitive) == 0)
            return identifier(def.name);
    }
    throw EngineError(QStringLiteral("Field '%1' not found").arg(field));
}

SqliteStatement& Engine::prepared(const QString& sql)
{
    auto& kept = m_ownStatements[sql];
    if (!kept)
        kept = std::make_unique<SqliteStatement>(m_db, sql);
    return *kept;
}

void Engine::forgetStatements(const QString& path)
{
    m_idleStatements.erase(path);
    // The engine's own statements name files by their schema alias only: all of them go.
    m_ownStatements.clear();
}

std::unique_ptr<SqliteTableStatements> Engine::tableStatements(const TableFile& file,
                                                               const QString& orderColumn,
                                                               bool keyed, qint64 orderStep)
{
    auto idle = m_idleStatements.find(file.path);
    if (idle != m_idleStatements.end() && !idle->second.empty()) {
        std::unique_ptr<SqliteTableStatements> statements = std::move(idle->second.back());
        idle->second.pop_back();
        return statements;
    }
    return SqliteTableStatements::prepare(m_db, file, orderColumn, keyed, orderStep);
}

void Engine::keepTableStatements(const TableFile& file,
                                 std::unique_ptr<SqliteTableStatements> statements)
{
    // A few cursors on one file at a time is the most the pages open.
    constexpr size_t kKept = 4;
    auto& idle = m_idleStatements[file.path];
    if (statements && idle.size() < kKept && m_files.value(file.path).get() == &file)
        idle.push_back(std::move(statements));
}

bool Engine::holds(const QString& table, const QString& field, const QVariant& value)
{
    const auto file = attach(table);
    SqliteStatement& find = prepared(QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?1 LIMIT 1")
                                         .arg(file->qualified, column(*file, field)));
    find.bind(1, value);
    const bool found = find.step();
    find.reset();
    return found;
}

std::optional<qint64> Engine::largestInteger(const QString& table, const QString& field)
{
    const auto file = attach(table);
    const QString name = column(*file, field);
    // The plain maximum is one step along the index; only a value of another type stored in
    // the field (text sorts after every number) needs the scan that passes it over.
    const QString select = QStringLiteral("SELECT max(%2) FROM %1").arg(file->qualified, name);
    for (const QString& sql :
         {select, select + QStringLiteral(" WHERE typeof(%1) = 'integer'").arg(name)}) {
        SqliteStatement& largest = prepared(sql);
        const QVariant value = largest.step() ? largest.column(0) : QVariant();
        largest.reset();
        if (!value.isValid())
            return std::nullopt;
        if (value.typeId() == QMetaType::LongLong)
            return value.toLongLong();
    }
    return std::nullopt;
}

void Engine::write(const QString& path, const QObject* writer, const std::function<void()>& work)
{
    emit aboutToWrite();
    if (!inTransaction()) {
        reopenWritable();
        m_begin->run();
        try {
            work();
            m_commit->run();
        } catch (...) {
            if (!sqlite3_get_autocommit(m_db)) {
                try {
                    m_rollback->run();
                } catch (const EngineError&) {
                }
            }
            throw;
        }
        emit tableWritten(path, writer);
        emit tableChanged(path);
        return;
    }
    m_savepoint->run();
    try {
        work();
        m_release->run();
    } catch (...) {
        try {
            m_rollbackTo->run();
            m_release->run();
        } catch (const EngineError&) {
        }
        throw;
    }
    m_levels.last().insert(path);
    emit tableWritten(path, writer);
}

void Engine::begin()
{
    emit aboutToWrite();
    if (m_levels.isEmpty()) {
        attachDataFolder();
        reopenWritable();
        m_begin->run();
    } else {
        sqliteExec(m_db, QStringLiteral("SAVEPOINT kestar_level%1").arg(m_levels.size()));
    }
    m_levels.append(QSet<QString>());
}

void Engine::commit()
{
    if (m_levels.isEmpty())
        throw EngineError(QStringLiteral("No transaction is active"));
    emit aboutToWrite();
    if (m_levels.size() == 1) {
        m_commit->run();
        const QSet<QString> written = m_levels.takeLast();
        notifyWritten(written, true, false);
        return;
    }
    sqliteExec(m_db, QStringLiteral("RELEASE kestar_level%1").arg(m_levels.size() - 1));
    const QSet<QString> written = m_levels.takeLast();
    m_levels.last().unite(written);
}

void Engine::rollback()
{
    if (m_levels.isEmpty())
        return;
    emit aboutToWrite();
    const QSet<QString> written = m_levels.takeLast();
    try {
        if (m_levels.isEmpty()) {
            if (!sqlite3_get_autocommit(m_db))
                m_rollback->run();
        } else {
            const int level = m_levels.size();
            sqliteExec(
                m_db,
                QStringLiteral("ROLLBACK TO kestar_level%1; RELEASE kestar_level%1").arg(level));
            m_levels.last().unite(written);
        }
    } catch (const EngineError&) {
        // SQLite has already rolled the transaction back (an I/O fault ends it on its own).
    }
    notifyWritten(written, m_levels.isEmpty(), true);
}

void Engine::notifyWritten(const QSet<QString>& paths, bool committed, bool rolledBack)
{
    // The cursors heard of every write as it happened; a rollback undoes writes they may hold.
    if (rolledBack) {
        for (const QString& path : paths)
            emit tableWritten(path, nullptr);
    }
    if (committed) {
        for (const QString& path : paths)
            emit tableChanged(path);
    }
}

} // namespace kestar
