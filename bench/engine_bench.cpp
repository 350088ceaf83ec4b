// The table engine beside raw SQLite doing the least work for the same job, on a generated data
// folder of 100,000 articles and 1,000,000 ledger rows, in the same run. With --postgres (under
// scripts/with-pg.sh) the same figures again with the tables in a PostgreSQL database, beside
// raw libpq (engine_bench_pg.cpp). See README.md.

#include "DataGenerator.h"
#include "EngineBenchPg.h"
#include "EngineFigures.h"

#include "data/Schema.h"
#include "platform/Regional.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QTextStream>
#include <sqlite3.h>
#include <stdexcept>
#include <vector>

using namespace kestar;
using namespace kestar::bench;

namespace {

QTextStream out(stdout);

// ---- raw SQLite, as plainly as it can be written ----------------------------------------

void rawCheck(sqlite3* db, int rc)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(sqlite3_errmsg(db));
}

void rawExec(sqlite3* db, const char* sql)
{
    rawCheck(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr));
}

struct Raw
{
    sqlite3* db = nullptr;
    explicit Raw(const QString& ledgerFile, const QString& articleFile = {})
    {
        rawCheck(db, sqlite3_open(QFile::encodeName(ledgerFile).constData(), &db));
        if (!articleFile.isEmpty()) {
            const QByteArray sql = "ATTACH DATABASE '" + QFile::encodeName(articleFile) + "' AS m";
            rawExec(db, sql.constData());
        }
        // The engine's durability settings.
        rawExec(db, "PRAGMA main.journal_mode=DELETE; PRAGMA main.synchronous=FULL");
        if (!articleFile.isEmpty())
            rawExec(db, "PRAGMA m.journal_mode=DELETE; PRAGMA m.synchronous=FULL");
    }
    ~Raw() { sqlite3_close_v2(db); }
};

struct Stmt
{
    sqlite3_stmt* s = nullptr;
    Stmt(sqlite3* db, const QString& sql)
    {
        rawCheck(db, sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &s, nullptr));
    }
    ~Stmt() { sqlite3_finalize(s); }
    bool step() { return sqlite3_step(s) == SQLITE_ROW; }
    void reset() { sqlite3_reset(s); }
    void text(int i, const QByteArray& v)
    {
        sqlite3_bind_text(s, i, v.constData(), int(v.size()), SQLITE_TRANSIENT);
    }
};

// ---- the raw side of each figure ----------------------------------------------------------

const FigureRun kRun{out, QString(), QStringLiteral("raw sqlite3")};

QStringList fieldsOf(const QString& table)
{
    QStringList columns;
    for (const FieldDef& field : Schema::table(table).fields)
        columns.append(field.name);
    return columns;
}

void posting(int repeats)
{
    Raw raw(QStringLiteral("podaci/prometx.db"), QStringLiteral("podaci/magacin.db"));
    QStringList columns = fieldsOf(QStringLiteral("prometx")), parameters;
    columns.append(QStringLiteral("_ord"));
    for (int i = 1; i <= columns.size(); ++i)
        parameters.append(QStringLiteral("?%1").arg(i));
    Stmt insert(raw.db, QStringLiteral("INSERT INTO main.prometx (%1) VALUES (%2)")
                            .arg(columns.join(','), parameters.join(',')));
    Stmt update(raw.db, QStringLiteral("UPDATE m.magacin SET KOLICINA=KOLICINA-?1, "
                                       "MAGACIN1=MAGACIN1-?1 WHERE SIFRA=?2"));
    Stmt front(raw.db, QStringLiteral("SELECT min(_ord) FROM main.prometx"));
    postingFigure(kRun, repeats, [&](const std::vector<QString>& codes) {
        rawExec(raw.db, "BEGIN IMMEDIATE");
        front.step();
        qint64 order = sqlite3_column_int64(front.s, 0);
        front.reset();
        const QByteArray isoDate = QDate(2025, 3, 14).toString(Qt::ISODate).toLatin1();
        for (const QString& code : codes) {
            const QByteArray c = code.toLatin1();
            int p = 1;
            sqlite3_stmt* s = insert.s;
            sqlite3_bind_int64(s, p++, 500001);
            sqlite3_bind_int64(s, p++, 0);
            sqlite3_bind_int64(s, p++, 700001);
            for (int z = 0; z < 6; ++z)
                sqlite3_bind_int64(s, p++, 0);
            sqlite3_bind_int64(s, p++, 1);
            insert.text(p++, "Benchmark");
            insert.text(p++, "");
            insert.text(p++, isoDate);
            insert.text(p++, isoDate);
            insert.text(p++, c);
            insert.text(p++, "Naziv artikla");
            insert.text(p++, "Vijci");
            insert.text(p++, "G01");
            sqlite3_bind_double(s, p++, 0);
            sqlite3_bind_double(s, p++, 2);
            sqlite3_bind_double(s, p++, 0);
            insert.text(p++, "K");
            insert.text(p++, "0");
            insert.text(p++, "VLASNIK");
            sqlite3_bind_double(s, p++, 0);
            insert.text(p++, "Administrator");
            insert.text(p++, "M0001");
            insert.text(p++, "S-0001");
            insert.text(p++, "Masina 1");
            sqlite3_bind_null(s, p++);
            sqlite3_bind_int64(s, p++, order -= 1024);
            rawCheck(raw.db, sqlite3_step(s));
            insert.reset();
            sqlite3_bind_double(update.s, 1, 2);
            update.text(2, c);
            rawCheck(raw.db, sqlite3_step(update.s));
            update.reset();
        }
        rawExec(raw.db, "COMMIT");
    });
}

