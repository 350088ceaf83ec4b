#pragma once

#include <QByteArray>
#include <QString>
#include <libpq-fe.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace kestar::bench {

// Raw libpq as plainly as it can be written, for the benchmarks' baselines: one connection,
// statements prepared on the server and run with text parameters, one round trip each.
struct RawPg
{
    PGconn* db = nullptr;

    explicit RawPg(const QString& connection)
    {
        db = PQconnectdb(connection.toUtf8().constData());
        if (PQstatus(db) != CONNECTION_OK) {
            const std::string error = PQerrorMessage(db);
            PQfinish(db);
            throw std::runtime_error(error);
        }
    }
    ~RawPg() { PQfinish(db); }
    RawPg(const RawPg&) = delete;
    RawPg& operator=(const RawPg&) = delete;

    PGresult* checked(PGresult* result)
    {
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            const std::string error = PQresultErrorMessage(result);
            PQclear(result);
            throw std::runtime_error(error);
        }
        return result;
    }
    void exec(const char* sql) { PQclear(checked(PQexec(db, sql))); }
    void prepare(const char* name, const QString& sql)
    {
        PQclear(checked(PQprepare(db, name, sql.toUtf8().constData(), 0, nullptr)));
    }
    // Runs a prepared statement; the caller clears the result.
    PGresult* query(const char* name, const std::vector<QByteArray>& values = {})
    {
        std::vector<const char*> pointers;
        for (const QByteArray& value : values)
            pointers.push_back(value.constData());
        return checked(
            PQexecPrepared(db, name, int(pointers.size()), pointers.data(), nullptr, nullptr, 0));
    }
    void run(const char* name, const std::vector<QByteArray>& values = {})
    {
        PQclear(query(name, values));
    }
};

} // namespace kestar::bench
