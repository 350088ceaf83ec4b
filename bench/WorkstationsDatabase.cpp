#include "WorkstationsDatabase.h"

#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/Schema.h"
#include "data/SharedDataStore.h"
#include "data/pg/PgConnection.h"
#include "data/pg/PgSharedData.h"
#include "data/pg/PgStatement.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <algorithm>
#include <libpq-fe.h>
#include <thread>
#include <vector>

namespace kestar::bench {

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw EngineError(QStringLiteral("%1 cannot be written").arg(path));
}

qint64 single(PgConnection& connection, const QString& sql)
{
    PgStatement statement(connection, sql, false);
    const qint64 value = statement.step() ? statement.columnInt(0) : 0;
    statement.reset();
    return value;
}

} // namespace

QString WorkstationsDatabase::articleCode(int i)
{
    return QStringLiteral("A%1").arg(i, 2, 10, QLatin1Char('0'));
}

std::unique_ptr<SharedData> WorkstationsDatabase::sharedData(Engine& engine)
{
    return DataStore::sharedData(engine);
}

WorkstationsDatabase::WorkstationsDatabase(const QString& programFolder)
    : m_name(QStringLiteral("kestar_ws_%1_%2")
                 .arg(QCoreApplication::applicationPid())
                 .arg(QDateTime::currentMSecsSinceEpoch() % 1000000))
{
    PgConnection(QStringLiteral("dbname=postgres"))
        .exec(QStringLiteral("CREATE DATABASE %1").arg(m_name));
    const QString data = QDir(programFolder).filePath(QStringLiteral("podaci"));
    QDir().mkpath(data);
    QDir().mkpath(QDir(programFolder).filePath(QStringLiteral("back-up")));
    writeFile(QDir(data).filePath(QStringLiteral("baza.txt")), "dbname=" + m_name.toUtf8() + "\n");
    for (const TableDef& table : Schema::tables())
        Schema::createTableFile(data, table);
    {
        Engine engine(data);
        PgSharedData::createTable(engine.backend());
        PgSharedData shared(engine);
        QList<std::pair<QString, QStringList>> rows;
        for (const char* name : {"dokument.txt", "predracun.txt", "rnalog.txt", "otpremnica.txt",
                                 "ulaz.txt", "oprema.txt"})
            rows.append({QString::fromLatin1(name), {QStringLiteral("0")}});
        rows.append({QStringLiteral("firma.txt"), {QStringLiteral("Firma")}});
        rows.append({QStringLiteral("grupe.txt"), {QStringLiteral("Alati")}});
        rows.append({QStringLiteral("sgrupe.txt"), {QStringLiteral("01")}});
        shared.write(rows);
    }
    m_connection = std::make_unique<PgConnection>(QStringLiteral("dbname=") + m_name);
    m_connection->exec(
        QStringLiteral("INSERT INTO magacin (\"SIFRA\", \"NAZIV\", \"GRUPAROBE\", \"NAZIVGRUPE\", "
                       "\"KOLICINA\", \"MAGACIN1\") SELECT 'A' || lpad(i::text, 2, '0'), "
                       "'Artikal', '01', 'Alati', %1, %1 FROM generate_series(0, %2) AS i")
            .arg(kStartStock)
            .arg(kArticles - 1));
}

WorkstationsDatabase::~WorkstationsDatabase()
{
    m_connection.reset();
    if (m_keep)
        return;
    try {
        PgConnection(QStringLiteral("dbname=postgres"))
            .exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
    } catch (const EngineError&) {
    }
}

std::map<int, int> WorkstationsDatabase::rowsPerDocument()
{
    PgStatement rows(*m_connection,
                     QStringLiteral("SELECT \"BROJDOKUMENTA\", count(*) FROM prometx GROUP BY 1"),
                     false);
    std::map<int, int> counts;
    while (rows.step())
        counts[int(rows.columnInt(0))] = int(rows.columnInt(1));
    rows.reset();
    return counts;
}

int WorkstationsDatabase::documentsApart()
{
    // A document in one piece starts one run of equal numbers in the natural order.
    return int(single(*m_connection,
                      QStringLiteral("SELECT count(*) - count(DISTINCT d) FROM (SELECT "
                                     "\"BROJDOKUMENTA\" AS d, lag(\"BROJDOKUMENTA\") OVER (ORDER "
                                     "BY _ord, rowid) AS before FROM prometx) AS runs WHERE "
                                     "before IS DISTINCT FROM d")));
}