void walk()
{
    Raw raw(QStringLiteral("podaci/prometx.db"));
    const QStringList columns = fieldsOf(QStringLiteral("prometx"));
    Stmt all(raw.db, QStringLiteral("SELECT rowid, _ord, %1 FROM prometx ORDER BY _ord, rowid")
                         .arg(columns.join(',')));
    const int sifra = 2 + int(columns.indexOf(QStringLiteral("SIFRAROBE")));
    walkFigure(kRun, [&]() {
        qint64 rows = 0;
        while (all.step()) {
            if (sqlite3_column_bytes(all.s, sifra) > 0 && sqlite3_column_text(all.s, sifra))
                ++rows;
        }
        all.reset();
        return rows;
    });
}

void nearest()
{
    Raw raw(QStringLiteral("podaci/magacin.db"));
    Stmt seek(raw.db, QStringLiteral("SELECT rowid, %1 FROM magacin WHERE SIFRA >= ?1 ORDER BY "
                                     "SIFRA LIMIT 1")
                          .arg(fieldsOf(QStringLiteral("magacin")).join(',')));
    nearestFigure(kRun, [&](const std::vector<QString>& keys) {
        qint64 sum = 0;
        for (const QString& key : keys) {
            seek.text(1, key.toLatin1());
            if (seek.step())
                sum += sqlite3_column_bytes(seek.s, 1);
            seek.reset();
        }
        return sum;
    });
}

void grouped()
{
    Raw raw(QStringLiteral("podaci/prometx.db"));
    Stmt sum(raw.db, QStringLiteral("SELECT NAZIVGRUPE, SIFRAGRUPE, SIFRAROBE, NAZIV, "
                                    "sum(KOLICINA) AS ukupno FROM prometx WHERE SIFRAMASINE=?1 "
                                    "AND SIFRAMASINE2=?2 GROUP BY NAZIVGRUPE, SIFRAGRUPE, "
                                    "SIFRAROBE, NAZIV"));
    machineNoteFigure(kRun, [&](const QString& machine, const QString& machine2) {
        double total = 0;
        sum.text(1, machine.toLatin1());
        sum.text(2, machine2.toLatin1());
        while (sum.step())
            total += sqlite3_column_double(sum.s, 4);
        sum.reset();
        return total;
    });
}

void itemCard()
{
    Raw raw(QStringLiteral("podaci/prometx.db"));
    Stmt rows(raw.db, QStringLiteral("SELECT rowid, ULAZ, KOLICINA FROM prometx WHERE "
                                     "SIFRAROBE=?1 AND (ULAZ<>0 OR OTPREMNICA<>0) ORDER BY _ord, "
                                     "rowid"));
    Stmt update(raw.db, QStringLiteral("UPDATE prometx SET SALDO=?1 WHERE rowid=?2"));
    cardFigure(kRun, [&](const QString& article, double start) {
        std::vector<std::pair<qint64, double>> found;
        rows.text(1, article.toLatin1());
        while (rows.step()) {
            const double q = sqlite3_column_double(rows.s, 2);
            found.emplace_back(sqlite3_column_int64(rows.s, 0),
                               sqlite3_column_int64(rows.s, 1) != 0 ? q : -q);
        }
        rows.reset();
        rawExec(raw.db, "BEGIN IMMEDIATE");
        double saldo = start;
        for (auto it = found.rbegin(); it != found.rend(); ++it) {
            saldo += it->second;
            sqlite3_bind_double(update.s, 1, saldo);
            sqlite3_bind_int64(update.s, 2, it->first);
            rawCheck(raw.db, sqlite3_step(update.s));
            update.reset();
        }
        rawExec(raw.db, "COMMIT");
        return std::pair<qint64, double>(qint64(found.size()), saldo - start);
    });
}

void grid()
{
    gridFigure(kRun, []() {
        Raw raw(QStringLiteral("podaci/prometx.db"));
        Stmt count(raw.db, QStringLiteral("SELECT count(*) FROM prometx"));
        count.step();
        Stmt last(raw.db, QStringLiteral("SELECT * FROM prometx ORDER BY _ord DESC, rowid DESC "
                                         "LIMIT 1"));
        last.step();
    });
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Regional::setCurrent(Regional::standard());
    QString cache = QString::fromUtf8(KESTAR_BENCH_DATA);
    QStringList args = QApplication::arguments();
    const bool postgres = args.removeAll(QStringLiteral("--postgres")) > 0;
    if (args.size() > 1 && !args.at(1).isEmpty())
        cache = args.at(1);
    // An optional list of figure numbers ("125") runs only those, e.g. under a profiler.
    const QString only = args.size() > 2 ? args.at(2) : QString();
    const auto wanted = [&only](char figure) {
        return only.isEmpty() || only.contains(QLatin1Char(figure));
    };
    try {
        const QString data = DataGenerator::ensure(cache, out);
        // Every run works on a fresh copy, so that the figures do not drift from run to run.
        const QString work = QDir(cache).filePath(QStringLiteral("run"));
        DataGenerator::copyFolder(QDir(data).filePath(QStringLiteral("podaci")),
                                  QDir(work).filePath(QStringLiteral("podaci")));
        QDir::setCurrent(work);
        out << "Data folder: " << work << "/podaci" << Qt::endl;
        if (wanted('6'))
            grid(); // first, so that its memory figure is not hidden by the caches of the others
        if (wanted('1'))
            posting(7);
        if (wanted('2'))
            walk();
        if (wanted('3'))
            nearest();
        if (wanted('4'))
            grouped();
        if (wanted('5'))
            itemCard();
        if (postgres) {
            QDir::setCurrent(cache);
            runOnPostgres(QDir(data).filePath(QStringLiteral("podaci")), cache, out, wanted);
        }
    } catch (const std::exception& error) {
        out << "benchmark failed: " << error.what() << Qt::endl;
        return 1;
    }
    return 0;
}
