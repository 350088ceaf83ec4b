#include "backup/pgcopy/PgTableCopy.h"

#include "backup/pgcopy/PgSharedRows.h"
#include "data/EngineError.h"
#include "data/Schema.h"
#include "data/pg/PgBackend.h"
#include "data/pg/PgConnection.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <charconv>
#include <libpq-fe.h>
#include <sqlite3.h>

namespace kestar::PgTableCopy {

namespace {

// Rows fetched from the server at a time while a table is exported: the ledger never lies in
// memory whole.
constexpr int kFetchRows = 5000;

QString quoted(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

// The stored columns of a table in the order both sides use: the fields, then the order
// column of a table without key.
QStringList columnsOf(const TableDef& def)
{
    QStringList columns;
    for (const FieldDef& field : def.fields)
        columns.append(quoted(field.name));
    if (def.key.isEmpty())
        columns.append(quoted(QString::fromLatin1(Schema::kOrderColumn)));
    return columns;
}

// One SQLite file, opened for the copy and closed on every way out.
class SqliteHandle
{
public:
    SqliteHandle(const QString& path, int flags)
    {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr) !=
            SQLITE_OK)
            fail(path);
        sqlite3_busy_timeout(m_db, 5000);
    }
    ~SqliteHandle()
    {
        sqlite3_finalize(m_statement);
        sqlite3_close(m_db);
    }
    SqliteHandle(const SqliteHandle&) = delete;
    SqliteHandle& operator=(const SqliteHandle&) = delete;

    void exec(const char* sql)
    {
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            fail();
    }
    sqlite3_stmt* prepare(const QString& sql)
    {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &m_statement, nullptr) !=
            SQLITE_OK)
            fail();
        return m_statement;
    }
    [[noreturn]] void fail(const QString& path = {}) const
    {
        const QString text =
            m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
        throw EngineError(path.isEmpty() ? text : QStringLiteral("%1: %2").arg(path, text));
    }

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_statement = nullptr;
};

// The table file of folder holding the table, found without regard to letter case; "" when
// there is none.
QString tableFileIn(const QString& folder, const TableDef& def)
{
    const QString wanted = def.name + QStringLiteral(".db");
    const QStringList entries = QDir(folder).entryList(QDir::Files);
    for (const QString& entry : entries) {
        if (entry.compare(wanted, Qt::CaseInsensitive) == 0)
            return QDir(folder).filePath(entry);
    }
    return {};
}

// A value as COPY's text form takes it: \N for NULL, the separators escaped.
void appendCopyText(QByteArray& line, const char* text, int size)
{
    for (int i = 0; i < size; ++i) {
        const char c = text[i];
        switch (c) {
        case '\\':
            line += "\\\\";
            break;
        case '\t':
            line += "\\t";
            break;
        case '\n':
            line += "\\n";
            break;
        case '\r':
            line += "\\r";
            break;
        default:
            line += c;
        }
    }
}

void appendNumber(QByteArray& line, double value)
{
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    line.append(buffer, error == std::errc() ? int(end - buffer) : 0);
}

// One stored value of a SQLite row in COPY's text form, as the column of the field takes it.
void appendValue(QByteArray& line, sqlite3_stmt* row, int column, FieldType type)
{
    const int storage = sqlite3_column_type(row, column);
    if (storage == SQLITE_NULL) {
        line += "\\N";
        return;
    }
    if (type == FieldType::Number && storage != SQLITE_TEXT) {
        appendNumber(line, sqlite3_column_double(row, column));
        return;
    }
    if (type == FieldType::Integer && storage == SQLITE_FLOAT) {
        const double value = sqlite3_column_double(row, column);
        if (value == double(qint64(value))) {
            line += QByteArray::number(qint64(value));
            return;
        }
    }
    // Text, dates (ISO text), whole numbers; a value of another kind goes as it is stored,
    // and the typed column decides.
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(row, column));
    appendCopyText(line, text, sqlite3_column_bytes(row, column));
}

void sendCopy(PgConnection& database, const QByteArray& data)
{
    if (PQputCopyData(database.handle(), data.constData(), int(data.size())) != 1)
        throw EngineError(QString::fromUtf8(PQerrorMessage(database.handle())).trimmed());
}

void loadTable(PgConnection& database, const TableDef& def, const QString& path)
{
    SqliteHandle file(path, SQLITE_OPEN_READONLY);
    const QStringList columns = columnsOf(def);
    const QString order = def.key.isEmpty() ? quoted(QString::fromLatin1(Schema::kOrderColumn)) +
                                                  QStringLiteral(", rowid")
                                            : QStringLiteral("rowid");
    sqlite3_stmt* rows = file.prepare(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                                          .arg(columns.join(", "), quoted(def.name), order));

    database.ensureOpen();
    PGresult* started = PQexec(database.handle(), QStringLiteral("COPY %1 (%2) FROM STDIN")
                                                      .arg(quoted(def.name), columns.join(", "))
                                                      .toUtf8()
                                                      .constData());
    if (PQresultStatus(started) != PGRES_COPY_IN)
        PQclear(database.check(started)); // raises the server's text
    PQclear(started);

    QByteArray chunk;
    int step = SQLITE_ROW;
    QString readError;
    while ((step = sqlite3_step(rows)) == SQLITE_ROW) {
        for (int i = 0; i < columns.size(); ++i) {
            if (i > 0)
                chunk += '\t';
            const FieldType type =
                i < def.fields.size() ? def.fields.at(i).type : FieldType::Integer;
            appendValue(chunk, rows, i, type);
        }
        chunk += '\n';
        if (chunk.size() > (1 << 20)) {
            sendCopy(database, chunk);
            chunk.clear();
        }
    }
    if (step != SQLITE_DONE)
        readError = QStringLiteral("%1: %2").arg(
            path, QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(rows))));
    if (readError.isEmpty() && !chunk.isEmpty())
        sendCopy(database, chunk);
    // A copy ended with an error message is thrown away by the server.
    PQputCopyEnd(database.handle(), readError.isEmpty() ? nullptr : "the table file failed");
    while (PGresult* result = PQgetResult(database.handle()))
        PQclear(readError.isEmpty() ? database.check(result) : result);
    if (!readError.isEmpty())
        throw EngineError(readError);
}

