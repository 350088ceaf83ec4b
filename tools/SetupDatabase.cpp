#include "tools/SetupDatabase.h"

#include "data/DataStore.h"
#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/Schema.h"
#include "data/pg/PgBackend.h"
#include "data/pg/PgConnection.h"
#include "data/pg/PgSharedData.h"
#include "tools/SetupFolder.h"

#include <QDir>
#include <QSaveFile>
#include <libpq-fe.h>

namespace kestar::SetupDatabase {

void checkConnectionString(const QString& connection)
{
    if (connection.trimmed().isEmpty())
        throw SetupError(QStringLiteral("No database given after --postgres; nothing was changed"));
    if (connection.contains(QLatin1Char('\n')) || connection.contains(QLatin1Char('\r')))
        throw SetupError(
            QStringLiteral("The connection string must be one line; nothing was changed"));
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(connection.toUtf8().constData(), &error);
    if (!options) {
        const QString reason = error ? QString::fromUtf8(error).trimmed() : QStringLiteral("?");
        PQfreemem(error);
        throw SetupError(QStringLiteral("The connection string \"%1\" cannot be read: %2; "
                                        "nothing was changed")
                             .arg(connection, reason));
    }
    bool password = false;
    for (const PQconninfoOption* option = options; option->keyword; ++option) {
        if (qstrcmp(option->keyword, "password") == 0 && option->val && *option->val)
            password = true;
    }
    PQconninfoFree(options);
    if (password)
        throw SetupError(QStringLiteral(
            "The connection string may not hold a password: it is kept in plain text in the data "
            "folder. Put the password in ~/.pgpass of every user of the program instead; nothing "
            "was changed"));
}

void createSharedTable(Engine& engine)
{
    try {
        PgSharedData::createTable(engine.backend());
    } catch (const EngineError& error) {
        throw EngineError(
            QStringLiteral("Cannot create table %1: %2").arg(PgSharedData::kTable, error.text()));
    }
}

QStringList programTablesIn(const QString& connection)
{
    PgBackend database(connection);
    QStringList names;
    for (const TableDef& def : Schema::tables())
        names.append(def.name);
    names.append(QString::fromLatin1(PgSharedData::kTable));
    QStringList held;
    for (const QString& name : std::as_const(names)) {
        const QString stored = database.tableNamed(name);
        if (!stored.isEmpty())
            held.append(stored);
    }
    return held;
}

void refuseHeldDatabase(const QString& connection)
{
    QStringList held;
    try {
        held = programTablesIn(connection);
    } catch (const EngineError& error) {
        throw SetupError(error.text() + QStringLiteral("; nothing was changed"));
    }
    if (!held.isEmpty())
        throw SetupError(
            QStringLiteral("The database \"%1\" already holds the tables of a data folder (%2); "
                           "a new data folder needs a database of its own, and nothing was "
                           "changed")
                .arg(connection, held.join(QStringLiteral(", "))));
}

void writeSelector(const QString& folder, const QString& connection)
{
    QSaveFile file(QDir(folder).filePath(QString::fromLatin1(DataStore::kSelectorFile)));
    if (!file.open(QIODevice::WriteOnly) || file.write(connection.trimmed().toUtf8() + "\n") < 0 ||
        !file.commit())
        throw SetupError(QStringLiteral("Cannot write %1: %2")
                             .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
}

QString dropProgramTables(const QString& connection)
{
    try {
        PgConnection database(connection);
        QStringList names;
        for (const TableDef& def : Schema::tables())
            names.append(QLatin1Char('"') + def.name + QLatin1Char('"'));
        names.append(QString::fromLatin1(PgSharedData::kTable));
        database.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(names.join(", ")));
    } catch (const EngineError& error) {
        return error.text();
    }
    return {};
}

} // namespace kestar::SetupDatabase
