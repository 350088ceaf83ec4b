#include "data/Engine.h"

#include "data/DataStore.h"
#include "data/EngineError.h"
#include "data/EngineScratch.h"
#include "data/TableStatements.h"
#include "data/pg/PgBackend.h"
#include "data/sqlite/SqliteBackend.h"

#include <QDir>
#include <QFileInfo>
#include <limits>

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

Engine::Engine(QObject* parent) : Engine(DataStore::dataFolderHere(), parent) {}

Engine::Engine(const QString& dataFolder, QObject* parent) : QObject(parent)
{
    // The one place where the store is chosen: a data folder naming a database keeps its
    // tables there, any other its SQLite files.
    const QString connection = DataStore::connectionString(dataFolder);
    if (!connection.isEmpty()) {
        m_backend = std::make_unique<PgBackend>(connection);
    } else {
        m_scratch = std::make_unique<EngineScratch>();
        if (!m_scratch->isValid())
            throw EngineError(QStringLiteral("Pomocni folder za rad sa tabelama ne moze da se "
                                             "napravi!!!"));
        m_backend =
            std::make_unique<SqliteBackend>(m_scratch->filePath(QStringLiteral("engine.db")));
    }
    m_begin = m_backend->prepare(m_backend->beginTransaction());
    m_savepoint = m_backend->prepare(QStringLiteral("SAVEPOINT kestar_write"));
    m_release = m_backend->prepare(QStringLiteral("RELEASE kestar_write"));
    m_rollbackTo = m_backend->prepare(QStringLiteral("ROLLBACK TO kestar_write"));
}

Engine::~Engine()
{
    m_idleStatements.clear();
    m_ownStatements.clear();
    m_begin.reset();
    m_savepoint.reset();
    m_release.reset();
    m_rollbackTo.reset();
    // Cursors that outlive the engine hold finalized nothing: they are the caller's to close
    // first.
    m_backend.reset();
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
    const bool hasExtension = fileName.endsWith(QLatin1String(".db"), Qt::CaseInsensitive);
    if (!m_backend->keepsTablesInFiles()) {
        // The file's name without its extension names a table of the database.
        const QString table = m_backend->tableNamed(hasExtension ? fileName.chopped(3) : fileName);
        if (table.isEmpty())
            throw missing();
        return QFileInfo(folder).canonicalFilePath() + QLatin1Char('/') + table +
               QStringLiteral(".db");
    }
    QString found;
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
    if (inTransaction() && m_backend->keepsTablesInFiles())
        throw EngineError(
            QStringLiteral("Cannot open table %1 inside a transaction: it lies outside the data "
                           "folder")
                .arg(name));
    return attachFile(path);
}

std::shared_ptr<TableFile> Engine::attachFile(const QString& path)
{
    const QString alias = QStringLiteral("t%1").arg(m_nextAlias++);
    std::shared_ptr<TableFile> file = m_backend->attach(path, alias, [this]() { detachUnused(); });
    m_files.insert(path, file);
    return file;
}

void Engine::attachDataFolder()
{
    // ATTACH is refused inside a transaction: make every table of the data folder reachable
    // before it begins.
    if (!m_backend->keepsTablesInFiles())
        return;
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
            if (m_backend->detach(*it.value())) {
                it = m_files.erase(it);
                continue;
            }
        }
        ++it;
    }
}

void Engine::reopenWritable()
{
    m_backend->prepareWrite(m_files.values());
}

QString Engine::column(const TableFile& file, const QString& field)
{
    for (const FieldDef& def : file.fields) {
        if (def.name.compare(field, Qt::CaseInsensitive) == 0)
            return identifier(def.name);
    }
    throw EngineError(QStringLiteral("Field '%1' not found").arg(field));
}

Statement& Engine::prepared(const QString& sql)
{
    auto& kept = m_ownStatements[sql];
    if (!kept)
        kept = m_backend->prepare(sql);
    return *kept;
}