void exportTable(PgConnection& database, const TableDef& def, const QString& folder)
{
    Schema::createTableFile(folder, def);
    const QString path = QDir(folder).filePath(def.name + QStringLiteral(".db"));
    SqliteHandle file(path, SQLITE_OPEN_READWRITE);
    file.exec("BEGIN");
    const QStringList columns = columnsOf(def);
    QStringList parameters;
    for (int i = 0; i <= columns.size(); ++i)
        parameters.append(QStringLiteral("?%1").arg(i + 1));
    sqlite3_stmt* insert =
        file.prepare(QStringLiteral("INSERT INTO %1 (rowid, %2) VALUES (%3)")
                         .arg(quoted(def.name), columns.join(", "), parameters.join(", ")));

    database.exec(QStringLiteral("DECLARE kestar_export NO SCROLL CURSOR FOR SELECT rowid, %1 "
                                 "FROM %2 ORDER BY rowid")
                      .arg(columns.join(", "), quoted(def.name)));
    const QByteArray fetch =
        QByteArray("FETCH ") + QByteArray::number(kFetchRows) + QByteArray(" FROM kestar_export");
    for (;;) {
        database.ensureOpen();
        PGresult* result = database.check(PQexec(database.handle(), fetch.constData()));
        const int count = PQntuples(result);
        for (int row = 0; row < count; ++row) {
            for (int column = 0; column <= columns.size(); ++column) {
                const int at = column + 1;
                if (PQgetisnull(result, row, column)) {
                    sqlite3_bind_null(insert, at);
                    continue;
                }
                const char* text = PQgetvalue(result, row, column);
                const FieldType type = column == 0 || column > def.fields.size()
                                           ? FieldType::Integer
                                           : def.fields.at(column - 1).type;
                if (type == FieldType::Integer)
                    sqlite3_bind_int64(insert, at, QByteArray(text).toLongLong());
                else if (type == FieldType::Number)
                    sqlite3_bind_double(insert, at, QByteArray(text).toDouble());
                else
                    sqlite3_bind_text(insert, at, text, PQgetlength(result, row, column),
                                      SQLITE_TRANSIENT);
            }
            if (sqlite3_step(insert) != SQLITE_DONE) {
                PQclear(result);
                file.fail(path);
            }
            sqlite3_reset(insert);
        }
        PQclear(result);
        if (count < kFetchRows)
            break;
    }
    database.exec(QStringLiteral("CLOSE kestar_export"));
    file.exec("COMMIT");
}

} // namespace

QStringList exportTables(const QString& connection, const QString& folder)
{
    // The files are made in a hidden folder of their own, which names no database whatever
    // folder does, and moved up when all are whole.
    QTemporaryDir work(QDir(folder).filePath(QStringLiteral(".kestar-export-XXXXXX")));
    if (!work.isValid())
        throw EngineError(QStringLiteral("Cannot make a folder in %1: %2")
                              .arg(QDir::toNativeSeparators(folder), work.errorString()));
    QStringList names;
    {
        PgBackend tables(connection);
        PgConnection database(connection);
        database.exec(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"));
        for (const TableDef& def : Schema::tables()) {
            if (tables.tableNamed(def.name).isEmpty())
                continue;
            names.append(def.name + QStringLiteral(".db"));
            exportTable(database, def, work.path());
        }
        names += PgSharedRows::exportRows(database, work.path());
        database.exec(QStringLiteral("COMMIT"));
    }
    QStringList moved;
    for (const QString& name : std::as_const(names)) {
        const QString target = QDir(folder).filePath(name);
        if (!QFile::rename(QDir(work.path()).filePath(name), target)) {
            for (const QString& path : std::as_const(moved))
                QFile::remove(path);
            throw EngineError(
                QStringLiteral("Cannot write %1").arg(QDir::toNativeSeparators(target)));
        }
        moved.append(target);
    }
    return names;
}

void loadTables(const QString& folder, const QString& connection,
                const std::function<void()>& beforeCommit)
{
    QList<const TableDef*> present;
    for (const TableDef& def : Schema::tables()) {
        if (!tableFileIn(folder, def).isEmpty())
            present.append(&def);
    }
    {
        PgBackend database(connection);
        for (const TableDef* def : std::as_const(present)) {
            if (database.tableNamed(def->name).isEmpty())
                database.createTable(*def);
        }
    }
    PgConnection database(connection);
    try {
        database.exec(QStringLiteral("BEGIN"));
        QStringList names;
        for (const TableDef* def : std::as_const(present))
            names.append(quoted(def->name));
        if (!names.isEmpty())
            database.exec(QStringLiteral("TRUNCATE %1 RESTART IDENTITY")
                              .arg(names.join(QStringLiteral(", "))));
        for (const TableDef* def : std::as_const(present))
            loadTable(database, *def, tableFileIn(folder, *def));
        PgSharedRows::loadRows(database, folder);
        if (beforeCommit)
            beforeCommit();
        database.exec(QStringLiteral("COMMIT"));
    } catch (...) {
        try {
            database.rollback();
        } catch (const EngineError&) {
        }
        throw;
    }
}

} // namespace kestar::PgTableCopy
