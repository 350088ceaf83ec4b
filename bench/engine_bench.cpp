// The table engine beside raw SQLite doing the least work for the same job, on a generated data
// folder of 100,000 articles and 1,000,000 ledger rows, in the same run. See README.md.

#include "DataGenerator.h"

#include "data/Engine.h"
#include "data/Query.h"
#include "data/Table.h"
#include "data/Transaction.h"
#include "data/controls/BoxMessages.h"
#include "data/controls/DatasetModel.h"
#include "platform/Regional.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <algorithm>
#include <functional>
#include <random>
#include <sqlite3.h>
#include <stdexcept>
#include <vector>

using namespace kestar;
using kestar::bench::DataGenerator;

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

// ---- measuring -----------------------------------------------------------------------------

double millisecondsOf(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The median of repeats, the engine and raw SQLite taking turns so both meet the same caches.
std::pair<double, double> compare(int repeats, const std::function<void()>& engine,
                                  const std::function<void()>& raw)
{
    std::vector<double> e, r;
    for (int i = 0; i < repeats; ++i) {
        e.push_back(millisecondsOf(engine));
        r.push_back(millisecondsOf(raw));
    }
    return {median(e), median(r)};
}

long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

struct Figure
{
    QString name;
    QString unit;
    double engine;
    double raw;
    bool lowerIsBetter = true;
};
std::vector<Figure> figures;

// The figure for people, and for machines its ratio to raw (and its time when it is one) as
// RESULT <key>_ratio and RESULT <key>_ms.
void report(const QString& key, const Figure& figure)
{
    figures.push_back(figure);
    const double ratio =
        figure.lowerIsBetter ? figure.engine / figure.raw : figure.raw / figure.engine;
    out << QStringLiteral("  %1  engine %2 %3, raw sqlite3 %4 %3, engine/raw %5x")
               .arg(figure.name, -44)
               .arg(figure.engine, 0, 'f', 2)
               .arg(figure.unit)
               .arg(figure.raw, 0, 'f', 2)
               .arg(ratio, 0, 'f', 2)
        << Qt::endl;
    out << QStringLiteral("RESULT %1_ratio %2 x\n").arg(key).arg(ratio, 0, 'f', 2);
    if (figure.unit == QLatin1String("ms"))
        out << QStringLiteral("RESULT %1_ms %2 ms\nRESULT %1_raw_ms %3 ms\n")
                   .arg(key)
                   .arg(figure.engine, 0, 'f', 2)
                   .arg(figure.raw, 0, 'f', 2);
    out.flush();
}

// ---- the figures ---------------------------------------------------------------------------

const QString kLedger = QStringLiteral("podaci/prometx.DB");
const QString kArticles = QStringLiteral("podaci/magacin.db");

std::vector<QString> randomArticles(int count, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<QString> codes;
    for (int i = 0; i < count; ++i)
        codes.push_back(DataGenerator::articleCode(int(random() % DataGenerator::kArticles)));
    return codes;
}

// 1. A posting of 99 lines: 99 ledger rows at the front and 99 stock changes, one transaction.
void posting(int repeats)
{
    const int lines = 99;
    Engine engine;
    auto ledger = std::make_unique<Table>(engine, kLedger);
    auto articles = std::make_unique<Table>(engine, kArticles);
    ledger->open();
    articles->open();
    Raw raw(QStringLiteral("podaci/prometx.db"), QStringLiteral("podaci/magacin.db"));
    QStringList columns, parameters;
    for (const FieldDef& field : ledger->fields())
        columns.append(field.name);
    columns.append(QStringLiteral("_ord"));
    for (int i = 1; i <= columns.size(); ++i)
        parameters.append(QStringLiteral("?%1").arg(i));
    Stmt insert(raw.db, QStringLiteral("INSERT INTO main.prometx (%1) VALUES (%2)")
                            .arg(columns.join(','), parameters.join(',')));
    Stmt update(raw.db, QStringLiteral("UPDATE m.magacin SET KOLICINA=KOLICINA-?1, "
                                       "MAGACIN1=MAGACIN1-?1 WHERE SIFRA=?2"));
    Stmt front(raw.db, QStringLiteral("SELECT min(_ord) FROM main.prometx"));
    int run = 0;
    const QString date = Regional::formatDate(QDate(2025, 3, 14));

    const auto enginePosting = [&]() {
        const std::vector<QString> codes = randomArticles(lines, 100 + run++);
        Transaction transaction(engine);
        ledger->first();
        for (const QString& code : codes) {
            ledger->insert();
            const auto set = [&](const char* f, const QString& v) {
                ledger->setText(QString::fromLatin1(f), v);
            };
            set("BROJDOKUMENTA", "500001");
            for (const char* f : {"NARUDZBENICA", "ULAZ", "PREDRACUN", "RADNINALOG", "RACUN",
                                  "POVRATNICA", "UMAGACIN"})
                set(f, "0");
            set("OTPREMNICA", "700001");
            set("MAGACIN", "1");
            set("KOMENTAR", "Benchmark");
            set("KOMENTAR2", "");
            set("DATUM", date);
            set("VALUTA", date);
            set("SIFRAROBE", code);
            set("NAZIV", "Naziv artikla");
            set("NAZIVGRUPE", "Vijci");
            set("SIFRAGRUPE", "G01");
            set("CENA", "0");
            set("KOLICINA", "2");
            set("RABAT", "0");
            set("UI", "K");
            set("SIFRAKUPCA", "0");
            set("KUPAC", "VLASNIK");
            set("VREDNOST", "0");
            set("KORISNIK", "Administrator");
            set("SIFRAMASINE", "M0001");
            set("SIFRAMASINE2", "S-0001");
            set("NAZIVMASINE", "Masina 1");
            ledger->post();
            articles->findNearest(code);
            if (articles->text(QStringLiteral("SIFRA")) == code) {
                articles->edit();
                articles->setNumber(QStringLiteral("KOLICINA"),
                                    articles->number(QStringLiteral("KOLICINA")) - 2);
                articles->setNumber(QStringLiteral("MAGACIN1"),
                                    articles->number(QStringLiteral("MAGACIN1")) - 2);
                articles->post();
            }
        }
        transaction.commit();
    };
    const auto rawPosting = [&]() {
        const std::vector<QString> codes = randomArticles(lines, 100 + run++);
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
    };
    const auto [e, r] = compare(repeats, enginePosting, rawPosting);
    report(QStringLiteral("engine_posting"),
           {QStringLiteral("1. post 99 lines (insert + stock change)"), "ms", e, r});
}

// 2. Walking the whole ledger from the first row to the last.
void walk()
{
    Engine engine;
    auto ledger = std::make_unique<Table>(engine, kLedger);
    ledger->open();
    Raw raw(QStringLiteral("podaci/prometx.db"));
    QStringList columns;
    for (const FieldDef& field : ledger->fields())
        columns.append(field.name);
    Stmt all(raw.db, QStringLiteral("SELECT rowid, _ord, %1 FROM prometx ORDER BY _ord, rowid")
                         .arg(columns.join(',')));
    const int sifra = 2 + int(columns.indexOf(QStringLiteral("SIFRAROBE")));
    qint64 engineRows = 0, rawRows = 0;
    const auto [e, r] = compare(
        2,
        [&]() {
            engineRows = 0;
            for (ledger->first(); !ledger->eof(); ledger->next()) {
                if (!ledger->text(QStringLiteral("SIFRAROBE")).isEmpty())
                    ++engineRows;
            }
        },
        [&]() {
            rawRows = 0;
            while (all.step()) {
                if (sqlite3_column_bytes(all.s, sifra) > 0 && sqlite3_column_text(all.s, sifra))
                    ++rawRows;
            }
            all.reset();
        });
    if (engineRows != rawRows)
        out << "  !! the walks saw different rows: " << engineRows << " and " << rawRows
            << Qt::endl;
    report(QStringLiteral("walk"), {QStringLiteral("2. walk the ledger, first to last"), "k rows/s",
                                    engineRows / e, rawRows / r, false});
}

// 3. Nearest-key searches on the article table.
void nearest()
{
    const int searches = 20000;
    std::vector<QString> keys = randomArticles(searches, 7);
    for (size_t i = 0; i < keys.size(); i += 3)
        keys[i] += QStringLiteral("5"); // between two codes
    Engine engine;
    auto articles = std::make_unique<Table>(engine, kArticles);
    articles->open();
    Raw raw(QStringLiteral("podaci/magacin.db"));
    QStringList columns;
    for (const FieldDef& field : articles->fields())
        columns.append(field.name);
    Stmt seek(raw.db, QStringLiteral("SELECT rowid, %1 FROM magacin WHERE SIFRA >= ?1 ORDER BY "
                                     "SIFRA LIMIT 1")
                          .arg(columns.join(',')));
    qint64 sum = 0;
    const auto [e, r] = compare(
        3,
        [&]() {
            for (const QString& key : keys) {
                articles->findNearest(key);
                sum += articles->text(QStringLiteral("SIFRA")).size();
            }
        },
        [&]() {
            for (const QString& key : keys) {
                seek.text(1, key.toLatin1());
                if (seek.step())
                    sum += sqlite3_column_bytes(seek.s, 1);
                seek.reset();
            }
        });
    report(QStringLiteral("nearest"), {QStringLiteral("3. nearest-key search on magacin"),
                                       "us each", e * 1000 / searches, r * 1000 / searches});
}

// 4. The grouped statement of the machine note, for the machine with the most rows.
void grouped()
{
    const QString machine = DataGenerator::busyMachine(), machine2 = DataGenerator::busyMachine2();
    Engine engine;
    auto query = std::make_unique<Query>(
        engine,
        QStringLiteral("select NAZIVGRUPE, SIFRAGRUPE, SIFRAROBE, NAZIV, sum(kolicina) as ukupno "
                       "from podaci\\prometx.db where siframasine='%1' and siframasine2='%2' "
                       "group by NAZIVGRUPE, SIFRAGRUPE, SIFRAROBE, NAZIV")
            .arg(machine, machine2));
    Raw raw(QStringLiteral("podaci/prometx.db"));
    Stmt sum(raw.db, QStringLiteral("SELECT NAZIVGRUPE, SIFRAGRUPE, SIFRAROBE, NAZIV, "
                                    "sum(KOLICINA) AS ukupno FROM prometx WHERE SIFRAMASINE=?1 "
                                    "AND SIFRAMASINE2=?2 GROUP BY NAZIVGRUPE, SIFRAGRUPE, "
                                    "SIFRAROBE, NAZIV"));
    double engineTotal = 0, rawTotal = 0;
    qint64 groups = 0;
    const auto [e, r] = compare(
        5,
        [&]() {
            engineTotal = 0;
            groups = 0;
            query->close();
            query->open();
            for (query->first(); !query->eof(); query->next()) {
                engineTotal += query->number(QStringLiteral("UKUPNO"));
                ++groups;
            }
        },
        [&]() {
            rawTotal = 0;
            sum.text(1, machine.toLatin1());
            sum.text(2, machine2.toLatin1());
            while (sum.step())
                rawTotal += sqlite3_column_double(sum.s, 4);
            sum.reset();
        });
    if (engineTotal != rawTotal)
        out << "  !! the sums differ: " << engineTotal << " and " << rawTotal << Qt::endl;
    report(QStringLiteral("machine_note"),
           {QStringLiteral("4. machine note, grouped (%1 groups)").arg(groups), "ms", e, r});
}

// 5. The item card: the article's movements as a live query, SALDO rewritten in every row.
void itemCard()
{
    const QString article = DataGenerator::chosenArticle();
    Engine engine;
    auto card = std::make_unique<Query>(engine);
    Raw raw(QStringLiteral("podaci/prometx.db"));
    Stmt rows(raw.db, QStringLiteral("SELECT rowid, ULAZ, KOLICINA FROM prometx WHERE "
                                     "SIFRAROBE=?1 AND (ULAZ<>0 OR OTPREMNICA<>0) ORDER BY _ord, "
                                     "rowid"));
    Stmt update(raw.db, QStringLiteral("UPDATE prometx SET SALDO=?1 WHERE rowid=?2"));
    qint64 engineRows = 0, rawRows = 0;
    double engineSaldo = 0, rawSaldo = 0;
    // Every repeat of either side writes balances that differ from those in the table (the
    // engine's start from odd numbers, raw SQLite's from even ones): SQLite leaves a page alone
    // when a row is rewritten with the values it holds, so repeating the same balances would
    // time an update that writes nothing.
    int engineRun = 0, rawRun = 0;
    double engineStart = 0, rawStart = 0;
    const auto [e, r] = compare(
        3,
        [&]() {
            card->setSql(QStringLiteral("select ULAZ,OTPREMNICA,DATUM,KOLICINA,SALDO,KORISNIK,"
                                        "KOMENTAR, BROJDOKUMENTA from podaci\\prometx where "
                                        "((SIFRAROBE='%1') AND ((ULAZ<>0) OR (OTPREMNICA<>0)))")
                             .arg(article));
            card->open();
            Transaction transaction(engine);
            engineStart = 2 * ++engineRun - 1;
            engineSaldo = engineStart;
            engineRows = 0;
            for (card->last(); !card->bof(); card->prior()) {
                const double q = card->number(QStringLiteral("KOLICINA"));
                engineSaldo += card->number(QStringLiteral("ULAZ")) != 0 ? q : -q;
                card->edit();
                card->setText(QStringLiteral("SALDO"), Regional::formatNumber(engineSaldo));
                card->post();
                ++engineRows;
            }
            transaction.commit();
            card->close();
        },
        [&]() {
            std::vector<std::pair<qint64, double>> found;
            rows.text(1, article.toLatin1());
            while (rows.step()) {
                const double q = sqlite3_column_double(rows.s, 2);
                found.emplace_back(sqlite3_column_int64(rows.s, 0),
                                   sqlite3_column_int64(rows.s, 1) != 0 ? q : -q);
            }
            rows.reset();
            rawExec(raw.db, "BEGIN IMMEDIATE");
            rawStart = 2 * ++rawRun;
            rawSaldo = rawStart;
            for (auto it = found.rbegin(); it != found.rend(); ++it) {
                rawSaldo += it->second;
                sqlite3_bind_double(update.s, 1, rawSaldo);
                sqlite3_bind_int64(update.s, 2, it->first);
                rawCheck(raw.db, sqlite3_step(update.s));
                update.reset();
            }
            rawExec(raw.db, "COMMIT");
            rawRows = qint64(found.size());
        });
    if (engineRows != rawRows || engineSaldo - engineStart != rawSaldo - rawStart)
        out << "  !! the cards differ: " << engineRows << " rows, " << engineSaldo - engineStart
            << " and " << rawRows << " rows, " << rawSaldo - rawStart << Qt::endl;
    report(QStringLiteral("card"),
           {QStringLiteral("5. item card, %1 SALDO updates").arg(engineRows), "ms", e, r});
}

// 6. The grid model over the ledger, asked for row 999,999 right after opening.
void grid()
{
    const long before = residentKilobytes();
    Engine engine;
    auto ledger = std::make_unique<Table>(engine, kLedger);
    BoxMessages messages; // nothing is edited, so no box ever shows
    DatasetModel model(messages);
    QString text;
    const double e = millisecondsOf([&]() {
        ledger->open();
        model.setDataset(ledger.get());
        const int row = model.rowCount() - 1;
        for (int c = 0; c < model.columnCount(); ++c)
            text += model.data(model.index(row, c)).toString();
    });
    const long after = residentKilobytes();
    const double r = millisecondsOf([&]() {
        Raw raw(QStringLiteral("podaci/prometx.db"));
        Stmt count(raw.db, QStringLiteral("SELECT count(*) FROM prometx"));
        count.step();
        Stmt last(raw.db, QStringLiteral("SELECT * FROM prometx ORDER BY _ord DESC, rowid DESC "
                                         "LIMIT 1"));
        last.step();
    });
    report(QStringLiteral("grid"),
           {QStringLiteral("6. grid shows row %1 after opening").arg(model.rowCount() - 1), "ms", e,
            r});
    out << QStringLiteral("     grid memory added: %1 MB (VmRSS %2 -> %3 kB)")
               .arg((after - before) / 1024.0, 0, 'f', 1)
               .arg(before)
               .arg(after)
        << Qt::endl;
    figures.push_back(
        {QStringLiteral("6b. grid memory added"), "MB", (after - before) / 1024.0, 0});
    out << QStringLiteral("RESULT grid_row_%1 %2 ms\nRESULT grid_memory_added %3 MB\n")
               .arg(model.rowCount() - 1)
               .arg(e, 0, 'f', 2)
               .arg((after - before) / 1024.0, 0, 'f', 1)
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
    const QStringList args = QApplication::arguments();
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
    } catch (const std::exception& error) {
        out << "benchmark failed: " << error.what() << Qt::endl;
        return 1;
    }
    return 0;
}
