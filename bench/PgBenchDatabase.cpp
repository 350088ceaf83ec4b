#include "PgBenchDatabase.h"

#include "backup/pgcopy/PgTableCopy.h"
#include "data/EngineError.h"
#include "data/pg/PgConnection.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <stdexcept>

namespace kestar::bench {

namespace {

void onServer(const QString& sql)
{
    try {
        PgConnection(QStringLiteral("dbname=postgres")).exec(sql);
    } catch (const EngineError& error) {
        throw std::runtime_error(error.text().toStdString());
    }
}

} // namespace

PgBenchDatabase::PgBenchDatabase(const QString& generatedData, const QString& programFolder,
                                 QTextStream& log)
    : m_name(QStringLiteral("kestar_bench_%1").arg(QCoreApplication::applicationPid())),
      m_dataFolder(QDir(programFolder).filePath(QStringLiteral("podaci")))
{
    if (qEnvironmentVariableIsEmpty("PGHOST"))
        throw std::runtime_error("--postgres needs a server: run the benchmark through "
                                 "scripts/with-pg.sh");
    onServer(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
    onServer(QStringLiteral("CREATE DATABASE %1").arg(m_name));
    QDir().mkpath(m_dataFolder);
    const QStringList texts = QDir(generatedData).entryList({QStringLiteral("*.txt")}, QDir::Files);
    for (const QString& name : texts)
        QFile::copy(QDir(generatedData).filePath(name), QDir(m_dataFolder).filePath(name));
    QFile selector(QDir(m_dataFolder).filePath(QStringLiteral("baza.txt")));
    if (!selector.open(QIODevice::WriteOnly) || selector.write(connection().toUtf8() + "\n") < 0)
        throw std::runtime_error("cannot write baza.txt");
    selector.close();
    QElapsedTimer timer;
    timer.start();
    try {
        PgTableCopy::loadTables(generatedData, connection());
        PgConnection(connection()).exec(QStringLiteral("ANALYZE"));
    } catch (const EngineError& error) {
        throw std::runtime_error(error.text().toStdString());
    }
    log << QStringLiteral("loaded the generated tables into the database %1 in %2 s")
               .arg(m_name)
               .arg(double(timer.elapsed()) / 1000, 0, 'f', 1)
        << Qt::endl;
}

PgBenchDatabase::~PgBenchDatabase()
{
    try {
        onServer(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
    } catch (const std::exception&) {
    }
}

} // namespace kestar::bench
