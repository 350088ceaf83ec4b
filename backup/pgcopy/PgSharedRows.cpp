#include "backup/pgcopy/PgSharedRows.h"

#include "data/EngineError.h"
#include "data/TextFiles.h"
#include "data/pg/PgConnection.h"
#include "data/pg/PgSharedData.h"

#include <QDir>
#include <QFile>
#include <libpq-fe.h>

namespace kestar::PgSharedRows {

namespace {

// Runs a statement with text parameters and hands back its result; raises the server's text.
PGresult* run(PgConnection& database, const QString& sql, const QList<QByteArray>& parameters = {})
{
    database.ensureOpen();
    QList<const char*> values;
    for (const QByteArray& parameter : parameters)
        values.append(parameter.constData());
    return database.check(PQexecParams(database.handle(), sql.toUtf8().constData(),
                                       int(values.size()), nullptr, values.constData(), nullptr,
                                       nullptr, 0));
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
        throw EngineError(QStringLiteral("Cannot write %1: %2")
                              .arg(QDir::toNativeSeparators(path), file.errorString()));
}

} // namespace

bool tableHeld(PgConnection& database)
{
    PGresult* result = run(database,
                           QStringLiteral("SELECT 1 FROM pg_tables WHERE schemaname = "
                                          "current_schema() AND tablename = $1"),
                           {QByteArray(PgSharedData::kTable)});
    const bool held = PQntuples(result) > 0;
    PQclear(result);
    return held;
}

QStringList exportRows(PgConnection& database, const QString& folder)
{
    if (!tableHeld(database))
        return {};
    PGresult* result = run(database, QStringLiteral("SELECT datoteka, redovi FROM %1 ORDER BY "
                                                    "datoteka")
                                         .arg(PgSharedData::kTable));
    const QStringList known = PgSharedData::rowNames();
    QStringList written;
    try {
        for (int row = 0; row < PQntuples(result); ++row) {
            const QString name = QString::fromUtf8(PQgetvalue(result, row, 0));
            // A row the program never writes has no file: its name is no path to follow.
            if (!known.contains(name))
                continue;
            const QString stored = QString::fromUtf8(PQgetvalue(result, row, 1));
            writeFile(QDir(folder).filePath(name), PgSharedData::fileBytes(name, stored));
            written.append(name);
        }
    } catch (...) {
        PQclear(result);
        for (const QString& name : std::as_const(written))
            QFile::remove(QDir(folder).filePath(name));
        throw;
    }
    PQclear(result);
    return written;
}

QStringList filesIn(const QString& folder)
{
    const QStringList entries = QDir(folder).entryList(QDir::Files);
    QStringList found;
    for (const QString& name : PgSharedData::rowNames()) {
        for (const QString& entry : entries) {
            if (entry.compare(name, Qt::CaseInsensitive) == 0) {
                found.append(entry);
                break;
            }
        }
    }
    return found;
}

void loadRows(PgConnection& database, const QString& folder)
{
    const QStringList files = filesIn(folder);
    if (files.isEmpty())
        return;
    if (!tableHeld(database))
        database.exec(PgSharedData::createStatement());
    PQclear(run(database, QStringLiteral("DELETE FROM %1").arg(PgSharedData::kTable)));
    for (const QString& file : files) {
        const QString stored =
            PgSharedData::storedText(TextFiles::readBytes(QDir(folder).filePath(file)));
        PQclear(run(database,
                    QStringLiteral("INSERT INTO %1 (datoteka, redovi) VALUES ($1, $2)")
                        .arg(PgSharedData::kTable),
                    {file.toLower().toUtf8(), stored.toUtf8()}));
    }
}

} // namespace kestar::PgSharedRows
