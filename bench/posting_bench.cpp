// The posting of a 99-line goods issue, as the save button runs it (checks, ledger rows, stock
// changes, counter files, one transaction), beside raw SQLite doing the same inserts and
// updates, on the generated data folder of 100,000 articles and 1,000,000 ledger rows.

#include "DataGenerator.h"

#include "data/Engine.h"
#include "data/FileSharedData.h"
#include "data/Table.h"
#include "goods/Posting.h"
#include "platform/Regional.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <random>
#include <sqlite3.h>
#include <stdexcept>
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

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Regional::setCurrent(Regional::standard());
    QString cache = QString::fromUtf8(KESTAR_BENCH_DATA);
    if (QApplication::arguments().size() > 1)
        cache = QApplication::arguments().at(1);
    try {
        const QString data = DataGenerator::ensure(cache, out);
        QTemporaryDir work(QDir(cache).filePath(QStringLiteral("posting-XXXXXX")));
        DataGenerator::copyFolder(QDir(data).filePath(QStringLiteral("podaci")),
                                  QDir(work.path()).filePath(QStringLiteral("podaci")));
        QDir::setCurrent(work.path());

        Engine engine;
        auto ledger = std::make_unique<Table>(engine, QStringLiteral("podaci/prometx.DB"));
        auto items = std::make_unique<Table>(engine, QStringLiteral("podaci/magacin.db"));
        RawPosting raw;
        FileSharedData shared;
        std::vector<double> engineTimes, rawTimes;
        for (int run = 0; run < kRepeats; ++run) {
            const std::vector<QString> codes = randomArticles(100 + run);
            const GoodsDocument document = issueOf(codes, 2 * run + 1);
            QElapsedTimer timer;
            timer.start();
            Posting::post({engine, *ledger, *items, shared}, document);
            engineTimes.push_back(double(timer.nsecsElapsed()) / 1e6);
            timer.restart();
            raw.post(codes, 2 * run + 2);
            rawTimes.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        const double e = median(engineTimes);
        const double r = median(rawTimes);
        out << QStringLiteral("post a 99-line issue: posting %1 ms, raw sqlite3 %2 ms, "
                              "posting/raw %3x (median of %4)")
                   .arg(e, 0, 'f', 2)
                   .arg(r, 0, 'f', 2)
                   .arg(e / r, 0, 'f', 2)
                   .arg(kRepeats)
            << Qt::endl;
        out << QStringLiteral("RESULT posting_ms %1 ms\nRESULT posting_raw_ms %2 ms\n"
                              "RESULT posting_ratio %3 x\n")
                   .arg(e, 0, 'f', 2)
                   .arg(r, 0, 'f', 2)
                   .arg(e / r, 0, 'f', 2)
            << Qt::flush;
        QDir::setCurrent(cache);
    } catch (const std::exception& error) {
        out << "benchmark failed: " << error.what() << Qt::endl;
        return 1;
    }
    return 0;
}
