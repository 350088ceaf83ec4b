#include "tests/support/TestFolder.h"

#include "data/EngineError.h"
#include "data/pg/PgConnection.h"
#include "data/pg/PgSharedData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <libpq-fe.h>
#include <stdexcept>

namespace kestar::test {

namespace {

const QString kServerDatabase = QStringLiteral("dbname=postgres");

// Runs one statement with text parameters on the folder's database; the rows it gives, each
// row's first value.
QStringList onDatabase(const QString& database, const QString& sql,
                       const QList<QByteArray>& parameters = {})
{
    try {
        PgConnection connection(QStringLiteral("dbname=") + database);
        connection.ensureOpen();
        QList<const char*> values;
        for (const QByteArray& parameter : parameters)
            values.append(parameter.constData());
        PGresult* result = connection.check(
            PQexecParams(connection.handle(), sql.toUtf8().constData(), int(values.size()), nullptr,
                         values.constData(), nullptr, nullptr, 0));
        QStringList rows;
        for (int row = 0; row < PQntuples(result); ++row)
            rows.append(QString::fromUtf8(PQgetvalue(result, row, 0)));
        PQclear(result);
        return rows;
    } catch (const EngineError& error) {
        throw std::runtime_error(error.text().toStdString());
    }
}

} // namespace

bool onPostgres()
{
    return qEnvironmentVariableIntValue("KESTAR_TEST_POSTGRES") == 1;
}

TestFolder::TestFolder() : m_saved(QDir::currentPath())
{
    if (!m_dir.isValid())
        throw std::runtime_error("cannot make a temporary folder");
    QDir(m_dir.path()).mkpath(QStringLiteral("podaci"));
    QDir(m_dir.path()).mkpath(QStringLiteral("back-up"));
    if (onPostgres()) {
        // Unique per process and folder, so that tests run side by side.
        static int made = 0;
        m_database =
            QStringLiteral("kestar_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(++made);
        try {
            PgConnection server(kServerDatabase);
            server.exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_database));
            server.exec(QStringLiteral("CREATE DATABASE %1").arg(m_database));
        } catch (const EngineError& error) {
            throw std::runtime_error(error.text().toStdString());
        }
        write(QStringLiteral("baza.txt"), "dbname=" + m_database.toUtf8() + "\n");
        // As kestar-setup makes it: the shared data have their table from the start.
        onDatabase(m_database, PgSharedData::createStatement());
    }
    QDir::setCurrent(m_dir.path());
}

TestFolder::~TestFolder()
{
    QDir::setCurrent(m_saved);
    if (!m_database.isEmpty()) {
        try {
            PgConnection server(kServerDatabase);
            server.exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_database));
        } catch (const EngineError& error) {
            qWarning("cannot drop the test database %s: %s", qPrintable(m_database),
                     qPrintable(error.text()));
        }
    }
}

QString TestFolder::dataPath(const QString& name) const
{
    return m_dir.path() + QStringLiteral("/podaci/") + name;
}

bool TestFolder::isSharedRow(const QString& name) const
{
    return !m_database.isEmpty() && PgSharedData::rowNames().contains(name.toLower());
}

void TestFolder::write(const QString& name, const QByteArray& bytes) const
{
    if (isSharedRow(name)) {
        onDatabase(m_database,
                   QStringLiteral("INSERT INTO %1 VALUES ($1, $2) ON CONFLICT (datoteka) DO "
                                  "UPDATE SET redovi = EXCLUDED.redovi")
                       .arg(PgSharedData::kTable),
                   {name.toLower().toUtf8(), PgSharedData::storedText(bytes).toUtf8()});
        return;
    }
    QFile file(dataPath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error(("cannot write " + dataPath(name)).toStdString());
    file.write(bytes);
}

QByteArray TestFolder::read(const QString& name) const
{
    if (isSharedRow(name)) {
        const QStringList stored = onDatabase(
            m_database,
            QStringLiteral("SELECT redovi FROM %1 WHERE datoteka = $1").arg(PgSharedData::kTable),
            {name.toLower().toUtf8()});
        return stored.isEmpty() ? QByteArray() : PgSharedData::fileBytes(name, stored.first());
    }
    QFile file(dataPath(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void TestFolder::remove(const QString& name) const
{
    if (isSharedRow(name)) {
        onDatabase(m_database,
                   QStringLiteral("DELETE FROM %1 WHERE datoteka = $1").arg(PgSharedData::kTable),
                   {name.toLower().toUtf8()});
        return;
    }
    QFile::remove(dataPath(name));
}

void TestFolder::writeStandardTextFiles() const
{
    QByteArray company;
    for (int i = 0; i < 13; ++i)
        company += "\r\n";
    write(QStringLiteral("firma.txt"), company);
    write(QStringLiteral("oprema.txt"), "1\r\n");
    for (const char* counter :
         {"dokument.txt", "otpremnica.txt", "ulaz.txt", "predracun.txt", "rnalog.txt"})
        write(QString::fromLatin1(counter), "0\r\n");
    write(QStringLiteral("grupe.txt"), {});
    write(QStringLiteral("sgrupe.txt"), {});
}

} // namespace kestar::test