int WorkstationsDatabase::numbersSharedByDocuments()
{
    qint64 shared = 0;
    for (const char* field : {"OTPREMNICA", "ULAZ"}) {
        shared += single(*m_connection,
                         QStringLiteral("SELECT count(*) FROM (SELECT \"%1\" FROM prometx WHERE "
                                        "\"%1\" <> 0 GROUP BY 1 HAVING count(DISTINCT "
                                        "\"BROJDOKUMENTA\") > 1) AS shared")
                             .arg(QLatin1String(field)));
    }
    return int(shared);
}

double WorkstationsDatabase::lostUnits()
{
    PgStatement lost(
        *m_connection,
        QStringLiteral("SELECT coalesce(sum(abs(m.\"KOLICINA\" - %1 - coalesce(r.delta, 0)) + "
                       "abs(m.\"MAGACIN1\" - %1 - coalesce(r.delta, 0))), 0) FROM magacin AS m "
                       "LEFT JOIN (SELECT \"SIFRAROBE\", sum(CASE WHEN \"ULAZ\" <> 0 THEN "
                       "\"KOLICINA\" ELSE -\"KOLICINA\" END) AS delta FROM prometx GROUP BY 1) "
                       "AS r ON r.\"SIFRAROBE\" = m.\"SIFRA\"")
            .arg(kStartStock),
        false);
    const double units = lost.step() ? lost.column(0).toDouble() : 0;
    lost.reset();
    return units;
}

double WorkstationsDatabase::rawPostingMedian(qint64 delayMicroseconds)
{
    PGconn* db = PQconnectdb(("dbname=" + m_name).toUtf8().constData());
    const auto run = [&](const QByteArray& sql) {
        PGresult* result = PQexec(db, sql.constData());
        std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds));
        const ExecStatusType status = PQresultStatus(result);
        const QByteArray value =
            PQntuples(result) > 0 ? QByteArray(PQgetvalue(result, 0, 0)) : QByteArray();
        const QString error = QString::fromUtf8(PQresultErrorMessage(result));
        PQclear(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            throw EngineError(error);
        return value;
    };
    std::vector<double> times;
    try {
        if (PQstatus(db) != CONNECTION_OK)
            throw EngineError(QString::fromUtf8(PQerrorMessage(db)));
        for (int posting = 1; posting <= 31; ++posting) {
            QElapsedTimer timer;
            timer.start();
            run("BEGIN");
            const qint64 front = run("SELECT coalesce(min(_ord), 0) FROM prometx").toLongLong();
            QStringList rows, changes;
            for (int line = 0; line < 20; ++line) {
                const QString code = articleCode((posting * 7 + line) % kArticles);
                rows.append(QStringLiteral("(%1, %2, 0, '%3', 1, %4)")
                                .arg(900000 + posting)
                                .arg(posting)
                                .arg(code)
                                .arg(front - (line + 1) * Schema::kOrderStep));
                changes.append(QStringLiteral("('%1', 1.0)").arg(code));
            }
            run(QStringLiteral("INSERT INTO prometx (\"BROJDOKUMENTA\", \"OTPREMNICA\", "
                               "\"ULAZ\", \"SIFRAROBE\", \"KOLICINA\", _ord) VALUES %1")
                    .arg(rows.join(QStringLiteral(", ")))
                    .toUtf8());
            run(QStringLiteral("UPDATE magacin AS m SET \"KOLICINA\" = m.\"KOLICINA\" - v.q, "
                               "\"MAGACIN1\" = m.\"MAGACIN1\" - v.q FROM (SELECT c, sum(q) AS q "
                               "FROM (VALUES %1) AS l (c, q) GROUP BY c) AS v WHERE m.\"SIFRA\" "
                               "= v.c")
                    .arg(changes.join(QStringLiteral(", ")))
                    .toUtf8());
            run("COMMIT");
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
    } catch (...) {
        PQfinish(db);
        throw;
    }
    PQfinish(db);
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace kestar::bench