void Engine::forgetStatements(const QString& path)
{
    m_idleStatements.erase(path);
    // The engine's own statements name files by their schema alias only: all of them go.
    m_ownStatements.clear();
}

std::unique_ptr<TableStatements> Engine::tableStatements(const TableFile& file,
                                                         const QString& orderColumn, bool keyed,
                                                         qint64 orderStep)
{
    auto idle = m_idleStatements.find(file.path);
    if (idle != m_idleStatements.end() && !idle->second.empty()) {
        std::unique_ptr<TableStatements> statements = std::move(idle->second.back());
        idle->second.pop_back();
        return statements;
    }
    return TableStatements::prepare(*m_backend, file, orderColumn, keyed, orderStep);
}

void Engine::keepTableStatements(const TableFile& file, std::unique_ptr<TableStatements> statements)
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
    // A whole-number field takes 32-bit values only: a larger one is held nowhere (and a
    // typed database would refuse to compare with it).
    for (const FieldDef& def : file->fields) {
        if (def.type == FieldType::Integer && def.name.compare(field, Qt::CaseInsensitive) == 0 &&
            (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int)) {
            const qint64 number = value.toLongLong();
            if (number < std::numeric_limits<qint32>::min() ||
                number > std::numeric_limits<qint32>::max())
                return false;
        }
    }
    Statement& find =
        prepared(QStringLiteral("SELECT 1 FROM %1 WHERE %2 = %3 LIMIT 1")
                     .arg(file->qualified, column(*file, field), m_backend->parameter(1)));
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
         {select, select + QStringLiteral(" WHERE ") + m_backend->integerValuesOnly(name)}) {
        Statement& largest = prepared(sql);
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
            commitWritten({path});
        } catch (...) {
            if (m_backend->inTransaction()) {
                try {
                    m_backend->rollback();
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
        ++m_transactionNumber;
    } else {
        m_backend->exec(QStringLiteral("SAVEPOINT kestar_level%1").arg(m_levels.size()));
    }
    m_levels.append(QSet<QString>());
}

void Engine::commit()
{
    if (m_levels.isEmpty())
        throw EngineError(QStringLiteral("No transaction is active"));
    emit aboutToWrite();
    if (m_levels.size() == 1) {
        commitWritten(m_levels.last());
        const QSet<QString> written = m_levels.takeLast();
        notifyWritten(written, true, false);
        return;
    }
    m_backend->exec(QStringLiteral("RELEASE kestar_level%1").arg(m_levels.size() - 1));
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
            if (m_backend->inTransaction())
                m_backend->rollback();
        } else {
            const int level = m_levels.size();
            m_backend->exec(
                QStringLiteral("ROLLBACK TO kestar_level%1; RELEASE kestar_level%1").arg(level));
            m_levels.last().unite(written);
        }
    } catch (const EngineError&) {
        // SQLite has already rolled the transaction back (an I/O fault ends it on its own).
    }
    notifyWritten(written, m_levels.isEmpty(), true);
}

void Engine::commitWritten(const QSet<QString>& paths)
{
    QStringList tables;
    for (const QString& path : paths) {
        if (const auto file = m_files.value(path))
            tables.append(file->table);
    }
    tables.sort();
    m_backend->commit(tables);
}

void Engine::lockKeys(const QString& table, const QStringList& keys)
{
    if (!inTransaction())
        throw EngineError(QStringLiteral("No transaction is active"));
    m_backend->lockKeys(attach(table)->table, keys);
}

void Engine::listenToOtherWorkstations()
{
    m_backend->listenForChanges([this](const QStringList& tables) { heardFromOthers(tables); });
}

void Engine::heardFromOthers(const QStringList& tables)
{
    QStringList paths;
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it) {
        if (tables.isEmpty() || tables.contains(it.value()->table, Qt::CaseInsensitive))
            paths.append(it.key());
    }
    for (const QString& path : std::as_const(paths)) {
        emit tableWritten(path, nullptr);
        emit tableChanged(path);
    }
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
