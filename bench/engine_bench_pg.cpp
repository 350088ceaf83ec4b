// The figures of engine_bench with the tables in a PostgreSQL database, each beside raw libpq
// doing the least work for the same job: statements prepared once, text parameters, one round
// trip per statement, the ledger walked through a cursor in large fetches.

#include "DataGenerator.h"
#include "EngineBenchPg.h"
#include "EngineFigures.h"
#include "PgBenchDatabase.h"
#include "RawPg.h"

#include "data/Schema.h"

#include <QDir>
#include <QHash>
#include <QTemporaryDir>
#include <memory>

namespace kestar::bench {

namespace {

QString quoted(const QString& name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

QStringList columnsOf(const QString& table)
{
    QStringList columns;
    for (const FieldDef& field : Schema::table(table).fields)
        columns.append(quoted(field.name));
    return columns;
}

// The values of one posted line, by field; the fields left out are NULL.
QHash<QString, QByteArray> lineValues(const QByteArray& code)
{
    QHash<QString, QByteArray> values{{"BROJDOKUMENTA", "500001"},
                                      {"OTPREMNICA", "700001"},
                                      {"MAGACIN", "1"},
                                      {"KOMENTAR", "Benchmark"},
                                      {"KOMENTAR2", ""},
                                      {"DATUM", "2025-03-14"},
                                      {"VALUTA", "2025-03-14"},
                                      {"SIFRAROBE", code},
                                      {"NAZIV", "Naziv artikla"},
                                      {"NAZIVGRUPE", "Vijci"},
                                      {"SIFRAGRUPE", "G01"},
                                      {"CENA", "0"},
                                      {"KOLICINA", "2"},
                                      {"RABAT", "0"},
                                      {"UI", "K"},
                                      {"SIFRAKUPCA", "0"},
                                      {"KUPAC", "VLASNIK"},
                                      {"VREDNOST", "0"},
                                      {"KORISNIK", "Administrator"},
                                      {"SIFRAMASINE", "M0001"},
                                      {"SIFRAMASINE2", "S-0001"},
                                      {"NAZIVMASINE", "Masina 1"}};
    for (const char* zero :
         {"NARUDZBENICA", "ULAZ", "PREDRACUN", "RADNINALOG", "RACUN", "POVRATNICA", "UMAGACIN"})
        values.insert(QString::fromLatin1(zero), "0");
    return values;
}

void posting(const FigureRun& run, RawPg& raw)
{
    const QList<FieldDef>& fields = Schema::table(QStringLiteral("prometx")).fields;
    QStringList columns = columnsOf(QStringLiteral("prometx")), parameters;
    columns.append(QStringLiteral("_ord"));
    for (int i = 1; i <= columns.size(); ++i)
        parameters.append(QStringLiteral("$%1").arg(i));
    raw.prepare("front", QStringLiteral("SELECT min(_ord) FROM prometx"));
    raw.prepare("insert", QStringLiteral("INSERT INTO prometx (%1) VALUES (%2)")
                              .arg(columns.join(','), parameters.join(',')));
    raw.prepare("update", QStringLiteral("UPDATE magacin SET \"KOLICINA\" = \"KOLICINA\" - 2, "
                                         "\"MAGACIN1\" = \"MAGACIN1\" - 2 WHERE \"SIFRA\" = $1"));
    postingFigure(run, 7, [&](const std::vector<QString>& codes) {
        raw.exec("BEGIN");
        PGresult* front = raw.query("front");
        qint64 order = QByteArray(PQgetvalue(front, 0, 0)).toLongLong();
        PQclear(front);
        for (const QString& code : codes) {
            const QByteArray c = code.toLatin1();
            const QHash<QString, QByteArray> values = lineValues(c);
            std::vector<const char*> pointers;
            for (const FieldDef& field : fields) {
                const auto value = values.constFind(field.name);
                pointers.push_back(value == values.cend() ? nullptr : value->constData());
            }
            const QByteArray ord = QByteArray::number(order -= DataGenerator::kOrderStep);
            pointers.push_back(ord.constData());
            PQclear(raw.checked(PQexecPrepared(raw.db, "insert", int(pointers.size()),
                                               pointers.data(), nullptr, nullptr, 0)));
            raw.run("update", {c});
        }
        raw.exec("COMMIT");
    });
}

void walk(const FigureRun& run, RawPg& raw)
{
    const QStringList columns = columnsOf(QStringLiteral("prometx"));
    const int sifra = 2 + int(columns.indexOf(quoted(QStringLiteral("SIFRAROBE"))));
    const QByteArray declare = QStringLiteral("DECLARE walk NO SCROLL CURSOR FOR SELECT rowid, "
                                              "_ord, %1 FROM prometx ORDER BY _ord, rowid")
                                   .arg(columns.join(','))
                                   .toUtf8();
    walkFigure(run, [&]() {
        qint64 rows = 0;
        raw.exec("BEGIN");
        raw.exec(declare.constData());
        for (;;) {
            PGresult* page = raw.checked(PQexec(raw.db, "FETCH 10000 FROM walk"));
            const int count = PQntuples(page);
            for (int row = 0; row < count; ++row) {
                if (!PQgetisnull(page, row, sifra) && PQgetlength(page, row, sifra) > 0)
                    ++rows;
            }
            PQclear(page);
            if (count == 0)
                break;
        }
        raw.exec("COMMIT");
        return rows;
    });
}

void nearest(const FigureRun& run, RawPg& raw)
{
    raw.prepare("seek", QStringLiteral("SELECT rowid, %1 FROM magacin WHERE \"SIFRA\" >= $1 "
                                       "ORDER BY \"SIFRA\" LIMIT 1")
                            .arg(columnsOf(QStringLiteral("magacin")).join(',')));
    nearestFigure(run, [&](const std::vector<QString>& keys) {
        qint64 sum = 0;
        for (const QString& key : keys) {
            PGresult* found = raw.query("seek", {key.toLatin1()});
            if (PQntuples(found) > 0)
                sum += PQgetlength(found, 0, 1);
            PQclear(found);
        }
        return sum;
    });
}

void machineNote(const FigureRun& run, RawPg& raw)
{
    raw.prepare("note", QStringLiteral("SELECT \"NAZIVGRUPE\", \"SIFRAGRUPE\", \"SIFRAROBE\", "
                                       "\"NAZIV\", sum(\"KOLICINA\") FROM prometx WHERE "
                                       "\"SIFRAMASINE\" = $1 AND \"SIFRAMASINE2\" = $2 GROUP BY "
                                       "\"NAZIVGRUPE\", \"SIFRAGRUPE\", \"SIFRAROBE\", \"NAZIV\""));
    machineNoteFigure(run, [&](const QString& machine, const QString& machine2) {
        double total = 0;
        PGresult* groups = raw.query("note", {machine.toLatin1(), machine2.toLatin1()});
        for (int row = 0; row < PQntuples(groups); ++row)
            total += QByteArray(PQgetvalue(groups, row, 4)).toDouble();
        PQclear(groups);
        return total;
    });
}

void card(const FigureRun& run, RawPg& raw)
{
    raw.prepare("card", QStringLiteral("SELECT rowid, \"ULAZ\", \"KOLICINA\" FROM prometx WHERE "
                                       "\"SIFRAROBE\" = $1 AND (\"ULAZ\" <> 0 OR \"OTPREMNICA\" "
                                       "<> 0) ORDER BY _ord, rowid"));
    raw.prepare("saldo", QStringLiteral("UPDATE prometx SET \"SALDO\" = $1 WHERE rowid = $2"));
    cardFigure(run, [&](const QString& article, double start) {
        std::vector<std::pair<QByteArray, double>> found;
        PGresult* rows = raw.query("card", {article.toLatin1()});
        for (int row = 0; row < PQntuples(rows); ++row) {
            const double q = QByteArray(PQgetvalue(rows, row, 2)).toDouble();
            found.emplace_back(PQgetvalue(rows, row, 0),
                               QByteArray(PQgetvalue(rows, row, 1)).toLongLong() != 0 ? q : -q);
        }
        PQclear(rows);
        raw.exec("BEGIN");
        double saldo = start;
        for (auto it = found.rbegin(); it != found.rend(); ++it) {
            saldo += it->second;
            raw.run("saldo", {QByteArray::number(saldo, 'g', 17), it->first});
        }
        raw.exec("COMMIT");
        return std::pair<qint64, double>(qint64(found.size()), saldo - start);
    });
}

void grid(const FigureRun& run, RawPg& raw)
{
    raw.prepare("count", QStringLiteral("SELECT count(*) FROM prometx"));
    raw.prepare("last", QStringLiteral("SELECT * FROM prometx ORDER BY _ord DESC, rowid DESC "
                                       "LIMIT 1"));
    gridFigure(run, [&]() {
        raw.run("count");
        raw.run("last");
    });
}

} // namespace

void runOnPostgres(const QString& generatedData, const QString& cache, QTextStream& out,
                   const std::function<bool(char)>& wanted)
{
    out << "The same with the tables in PostgreSQL:" << Qt::endl;
    QTemporaryDir work(QDir(cache).filePath(QStringLiteral("engine-pg-XXXXXX")));
    PgBenchDatabase database(generatedData, work.path(), out);
    QDir::setCurrent(work.path());
    const FigureRun run{out, QStringLiteral("_pg"), QStringLiteral("raw libpq")};
    RawPg raw(database.connection());
    // In the order of the SQLite run: the grid first, before other figures fill the caches.
    const std::vector<std::pair<char, void (*)(const FigureRun&, RawPg&)>> figures{
        {'6', grid}, {'1', posting}, {'2', walk}, {'3', nearest}, {'4', machineNote}, {'5', card}};
    for (const auto& [number, figure] : figures) {
        if (wanted(number))
            figure(run, raw);
    }
    QDir::setCurrent(cache);
}

} // namespace kestar::bench
