#pragma once

#include "data/EngineError.h"
#include "data/pg/PgConnection.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <libpq-fe.h>
#include <stdexcept>

namespace kestar::test {

// An empty database of its own on the test server, dropped again at the end.
class ScratchDatabase
{
public:
    explicit ScratchDatabase(const QString& tag)
        : m_name(
              QStringLiteral("kestar_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(tag))
    {
        server(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)"));
        server(QStringLiteral("CREATE DATABASE %1"));
    }
    ~ScratchDatabase()
    {
        try {
            server(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)"));
        } catch (const std::exception&) {
        }
    }
    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;

    QString name() const { return m_name; }
    QString connection() const { return QStringLiteral("dbname=") + m_name; }

private:
    void server(const QString& sql) const
    {
        try {
            PgConnection(QStringLiteral("dbname=postgres")).exec(sql.arg(m_name));
        } catch (const EngineError& error) {
            throw std::runtime_error(error.text().toStdString());
        }
    }

    QString m_name;
};

// The rows a query gives on a connection of its own, each row's values joined by "|" (NULL as
// "<null>"): what psql would print, to read the database beside the program.
inline QStringList selectRows(const QString& connection, const QString& sql)
{
    PgConnection database(connection);
    database.ensureOpen();
    PGresult* result = database.check(PQexec(database.handle(), sql.toUtf8().constData()));
    QStringList rows;
    for (int row = 0; row < PQntuples(result); ++row) {
        QStringList values;
        for (int column = 0; column < PQnfields(result); ++column)
            values.append(PQgetisnull(result, row, column)
                              ? QStringLiteral("<null>")
                              : QString::fromUtf8(PQgetvalue(result, row, column)));
        rows.append(values.join(QLatin1Char('|')));
    }
    PQclear(result);
    return rows;
}

} // namespace kestar::test
