#include "data/sqlite/SqliteFile.h"

#include "data/EngineError.h"
#include "data/sqlite/SqliteStatement.h"

#include <QFile>
#include <sqlite3.h>

namespace kestar::SqliteFile {

QString readOnce(const QString& path, int busyTimeoutMs)
{
    sqlite3* db = nullptr;
    QString error;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        error = db ? sqliteError(db) : QStringLiteral("out of memory");
    } else {
        if (busyTimeoutMs > 0)
            sqlite3_busy_timeout(db, busyTimeoutMs);
        try {
            // The first read of a table settles its journal.
            sqliteExec(db, QStringLiteral("SELECT count(*) FROM sqlite_master"));
        } catch (const EngineError& failed) {
            error = failed.text();
        }
    }
    sqlite3_close(db);
    return error;
}

void create(const QString& path, const QString& statements)
{
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        const QString error = db ? sqliteError(db) : QStringLiteral("out of memory");
        sqlite3_close(db);
        throw EngineError(error);
    }
    try {
        sqliteExec(db, QStringLiteral("PRAGMA journal_mode=DELETE; BEGIN;") + statements +
                           QStringLiteral("COMMIT;"));
    } catch (const EngineError&) {
        sqlite3_close(db);
        QFile::remove(path);
        throw;
    }
    sqlite3_close(db);
}

QString quickCheck(const QString& path)
{
    sqlite3* db = nullptr;
    QString result;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        result = db ? sqliteError(db) : QStringLiteral("out of memory");
    } else {
        sqlite3_stmt* check = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &check, nullptr) == SQLITE_OK &&
            sqlite3_step(check) == SQLITE_ROW)
            result =
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)));
        else
            result = sqliteError(db);
        sqlite3_finalize(check);
    }
    sqlite3_close(db);
    return result;
}

} // namespace kestar::SqliteFile
