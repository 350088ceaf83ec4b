// The posting of a 99-line goods issue, as the save button runs it (checks, ledger rows, stock
// changes, counter files, one transaction), beside raw SQLite doing the same inserts and
// updates, on the generated data folder of 100,000 articles and 1,000,000 ledger rows.
// With --postgres (under scripts/with-pg.sh) the same again with the tables in a PostgreSQL
// database, beside raw libpq.

#include "DataGenerator.h"
#include "PgBenchDatabase.h"
#include "RawPg.h"

#include "data/Engine.h"
#include "data/Query.h"
#include "data/SharedData.h"
#include "data/SharedDataStore.h"
#include "data/Table.h"
#include "data/pg/PgConnection.h"
#include "goods/Posting.h"
#include "platform/Regional.h"
#include "printing/ItemCard.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <functional>
#include <libpq-fe.h>
#include <random>
#include <sqlite3.h>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace kestar;
using kestar::bench::DataGenerator;

namespace {

QTextStream out(stdout);
constexpr int kLines = 99;
constexpr int kRepeats = 7;

void check(sqlite3* db, int rc)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(sqlite3_errmsg(db));
}

std::vector<QString> randomArticles(unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<QString> codes;
    for (int i = 0; i < kLines; ++i)
        codes.push_back(DataGenerator::articleCode(int(random() % DataGenerator::kArticles)));
    return codes;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

GoodsDocument issueOf(const std::vector<QString>& codes, int number)
{
    GoodsDocument document;
    document.kind = DocumentKind::Issue;
    document.number = QString::number(number);
    document.date = QDate(2025, 3, 14);
    document.comment1 = QStringLiteral("Benchmark");
    document.machineCode = QStringLiteral("M0001");
    document.machineCode2 = QStringLiteral("S-0001");
    document.machineName = QStringLiteral("Masina 1");
    for (const QString& code : codes)
        document.lines.append(
            {code, QStringLiteral("Naziv artikla"), QStringLiteral("2"), "G01", "Vijci"});
    document.lastDocumentNumber = 500000 + number;
    document.user = QStringLiteral("Administrator");
    document.equipmentSwitch = 1;
    return document;
}

// Raw SQLite: the ledger file with the article file attached, the engine's durability
// settings, prepared statements, one transaction.
struct RawPosting
{
    sqlite3* db = nullptr;
    sqlite3_stmt* insert = nullptr;
    sqlite3_stmt* update = nullptr;
    sqlite3_stmt* front = nullptr;

    RawPosting()
    {
        check(db, sqlite3_open("podaci/prometx.db", &db));
        check(db, sqlite3_exec(db,
                               "ATTACH DATABASE 'podaci/magacin.db' AS m;"
                               "PRAGMA main.journal_mode=DELETE; PRAGMA main.synchronous=FULL;"
                               "PRAGMA m.journal_mode=DELETE; PRAGMA m.synchronous=FULL;",
                               nullptr, nullptr, nullptr));
        prepare("INSERT INTO main.prometx (BROJDOKUMENTA, NARUDZBENICA, OTPREMNICA, ULAZ, "
                "PREDRACUN, RADNINALOG, RACUN, POVRATNICA, UMAGACIN, MAGACIN, KOMENTAR, "
                "KOMENTAR2, DATUM, VALUTA, SIFRAROBE, NAZIV, NAZIVGRUPE, SIFRAGRUPE, CENA, "
                "KOLICINA, RABAT, UI, SIFRAKUPCA, KUPAC, VREDNOST, KORISNIK, SIFRAMASINE, "
                "SIFRAMASINE2, NAZIVMASINE, _ord) VALUES (?1, 0, ?2, 0, 0, 0, 0, 0, 0, 1, "
                "'Benchmark', '', '2025-03-14', '2025-03-14', ?3, 'Naziv artikla', 'Vijci', "
                "'G01', 0, 2, 0, 'K', '0', 'VLASNIK', 0, 'Administrator', 'M0001', 'S-0001', "
                "'Masina 1', ?4)",
                &insert);
        prepare("UPDATE m.magacin SET KOLICINA=KOLICINA-2, MAGACIN1=MAGACIN1-2 WHERE SIFRA=?1",
                &update);
        prepare("SELECT min(_ord) FROM main.prometx", &front);
    }
    ~RawPosting()
    {
        for (sqlite3_stmt* s : {insert, update, front})
            sqlite3_finalize(s);
        sqlite3_close_v2(db);
    }
    void prepare(const char* sql, sqlite3_stmt** statement)
    {
        check(db, sqlite3_prepare_v2(db, sql, -1, statement, nullptr));
    }

    void post(const std::vector<QString>& codes, int number)
    {
        check(db, sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr));
        check(db, sqlite3_step(front));
        qint64 order = sqlite3_column_int64(front, 0);
        sqlite3_reset(front);
        for (const QString& code : codes) {
            const QByteArray c = code.toLatin1();
            sqlite3_bind_int64(insert, 1, 500001 + number);
            sqlite3_bind_int64(insert, 2, number);
            sqlite3_bind_text(insert, 3, c.constData(), int(c.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int64(insert, 4, order -= DataGenerator::kOrderStep);
            check(db, sqlite3_step(insert));
            sqlite3_reset(insert);
            sqlite3_bind_text(update, 1, c.constData(), int(c.size()), SQLITE_TRANSIENT);
            check(db, sqlite3_step(update));
            sqlite3_reset(update);
        }
        check(db, sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr));
    }
};

// Raw libpq: prepared statements on one connection, one transaction, one round trip per
// statement (as the engine's cursor makes them).
struct RawPgPosting : bench::RawPg
{
    explicit RawPgPosting(const QString& connection) : RawPg(connection)
    {
        prepare("front", "SELECT min(_ord) FROM prometx");
        prepare("insert",
                "INSERT INTO prometx (\"BROJDOKUMENTA\", \"NARUDZBENICA\", \"OTPREMNICA\", "
                "\"ULAZ\", \"PREDRACUN\", \"RADNINALOG\", \"RACUN\", \"POVRATNICA\", "
                "\"UMAGACIN\", \"MAGACIN\", \"KOMENTAR\", \"KOMENTAR2\", \"DATUM\", \"VALUTA\", "
                "\"SIFRAROBE\", \"NAZIV\", \"NAZIVGRUPE\", \"SIFRAGRUPE\", \"CENA\", "
                "\"KOLICINA\", \"RABAT\", \"UI\", \"SIFRAKUPCA\", \"KUPAC\", \"VREDNOST\", "
                "\"KORISNIK\", \"SIFRAMASINE\", \"SIFRAMASINE2\", \"NAZIVMASINE\", _ord) "
                "VALUES ($1, 0, $2, 0, 0, 0, 0, 0, 0, 1, 'Benchmark', '', '2025-03-14', "
                "'2025-03-14', $3, 'Naziv artikla', 'Vijci', 'G01', 0, 2, 0, 'K', '0', "
                "'VLASNIK', 0, 'Administrator', 'M0001', 'S-0001', 'Masina 1', $4)");
        prepare("update", "UPDATE magacin SET \"KOLICINA\" = \"KOLICINA\" - 2, \"MAGACIN1\" = "
                          "\"MAGACIN1\" - 2 WHERE \"SIFRA\" = $1");
    }

    void post(const std::vector<QString>& codes, int number)
    {
        exec("BEGIN");
        PGresult* front = query("front");
        qint64 order = QByteArray(PQgetvalue(front, 0, 0)).toLongLong();
        PQclear(front);
        for (const QString& code : codes) {
            const QByteArray c = code.toLatin1();
            run("insert", {QByteArray::number(500001 + number), QByteArray::number(number), c,
                           QByteArray::number(order -= DataGenerator::kOrderStep)});
            run("update", {c});
        }
        exec("COMMIT");
    }
};

struct Figures
{
    double engine = 0;
    double raw = 0;
};

// Raw libpq doing the least work for a posting: one transaction of the ledger's front, one
// multi-row insert and one stock update summing the lines per article; with delay added to
// every round trip as the program's connection adds it.
struct RawPgSetPosting
{
    RawPgPosting& raw;
    std::chrono::microseconds delay;

    QByteArray run(const QString& sql)
    {
        PGresult* result = raw.checked(PQexec(raw.db, sql.toUtf8().constData()));
        std::this_thread::sleep_for(delay);
        const QByteArray value =
            PQntuples(result) > 0 ? QByteArray(PQgetvalue(result, 0, 0)) : QByteArray();
        PQclear(result);
        return value;
    }

    void post(const std::vector<QString>& codes, int number)
    {
        run(QStringLiteral("BEGIN"));
        qint64 order = run(QStringLiteral("SELECT min(_ord) FROM prometx")).toLongLong();
        QStringList rows, lines;
        for (const QString& code : codes) {
            rows.append(QStringLiteral("(%1, 0, %2, 0, 0, 0, 0, 0, 0, 1, 'Benchmark', '', "
                                       "'2025-03-14', '2025-03-14', '%3', 'Naziv artikla', "
                                       "'Vijci', 'G01', 0, 2, 0, 'K', '0', 'VLASNIK', 0, "
                                       "'Administrator', 'M0001', 'S-0001', 'Masina 1', %4)")
                            .arg(500001 + number)
                            .arg(number)
                            .arg(code)
                            .arg(order -= DataGenerator::kOrderStep));
            lines.append(QStringLiteral("('%1', 2.0)").arg(code));
        }
        run(QStringLiteral("INSERT INTO prometx (\"BROJDOKUMENTA\", \"NARUDZBENICA\", "
                           "\"OTPREMNICA\", \"ULAZ\", \"PREDRACUN\", \"RADNINALOG\", "
                           "\"RACUN\", \"POVRATNICA\", \"UMAGACIN\", \"MAGACIN\", "
                           "\"KOMENTAR\", \"KOMENTAR2\", \"DATUM\", \"VALUTA\", "
                           "\"SIFRAROBE\", \"NAZIV\", \"NAZIVGRUPE\", \"SIFRAGRUPE\", "
                           "\"CENA\", \"KOLICINA\", \"RABAT\", \"UI\", \"SIFRAKUPCA\", "
                           "\"KUPAC\", \"VREDNOST\", \"KORISNIK\", \"SIFRAMASINE\", "
                           "\"SIFRAMASINE2\", \"NAZIVMASINE\", _ord) VALUES %1")
                .arg(rows.join(QStringLiteral(", "))));
        run(QStringLiteral("UPDATE magacin AS m SET \"KOLICINA\" = m.\"KOLICINA\" - v.q, "
                           "\"MAGACIN1\" = m.\"MAGACIN1\" - v.q FROM (SELECT c, sum(q) AS q "
                           "FROM (VALUES %1) AS l (c, q) GROUP BY c) AS v WHERE m.\"SIFRA\" = "
                           "v.c")
                .arg(lines.join(QStringLiteral(", "))));
        run(QStringLiteral("COMMIT"));
    }
};

// The item card of an article with kCardRows movements, built by the program (the first build
// writes every SALDO) beside raw libpq writing the same running balance in one statement.
constexpr int kCardRows = 10000;

Figures measureCard(RawPgSetPosting& raw)
{
    const QString code = QStringLiteral("KARTICA");
    raw.run(QStringLiteral("INSERT INTO prometx (\"BROJDOKUMENTA\", \"OTPREMNICA\", \"ULAZ\", "
                           "\"SIFRAROBE\", \"KOLICINA\", _ord) SELECT 900000 + i, CASE WHEN "
                           "i % 3 = 0 THEN i ELSE 0 END, CASE WHEN i % 3 = 0 THEN 0 ELSE i END, "
                           "'%1', (i % 7) + 0.5, -10000000000 - i * 1024 FROM "
                           "generate_series(1, %2) AS i")
                .arg(code)
                .arg(kCardRows));
    raw.run(QStringLiteral("ANALYZE prometx"));
    Engine engine;
    Query card(engine);
    QElapsedTimer timer;
    timer.start();
    ItemCard::build(engine, card, code);
    const double program = double(timer.nsecsElapsed()) / 1e6;
    if (card.rowCount() != kCardRows)
        throw std::runtime_error("the card does not show every movement");
    timer.restart();
    raw.run(QStringLiteral("UPDATE prometx AS p SET \"SALDO\" = b.s FROM (SELECT rowid AS id, "
                           "sum(CASE WHEN \"OTPREMNICA\" = 0 THEN \"KOLICINA\" ELSE 0 END - "
                           "CASE WHEN \"ULAZ\" = 0 THEN \"KOLICINA\" ELSE 0 END) OVER (ORDER "
                           "BY _ord DESC, rowid DESC) AS s FROM prometx WHERE "
                           "\"SIFRAROBE\" = '%1' AND (\"ULAZ\" <> 0 OR \"OTPREMNICA\" <> 0)) "
                           "AS b WHERE p.rowid = b.id")
                .arg(code));
    return {program, double(timer.nsecsElapsed()) / 1e6};
}

// The median of kRepeats postings through the program's Posting beside as many raw ones on the
// same tables. Each side posts articles of its own, and they take turns going first: the first
// posting into an index's pages after the folder was generated writes about twice as many pages
// as a second one into the same pages (235 to 309 against 123 of the ledger file), which made the
// program look 1.7 times slower than raw when it always went first, and 1.0 times when raw did.
Figures measure(const std::function<void(const std::vector<QString>&, int)>& rawPost)
{
    Engine engine;
    auto ledger = std::make_unique<Table>(engine, QStringLiteral("podaci/prometx.DB"));
    auto items = std::make_unique<Table>(engine, QStringLiteral("podaci/magacin.db"));
    // The counters where the program keeps them: files of the folder, or rows of the database.
    const std::unique_ptr<SharedData> shared = DataStore::sharedData(engine);
    std::vector<double> engineTimes, rawTimes;
    for (int run = 0; run < kRepeats; ++run) {
        const GoodsDocument document = issueOf(randomArticles(100 + run), 2 * run + 1);
        const std::vector<QString> rawCodes = randomArticles(500 + run);
        const auto program = [&]() {
            QElapsedTimer timer;
            timer.start();
            Posting::post({engine, *ledger, *items, *shared}, document);
            engineTimes.push_back(double(timer.nsecsElapsed()) / 1e6);
        };
        const auto raw = [&]() {
            QElapsedTimer timer;
            timer.start();
            rawPost(rawCodes, 2 * run + 2);
            rawTimes.push_back(double(timer.nsecsElapsed()) / 1e6);
        };
        if (run % 2 == 0) {
            program();
            raw();
        } else {
            raw();
            program();
        }
    }
    return {median(engineTimes), median(rawTimes)};
}

void print(const Figures& figures, const QString& raw, const QString& prefix)
{
    const double e = figures.engine;
    const double r = figures.raw;
    out << QStringLiteral("post a 99-line issue: posting %1 ms, %2 %3 ms, posting/raw %4x "
                          "(median of %5)")
               .arg(e, 0, 'f', 2)
               .arg(raw)
               .arg(r, 0, 'f', 2)
               .arg(e / r, 0, 'f', 2)
               .arg(kRepeats)
        << Qt::endl;
    out << QStringLiteral("RESULT %4_ms %1 ms\nRESULT %4_raw_ms %2 ms\n"
                          "RESULT %4_ratio %3 x\n")
               .arg(e, 0, 'f', 2)
               .arg(r, 0, 'f', 2)
               .arg(e / r, 0, 'f', 2)
               .arg(prefix)
        << Qt::flush;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Regional::setCurrent(Regional::standard());
    QString cache = QString::fromUtf8(KESTAR_BENCH_DATA);
    QStringList arguments = QApplication::arguments().mid(1);
    const bool postgres = arguments.removeAll(QStringLiteral("--postgres")) > 0;
    if (!arguments.isEmpty())
        cache = arguments.first();
    try {
        const QString data = DataGenerator::ensure(cache, out);
        const QString generated = QDir(data).filePath(QStringLiteral("podaci"));
        {
            QTemporaryDir work(QDir(cache).filePath(QStringLiteral("posting-XXXXXX")));
            DataGenerator::copyFolder(generated,
                                      QDir(work.path()).filePath(QStringLiteral("podaci")));
            QDir::setCurrent(work.path());
            RawPosting raw;
            print(measure([&](const std::vector<QString>& codes, int number) {
                      raw.post(codes, number);
                  }),
                  QStringLiteral("raw sqlite3"), QStringLiteral("posting"));
            QDir::setCurrent(cache);
        }
        if (postgres) {
            out << "The same with the tables in PostgreSQL:" << Qt::endl;
            QTemporaryDir work(QDir(cache).filePath(QStringLiteral("posting-pg-XXXXXX")));
            bench::PgBenchDatabase database(generated, work.path(), out);
            QDir::setCurrent(work.path());
            RawPgPosting raw(database.connection());
            print(measure([&](const std::vector<QString>& codes, int number) {
                      raw.post(codes, number);
                  }),
                  QStringLiteral("raw libpq"), QStringLiteral("posting_pg"));
            out << "With 0.3 ms added to every round trip, beside raw libpq doing the least "
                   "work:"
                << Qt::endl;
            const std::chrono::microseconds delay(300);
            PgConnection::setAddedRoundTripDelay(delay);
            RawPgSetPosting least{raw, delay};
            print(measure([&](const std::vector<QString>& codes, int number) {
                      least.post(codes, number);
                  }),
                  QStringLiteral("raw libpq"), QStringLiteral("posting_pg_rtt03"));
            const Figures card = measureCard(least);
            out << QStringLiteral("item card of %1 movements: program %2 ms, raw libpq %3 ms")
                       .arg(kCardRows)
                       .arg(card.engine, 0, 'f', 2)
                       .arg(card.raw, 0, 'f', 2)
                << Qt::endl;
            out << QStringLiteral("RESULT itemcard_pg_rtt03_ms %1 ms\nRESULT "
                                  "itemcard_pg_rtt03_raw_ms %2 ms\n")
                       .arg(card.engine, 0, 'f', 2)
                       .arg(card.raw, 0, 'f', 2)
                << Qt::flush;
            PgConnection::setAddedRoundTripDelay(std::chrono::microseconds(0));
            QDir::setCurrent(cache);
        }
        QDir::setCurrent(cache);
    } catch (const std::exception& error) {
        out << "benchmark failed: " << error.what() << Qt::endl;
        return 1;
    }
    return 0;
}
