#pragma once

#include <QString>
#include <QTextStream>

namespace kestar::bench {

// A database of its own on the server the environment names (PGHOST, as scripts/with-pg.sh
// sets it), holding the tables of a generated data folder, with a program folder whose
// podaci names it; dropped again at the end. Raises std::runtime_error without a server.
class PgBenchDatabase
{
public:
    // Loads the tables of generatedData (a podaci folder of table files) and copies its text
    // files into programFolder/podaci, which names the database.
    PgBenchDatabase(const QString& generatedData, const QString& programFolder, QTextStream& log);
    ~PgBenchDatabase();
    PgBenchDatabase(const PgBenchDatabase&) = delete;
    PgBenchDatabase& operator=(const PgBenchDatabase&) = delete;

    QString connection() const { return QStringLiteral("dbname=") + m_name; }
    QString dataFolder() const { return m_dataFolder; }

private:
    QString m_name;
    QString m_dataFolder;
};

} // namespace kestar::bench
