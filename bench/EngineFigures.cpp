#include "EngineFigures.h"

#include "DataGenerator.h"

#include "data/Engine.h"
#include "data/Query.h"
#include "data/Table.h"
#include "data/Transaction.h"
#include "data/controls/BoxMessages.h"
#include "data/controls/DatasetModel.h"
#include "platform/Regional.h"

#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <memory>
#include <random>

namespace kestar::bench {

namespace {

const QString kLedger = QStringLiteral("podaci/prometx.DB");
const QString kArticles = QStringLiteral("podaci/magacin.db");

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The median of repeats, the engine and the raw side taking turns so both meet the same caches.
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

// The figure for people, and for machines its ratio to raw (and its time when it is one) as
// RESULT <key>_ratio and RESULT <key>_ms.
void report(const FigureRun& run, const QString& name, const Figure& figure)
{
    const QString key = name + run.suffix;
    const double ratio =
        figure.lowerIsBetter ? figure.engine / figure.raw : figure.raw / figure.engine;
    run.out << QStringLiteral("  %1  engine %2 %3, %6 %4 %3, engine/raw %5x")
                   .arg(figure.name, -44)
                   .arg(figure.engine, 0, 'f', 2)
                   .arg(figure.unit)
                   .arg(figure.raw, 0, 'f', 2)
                   .arg(ratio, 0, 'f', 2)
                   .arg(run.rawName)
            << Qt::endl;
    run.out << QStringLiteral("RESULT %1_ratio %2 x\n").arg(key).arg(ratio, 0, 'f', 2);
    if (figure.unit == QLatin1String("ms"))
        run.out << QStringLiteral("RESULT %1_ms %2 ms\nRESULT %1_raw_ms %3 ms\n")
                       .arg(key)
                       .arg(figure.engine, 0, 'f', 2)
                       .arg(figure.raw, 0, 'f', 2);
    run.out.flush();
}

void postLines(Engine& engine, Table& ledger, Table& articles, const std::vector<QString>& codes)
{
    const QString date = Regional::formatDate(QDate(2025, 3, 14));
    Transaction transaction(engine);
    ledger.first();
    for (const QString& code : codes) {
        ledger.insert();
        const auto set = [&](const char* f, const QString& v) {
            ledger.setText(QString::fromLatin1(f), v);
        };
        set("BROJDOKUMENTA", "500001");
        for (const char* f :
             {"NARUDZBENICA", "ULAZ", "PREDRACUN", "RADNINALOG", "RACUN", "POVRATNICA", "UMAGACIN"})
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
        ledger.post();
        articles.findNearest(code);
        if (articles.text(QStringLiteral("SIFRA")) == code) {
            articles.edit();
            articles.setNumber(QStringLiteral("KOLICINA"),
                               articles.number(QStringLiteral("KOLICINA")) - 2);
            articles.setNumber(QStringLiteral("MAGACIN1"),
                               articles.number(QStringLiteral("MAGACIN1")) - 2);
            articles.post();
        }
    }
    transaction.commit();
}

} // namespace

double millisecondsOf(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

std::vector<QString> randomArticles(int count, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<QString> codes;
    for (int i = 0; i < count; ++i)
        codes.push_back(DataGenerator::articleCode(int(random() % DataGenerator::kArticles)));
    return codes;
}

void postingFigure(const FigureRun& run, int repeats,
                   const std::function<void(const std::vector<QString>& codes)>& raw)
{
    const int lines = 99;
    Engine engine;
    auto ledger = std::make_unique<Table>(engine, kLedger);
    auto articles = std::make_unique<Table>(engine, kArticles);
    ledger->open();
    articles->open();
    unsigned seed = 100;
    const auto [e, r] = compare(
        repeats, [&]() { postLines(engine, *ledger, *articles, randomArticles(lines, seed++)); },
        [&]() { raw(randomArticles(lines, seed++)); });
    report(run, QStringLiteral("engine_posting"),
           {QStringLiteral("1. post 99 lines (insert + stock change)"), "ms", e, r});
}

void walkFigure(const FigureRun& run, const std::function<qint64()>& raw)
{
    Engine engine;
    auto ledger = std::make_unique<Table>(engine, kLedger);
    ledger->open();
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
        [&]() { rawRows = raw(); });
    if (engineRows != rawRows)
        run.out << "  !! the walks saw different rows: " << engineRows << " and " << rawRows
                << Qt::endl;
    report(run, QStringLiteral("walk"),
           {QStringLiteral("2. walk the ledger, first to last"), "k rows/s", engineRows / e,
            rawRows / r, false});
}

void nearestFigure(const FigureRun& run,
                   const std::function<qint64(const std::vector<QString>& keys)>& raw)
{
    const int searches = 20000;
    std::vector<QString> keys = randomArticles(searches, 7);
    for (size_t i = 0; i < keys.size(); i += 3)
        keys[i] += QStringLiteral("5"); // between two codes
    Engine engine;
    auto articles = std::make_unique<Table>(engine, kArticles);
    articles->open();
    qint64 engineSum = 0, rawSum = 0;
    const auto [e, r] = compare(
        3,
        [&]() {
            engineSum = 0;
            for (const QString& key : keys) {
                articles->findNearest(key);
                engineSum += articles->text(QStringLiteral("SIFRA")).size();
            }
        },
        [&]() { rawSum = raw(keys); });
    if (engineSum != rawSum)
        run.out << "  !! the searches found different codes" << Qt::endl;
    report(run, QStringLiteral("nearest"),
           {QStringLiteral("3. nearest-key search on magacin"), "us each", e * 1000 / searches,
            r * 1000 / searches});
}

void machineNoteFigure(const FigureRun& run,
                       const std::function<double(const QString&, const QString&)>& raw)
{
    const QString machine = DataGenerator::busyMachine(), machine2 = DataGenerator::busyMachine2();
    Engine engine;
    auto query = std::make_unique<Query>(
        engine,
        QStringLiteral("select NAZIVGRUPE, SIFRAGRUPE, SIFRAROBE, NAZIV, sum(kolicina) as ukupno "
                       "from podaci\\prometx.db where siframasine='%1' and siframasine2='%2' "
                       "group by NAZIVGRUPE, SIFRAGRUPE, SIFRAROBE, NAZIV")
            .arg(machine, machine2));
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
        [&]() { rawTotal = raw(machine, machine2); });
    if (engineTotal != rawTotal)
        run.out << "  !! the sums differ: " << engineTotal << " and " << rawTotal << Qt::endl;
    report(run, QStringLiteral("machine_note"),
           {QStringLiteral("4. machine note, grouped (%1 groups)").arg(groups), "ms", e, r});
}

