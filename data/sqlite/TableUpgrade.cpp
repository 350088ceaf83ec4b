#include "data/sqlite/TableUpgrade.h"

#include "data/EngineError.h"
#include "data/Schema.h"
#include "data/sqlite/SearchIndex.h"
#include "data/sqlite/SqliteStatement.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace kestar::TableUpgrade {

namespace {

// One connection of its own, closed however the upgrade ends.
class Connection
{
public:
    explicit Connection(const QString& path)
    {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
            const QString error = m_db ? sqliteError(m_db) : QStringLiteral("out of memory");
            sqlite3_close(m_db);
            m_db = nullptr;
            throw EngineError(error);
        }
        sqlite3_extended_result_codes(m_db, 1);
        sqlite3_busy_timeout(m_db, 5000);
    }
    ~Connection() { sqlite3_close_v2(m_db); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    sqlite3* get() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};

QSet<QString> namesOf(sqlite3* db, const QString& type)
{
    SqliteStatement names(db, QStringLiteral("SELECT lower(name) FROM sqlite_master WHERE "
                                             "type = ?1"));
    names.bind(1, type);
    QSet<QString> found;
    while (names.step())
        found.insert(names.column(0).toString());
    names.reset();
    return found;
}

QSet<QString> columnsOf(sqlite3* db, const QString& table)
{
    SqliteStatement info(db, QStringLiteral("SELECT lower(name) FROM pragma_table_info(?1)"));
    info.bind(1, table);
    QSet<QString> columns;
    while (info.step())
        columns.insert(info.column(0).toString());
    info.reset();
    return columns;
}

// The statements that make what the file lacks, each only over columns the table has.
QStringList missing(sqlite3* db, const TableDef& def)
{
    const QSet<QString> tables = namesOf(db, QStringLiteral("table"));
    if (!tables.contains(def.name.toLower()))
        return {};
    const QSet<QString> indexes = namesOf(db, QStringLiteral("index"));
    const QSet<QString> columns = columnsOf(db, def.name);
    QStringList statements;
    for (const Schema::IndexDef& index : Schema::indexes(def)) {
        bool over = !indexes.contains(index.name.toLower());
        for (const QString& field : index.fields)
            over = over && columns.contains(field.toLower());
        if (over)
            statements.append(index.sql);
    }
    for (const QString& field : def.searchFields) {
        if (!tables.contains(SearchIndex::indexName(def.name, field).toLower()) &&
            columns.contains(field.toLower()))
            statements.append(SearchIndex::createStatements(def.name, field));
    }
    return statements;
}

} // namespace

bool upgrade(const QString& path)
{
    const QString name = QFileInfo(path).completeBaseName();
    const TableDef* def = nullptr;
    for (const TableDef& candidate : Schema::tables()) {
        if (candidate.name.compare(name, Qt::CaseInsensitive) == 0)
            def = &candidate;
    }
    if (!def || ::access(QFile::encodeName(path).constData(), W_OK) != 0)
        return false;
    Connection connection(path);
    sqlite3* db = connection.get();
    if (missing(db, *def).isEmpty())
        return false;
    sqliteExec(db, QStringLiteral("PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; "
                                  "BEGIN IMMEDIATE"));
    try {
        // Looked at again inside the transaction: another program may have done it meanwhile.
        for (const QString& statement : missing(db, *def))
            sqliteExec(db, statement);
        sqliteExec(db, QStringLiteral("COMMIT"));
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    return true;
}

} // namespace kestar::TableUpgrade
