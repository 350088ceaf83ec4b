#include "tests/support/TestFolder.h"

#include "data/EngineError.h"
#include "data/pg/PgConnection.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <stdexcept>

namespace kestar::test {

namespace {

const QString kServerDatabase = QStringLiteral("dbname=postgres");

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

void TestFolder::write(const QString& name, const QByteArray& bytes) const
{
    QFile file(dataPath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error(("cannot write " + dataPath(name)).toStdString());
    file.write(bytes);
}

QByteArray TestFolder::read(const QString& name) const
{
    QFile file(dataPath(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void TestFolder::remove(const QString& name) const
{
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
