// One keystroke of the item chooser's name search on 100,000 articles: the chooser's own
// statement run by the engine and shown in the grid the chooser uses (its first screenful
// painted), beside raw SQLite reading the same first screenful with its built-in LIKE.
// With --postgres, the same again with the tables in a PostgreSQL database, beside raw libpq.

#include "DataGenerator.h"
#include "PgBenchDatabase.h"
#include "RawPg.h"

#include "data/Engine.h"
#include "data/Query.h"
#include "data/controls/BoxMessages.h"
#include "data/controls/DataGrid.h"
#include "data/sql/SqlDialect.h"
#include "platform/Regional.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <functional>
#include <sqlite3.h>
#include <stdexcept>
#include <vector>

using namespace kestar;
using kestar::bench::DataGenerator;

namespace {

QTextStream out(stdout);
constexpr int kRepeats = 5;
constexpr int kScreenRows = 14; // the chooser's grid shows about this many rows

// From one letter to a whole name, the empty text of a fresh chooser, texts that match
// almost every name, a few and none, and the signs a user may type.
const QStringList kSearches = {
    QString(),
    QStringLiteral("a"),
    QStringLiteral("Z"),
    QStringLiteral("q"),
    QStringLiteral("ar"),
    QStringLiteral("xy"),
    QStringLiteral("art"),
    QStringLiteral("ARTI"),
    QStringLiteral("vijci art"),
    QStringLiteral("12345"),
    QStringLiteral("99999"),
    QStringLiteral("rezervni"),
    QStringLiteral("Vijci artikal 4711 "),
    QStringLiteral("Lezaje artikal 100000"),
    QStringLiteral("nema takvog"),
    QStringLiteral("%"),
    QStringLiteral("_a_"),
    QStringLiteral("'"),
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QString statementOf(const QString& text)
{
    return QStringLiteral("Select * from podaci\\magacin where (NAZIV LIKE '%") +
           sql::quoted(text) + QStringLiteral("%')");
}

// Raw SQLite: its own LIKE (ASCII letters folded only), the first screenful in code order.
struct RawSearch
{
    sqlite3* db = nullptr;
    sqlite3_stmt* select = nullptr;
    RawSearch()
    {
        if (sqlite3_open_v2("podaci/magacin.db", &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
            sqlite3_prepare_v2(db,
                               "SELECT * FROM magacin WHERE NAZIV LIKE ?1 ORDER BY SIFRA LIMIT ?2",
                               -1, &select, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db));
    }
    ~RawSearch()
    {
        sqlite3_finalize(select);
        sqlite3_close_v2(db);
    }
    int search(const QString& text)
    {
        const QByteArray pattern = (QLatin1Char('%') + text + QLatin1Char('%')).toUtf8();
        sqlite3_bind_text(select, 1, pattern.constData(), int(pattern.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(select, 2, kScreenRows);
        int rows = 0;
        while (sqlite3_step(select) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(select); ++c)
                sqlite3_column_text(select, c);
            ++rows;
        }
        sqlite3_reset(select);
        return rows;
    }
};

// Raw libpq: the same folded LIKE (so that the server may use the name's trigram index as it
// does for the program), the first screenful in code order, one way to the server and back.
// The statement goes with its text each time, not prepared once: a prepared one soon runs a
// plan made without the text, which reads names in code order even when few match.
struct RawPgSearch : bench::RawPg
{
    using RawPg::RawPg;
    int search(const QString& text)
    {
        static const QByteArray sql =
            QStringLiteral("SELECT * FROM magacin WHERE lower((\"NAZIV\") COLLATE \"C.utf8\") LIKE "
                           "lower(($1) COLLATE \"C.utf8\") ESCAPE '' ORDER BY \"SIFRA\" LIMIT %1")
                .arg(kScreenRows)
                .toUtf8();
        const QByteArray pattern = (QLatin1Char('%') + text + QLatin1Char('%')).toUtf8();
        const char* values[] = {pattern.constData()};
        PGresult* result =
            checked(PQexecParams(db, sql.constData(), 1, nullptr, values, nullptr, nullptr, 0));
        const int rows = PQntuples(result);
        for (int row = 0; row < rows; ++row) {
            for (int c = 0; c < PQnfields(result); ++c)
                PQgetvalue(result, row, c);
        }
        PQclear(result);
        return rows;
    }
};

// Every search text through the chooser's query and grid, each beside the raw search; prints
// the table and the RESULT lines, their names ending in suffix.
void measure(const std::function<void(const QString&)>& rawSearch, const QString& rawName,
             const QString& suffix)
{
    Engine engine;
    auto query = std::make_unique<Query>(engine);
    query->setReadOnly(true);
    query->setInPages(true);
    BoxMessages messages; // nothing is edited, so no box ever shows
    DataGrid grid(messages);
    grid.resize(544, 302);
    grid.setReadOnly(true);
    grid.setDataset(query.get());
    grid.show();

    // The first key after the chooser opens: the empty text.
    QElapsedTimer timer;
    timer.start();
    query->setSql(statementOf({}));
    query->open();
    grid.repaint();
    const double firstKey = double(timer.nsecsElapsed()) / 1e6;

    double slowest = 0, slowestRaw = 0;
    QString slowestText;
    out << QStringLiteral("%1  %2  %3  %4\n")
               .arg(QStringLiteral("search text"), -24)
               .arg(QStringLiteral("rows shown"), 10)
               .arg(QStringLiteral("engine ms"), 10)
               .arg(QStringLiteral("raw ms"), 8);
    for (const QString& text : kSearches) {
        std::vector<double> times, rawTimes;
        qint64 shown = 0;
        for (int run = 0; run < kRepeats; ++run) {
            timer.restart();
            query->setSql(statementOf(text));
            query->open();
            grid.repaint();
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
            shown = std::min<qint64>(query->rowCount(), kScreenRows);
            timer.restart();
            rawSearch(text);
            rawTimes.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        const double e = median(times);
        const double r = median(rawTimes);
        out << QStringLiteral("%1  %2  %3  %4\n")
                   .arg(QLatin1Char('"') + text + QLatin1Char('"'), -24)
                   .arg(shown, 10)
                   .arg(e, 10, 'f', 2)
                   .arg(r, 8, 'f', 2);
        if (e > slowest) {
            slowest = e;
            slowestRaw = r;
            slowestText = text;
        }
    }
    out << QStringLiteral("first key after opening: %1 ms; slowest keystroke: \"%2\" %3 ms "
                          "(%4 %5 ms)\n")
               .arg(firstKey, 0, 'f', 2)
               .arg(slowestText)
               .arg(slowest, 0, 'f', 2)
               .arg(rawName)
               .arg(slowestRaw, 0, 'f', 2);
    out << QStringLiteral("RESULT chooser_first_key%1 %2 ms\n").arg(suffix).arg(firstKey, 0, 'f', 2)
        << QStringLiteral("RESULT chooser_keystroke_max%1 %2 ms\n")
               .arg(suffix)
               .arg(slowest, 0, 'f', 2)
        << QStringLiteral("RESULT chooser_keystroke_max_raw%1 %2 ms\n")
               .arg(suffix)
               .arg(slowestRaw, 0, 'f', 2)
        << Qt::flush;
    grid.setDataset(nullptr);
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
            QTemporaryDir work(QDir(cache).filePath(QStringLiteral("chooser-XXXXXX")));
            DataGenerator::copyFolder(generated,
                                      QDir(work.path()).filePath(QStringLiteral("podaci")));
            QDir::setCurrent(work.path());
            RawSearch raw;
            measure([&](const QString& text) { raw.search(text); }, QStringLiteral("raw sqlite3"),
                    QString());
            QDir::setCurrent(cache);
        }
        if (postgres) {
            out << "The same with the tables in PostgreSQL:" << Qt::endl;
            QTemporaryDir work(QDir(cache).filePath(QStringLiteral("chooser-pg-XXXXXX")));
            bench::PgBenchDatabase database(generated, work.path(), out);
            QDir::setCurrent(work.path());
            RawPgSearch raw(database.connection());
            measure([&](const QString& text) { raw.search(text); }, QStringLiteral("raw libpq"),
                    QStringLiteral("_pg"));
            QDir::setCurrent(cache);
        }
    } catch (const std::exception& error) {
        out << "benchmark failed: " << error.what() << Qt::endl;
        return 1;
    }
    return 0;
}