void cardFigure(
    const FigureRun& run,
    const std::function<std::pair<qint64, double>(const QString& article, double start)>& raw)
{
    const QString article = DataGenerator::chosenArticle();
    Engine engine;
    auto card = std::make_unique<Query>(engine);
    qint64 engineRows = 0, rawRows = 0;
    double engineChange = 0, rawChange = 0;
    // Every repeat of either side writes balances that differ from those in the table (the
    // engine's start from odd numbers, the raw side's from even ones): SQLite leaves a page
    // alone when a row is rewritten with the values it holds, so repeating the same balances
    // would time an update that writes nothing.
    int engineRun = 0, rawRun = 0;
    const auto [e, r] = compare(
        3,
        [&]() {
            card->setSql(QStringLiteral("select ULAZ,OTPREMNICA,DATUM,KOLICINA,SALDO,KORISNIK,"
                                        "KOMENTAR, BROJDOKUMENTA from podaci\\prometx where "
                                        "((SIFRAROBE='%1') AND ((ULAZ<>0) OR (OTPREMNICA<>0)))")
                             .arg(article));
            card->open();
            Transaction transaction(engine);
            const double start = 2 * ++engineRun - 1;
            double saldo = start;
            engineRows = 0;
            for (card->last(); !card->bof(); card->prior()) {
                const double q = card->number(QStringLiteral("KOLICINA"));
                saldo += card->number(QStringLiteral("ULAZ")) != 0 ? q : -q;
                card->edit();
                card->setText(QStringLiteral("SALDO"), Regional::formatNumber(saldo));
                card->post();
                ++engineRows;
            }
            transaction.commit();
            card->close();
            engineChange = saldo - start;
        },
        [&]() { std::tie(rawRows, rawChange) = raw(article, 2 * ++rawRun); });
    if (engineRows != rawRows || engineChange != rawChange)
        run.out << "  !! the cards differ: " << engineRows << " rows, " << engineChange << " and "
                << rawRows << " rows, " << rawChange << Qt::endl;
    report(run, QStringLiteral("card"),
           {QStringLiteral("5. item card, %1 SALDO updates").arg(engineRows), "ms", e, r});
}

void gridFigure(const FigureRun& run, const std::function<void()>& raw)
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
    const double r = millisecondsOf(raw);
    report(run, QStringLiteral("grid"),
           {QStringLiteral("6. grid shows row %1 after opening").arg(model.rowCount() - 1), "ms", e,
            r});
    run.out << QStringLiteral("     grid memory added: %1 MB (VmRSS %2 -> %3 kB)")
                   .arg((after - before) / 1024.0, 0, 'f', 1)
                   .arg(before)
                   .arg(after)
            << Qt::endl;
    run.out << QStringLiteral("RESULT grid_row_%1%4 %2 ms\nRESULT grid_memory_added%4 %3 MB\n")
                   .arg(model.rowCount() - 1)
                   .arg(e, 0, 'f', 2)
                   .arg((after - before) / 1024.0, 0, 'f', 1)
                   .arg(run.suffix)
            << Qt::flush;
}

} // namespace kestar::bench
