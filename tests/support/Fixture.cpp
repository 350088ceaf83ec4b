#include "tests/support/Fixture.h"

#include "data/DataStore.h"
#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/Schema.h"
#include "data/Table.h"
#include "data/pg/PgConnection.h"
#include "tests/support/TestFolder.h"

#include <QAbstractItemView>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QtGlobal>
#include <csignal>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kestar::test {

void createAllTables()
{
    for (const TableDef& def : Schema::tables())
        Schema::createTableFile(QStringLiteral("podaci"), def);
}

void addRows(Engine& engine, const QString& table, const QList<Row>& rows)
{
    auto cursor = std::make_unique<Table>(engine, table);
    cursor->open();
    for (auto row = rows.crbegin(); row != rows.crend(); ++row) {
        cursor->first();
        cursor->insert();
        for (auto it = row->constBegin(); it != row->constEnd(); ++it)
            cursor->setText(it.key(), it.value());
        cursor->post();
    }
    cursor->close();
}

QList<Row> readRows(Engine& engine, const QString& table)
{
    auto cursor = std::make_unique<Table>(engine, table);
    cursor->open();
    QList<Row> rows;
    const QList<FieldDef> fields = cursor->fields();
    for (cursor->first(); !cursor->eof(); cursor->next()) {
        Row row;
        for (const FieldDef& field : fields)
            row.insert(field.name, cursor->text(field.name));
        rows.append(row);
    }
    cursor->close();
    return rows;
}

void removeTable(const TestFolder& folder, const QString& table)
{
    if (!onPostgres()) {
        QFile::remove(folder.dataPath(table + QStringLiteral(".db")));
        return;
    }
    PgConnection(DataStore::connectionString(folder.dataPath({})))
        .exec(QStringLiteral("DROP TABLE %1").arg(table));
}

bool writesAtOnce(const QString& tableFile, const char* sql)
{
    if (onPostgres()) {
        // Another connection to the folder's database that will not wait for a row lock.
        try {
            PgConnection other(DataStore::connectionString(QFileInfo(tableFile).path()));
            other.exec(QStringLiteral("SET lock_timeout = 1; BEGIN; %1; COMMIT")
                           .arg(QString::fromUtf8(sql)));
            return true;
        } catch (const EngineError& error) {
            qWarning("the other writer: %s", qPrintable(error.text()));
            return false;
        }
    }
    sqlite3* other = nullptr;
    sqlite3_open_v2(QFile::encodeName(tableFile).constData(), &other, SQLITE_OPEN_READWRITE,
                    nullptr);
    sqlite3_busy_timeout(other, 0);
    const QByteArray statements = QByteArray("BEGIN IMMEDIATE; ") + sql + "; COMMIT";
    const int rc = sqlite3_exec(other, statements.constData(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        qWarning("the other writer: %s", sqlite3_errmsg(other));
    sqlite3_close(other);
    return rc == SQLITE_OK;
}

QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        entries.insert(QDir(folder).relativeFilePath(path),
                       it.fileInfo().isDir() || !file.open(QIODevice::ReadOnly)
                           ? QByteArray("<folder>")
                           : file.readAll());
    }
    return entries;
}

void killInsideAWrite(const QString& tableFile, const char* sql)
{
    const QByteArray path = QFile::encodeName(tableFile);
    const pid_t child = ::fork();
    if (child == 0) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(db, "PRAGMA cache_size=2; BEGIN;", nullptr, nullptr, nullptr);
        sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
        ::kill(::getpid(), SIGKILL);
        ::_exit(1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
}

QString errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EngineError& error) {
        return error.text();
    }
    return {};
}

QLineEdit* openCellEditor(const QAbstractItemView* grid)
{
    const auto lines = grid->viewport()->findChildren<QLineEdit*>();
    for (QLineEdit* line : lines) {
        if (!line->isHidden())
            return line;
    }
    return nullptr;
}

} // namespace kestar::test
