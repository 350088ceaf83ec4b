// One keystroke of the item chooser's name search on 100,000 articles: the chooser's own
// statement run by the engine and shown in the grid the chooser uses (its first screenful
// painted), beside raw SQLite reading the same first screenful with its built-in LIKE.

#include "DataGenerator.h"

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
        QTemporaryDir work(QDir(cache).filePath(QStringLiteral("chooser-XXXXXX")));
        DataGenerator::copyFolder(QDir(data).filePath(QStringLiteral("podaci")),
                                  QDir(work.path()).filePath(QStringLiteral("podaci")));
        QDir::setCurrent(work.path());

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
        RawSearch raw;

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
                raw.search(text);
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
                              "(raw sqlite3 %4 ms)\n")
                   .arg(firstKey, 0, 'f', 2)
                   .arg(slowestText)
                   .arg(slowest, 0, 'f', 2)
                   .arg(slowestRaw, 0, 'f', 2);
        out << QStringLiteral("RESULT chooser_first_key %1 ms\n").arg(firstKey, 0, 'f', 2)
            << QStringLiteral("RESULT chooser_keystroke_max %1 ms\n").arg(slowest, 0, 'f', 2)
            << QStringLiteral("RESULT chooser_keystroke_max_raw %1 ms\n").arg(slowestRaw, 0, 'f', 2)
            << Qt::flush;
        grid.setDataset(nullptr);
        QDir::setCurrent(cache);
    } catch (const std::exception& error) {
        out << "benchmark failed: " << error.what() << Qt::endl;
        return 1;
    }
    return 0;
}
