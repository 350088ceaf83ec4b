// Several workstations posting into one PostgreSQL database at once: K processes (default 4)
// post goods issues and receipts through the program's own posting for S seconds (default 10),
// then the database is checked: every document's rows present and next to each other in the
// ledger, no document, issue or receipt number used twice, every article's stock equal to its
// starting stock plus receipts minus issues, and no process starved. A second run adds 0.3 ms
// to every round trip, as a network between the workstations and the server would. Beside
// them, raw libpq posting the same documents with the least work. Run under
// scripts/with-pg.sh; exits 77 without a server, 1 when a check fails.
//
//   workstations_bench [--processes K] [--seconds S] [--rtt-ms X] [--no-rtt-run] [--keep]
//
// --keep leaves the databases of the runs on the server and names them, to be checked with psql
// (on a server of one's own: scripts/with-pg.sh removes its cluster at the end).

#include "WorkstationsDatabase.h"

#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/Table.h"
#include "data/pg/PgConnection.h"
#include "goods/Posting.h"
#include "platform/Regional.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <vector>

using namespace kestar;
using kestar::bench::WorkstationsDatabase;

namespace {

QTextStream out(stdout);

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A document as a storekeeper fills it in: the number the page proposes from the kind's
// counter, 5 to 30 lines of the shared articles, whole quantities.
GoodsDocument documentOf(QRandomGenerator& random, SharedData& shared, int lastDocument,
                         const QString& user)
{
    GoodsDocument document;
    document.kind = random.bounded(10) < 7 ? DocumentKind::Issue : DocumentKind::Receipt;
    document.number = QString::number(shared.firstNumber(Posting::counterOf(document.kind)) + 1);
    document.date = QDate(2026, 5, 4);
    document.comment1 = user;
    document.user = user;
    document.lastDocumentNumber = lastDocument;
    const int lines = 5 + random.bounded(26);
    for (int i = 0; i < lines; ++i) {
        const QString code =
            WorkstationsDatabase::articleCode(random.bounded(WorkstationsDatabase::kArticles));
        document.lines.append({code, QStringLiteral("Artikal"),
                               QString::number(1 + random.bounded(5)), QStringLiteral("01"),
                               QStringLiteral("Alati")});
    }
    return document;
}

// One workstation: posts until the time is up and reports each posting on a line of its own.
int worker(const QString& folder, int id, int seconds, qint64 delayMicroseconds)
{
    QDir::setCurrent(folder);
    PgConnection::setAddedRoundTripDelay(std::chrono::microseconds(delayMicroseconds));
    try {
        Engine engine;
        Table ledger(engine, QStringLiteral("podaci/prometx.db"));
        Table items(engine, QStringLiteral("podaci/magacin.db"));
        const std::unique_ptr<SharedData> shared = WorkstationsDatabase::sharedData(engine);
        QRandomGenerator random(quint32(1000 + id));
        int lastDocument = shared->firstNumber(Counter::Document);
        QElapsedTimer clock;
        clock.start();
        int failures = 0;
        while (clock.elapsed() < seconds * 1000) {
            const GoodsDocument document =
                documentOf(random, *shared, lastDocument, QStringLiteral("Radnik%1").arg(id));
            QElapsedTimer timer;
            timer.start();
            try {
                const PostingResult result =
                    Posting::post({engine, ledger, items, *shared}, document);
                lastDocument = result.documentNumber;
                out << QStringLiteral("POSTED %1 %2 %3 %4 %5")
                           .arg(result.documentNumber)
                           .arg(result.kind == DocumentKind::Issue ? 'I' : 'R')
                           .arg(result.kindNumber.text)
                           .arg(document.lines.size())
                           .arg(double(timer.nsecsElapsed()) / 1e6, 0, 'f', 3)
                    << Qt::endl;
            } catch (const EngineError& error) {
                ++failures;
                out << "FAILED " << error.text().simplified() << Qt::endl;
            }
        }
        out << "FAILURES " << failures << Qt::endl;
    } catch (const EngineError& error) {
        out << "FAILED " << error.text().simplified() << Qt::endl;
        return 1;
    }
    return 0;
}

struct Posted
{
    int document = 0;
    QChar kind;
    int number = 0;
    int lines = 0;
};

struct RunFigures
{
    int documents = 0;
    int duplicates = 0;
    double lostUnits = 0;
    int broken = 0;   // documents whose rows are missing, too many or not together
    int failures = 0; // postings that reported an error
    double p50 = 0;
    std::vector<int> perProcess;
};

RunFigures runWorkstations(const QString& program, int processes, int seconds,
                           qint64 delayMicroseconds, bool keep)
{
    QTemporaryDir folder;
    WorkstationsDatabase database(folder.path());
    if (keep) {
        database.keep();
        out << QStringLiteral("the database %1 is kept: psql -d %1").arg(database.name())
            << Qt::endl;
    }
    std::vector<std::unique_ptr<QProcess>> workers;
    for (int id = 0; id < processes; ++id) {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(program, {QStringLiteral("--worker"), QString::number(id), folder.path(),
                                 QString::number(seconds), QString::number(delayMicroseconds)});
        workers.push_back(std::move(process));
    }
    RunFigures figures;
    std::vector<Posted> posted;
    std::vector<double> times;
    for (auto& process : workers) {
        process->waitForFinished(seconds * 1000 + 120000);
        int count = 0;
        const QStringList lines = QString::fromUtf8(process->readAllStandardOutput()).split('\n');
        for (const QString& line : lines) {
            const QStringList words = line.split(QLatin1Char(' '));
            if (words.first() == QLatin1String("POSTED") && words.size() == 6) {
                posted.push_back(
                    {words[1].toInt(), words[2].at(0), words[3].toInt(), words[4].toInt()});
                times.push_back(words[5].toDouble());
                ++count;
            } else if (words.first() == QLatin1String("FAILED")) {
                ++figures.failures;
                out << "  " << line << Qt::endl;
            }
        }
        figures.perProcess.push_back(count);
    }
    figures.documents = int(posted.size());
    figures.p50 = median(times);

    // Numbers the workstations were given twice, as they reported them and as the ledger
    // holds them.
    std::set<int> documents;
    std::set<std::pair<QChar, int>> kindNumbers;
    for (const Posted& p : posted) {
        if (!documents.insert(p.document).second)
            ++figures.duplicates;
        if (!kindNumbers.insert({p.kind, p.number}).second)
            ++figures.duplicates;
    }
    figures.duplicates += database.numbersSharedByDocuments();
    std::map<int, int> rows = database.rowsPerDocument();
    for (const Posted& p : posted) {
        if (rows[p.document] != p.lines)
            ++figures.broken;
    }
    figures.broken += database.documentsApart();
    figures.lostUnits = database.lostUnits();
    return figures;
}

bool report(const RunFigures& figures, const QString& suffix)
{
    out << QStringLiteral("%1 documents, %2 duplicate numbers, %3 units lost, %4 documents "
                          "broken, %5 postings failed, median posting %6 ms")
               .arg(figures.documents)
               .arg(figures.duplicates)
               .arg(figures.lostUnits)
               .arg(figures.broken)
               .arg(figures.failures)
               .arg(figures.p50, 0, 'f', 2)
        << Qt::endl;
    double mean = 0;
    for (size_t i = 0; i < figures.perProcess.size(); ++i) {
        out << QStringLiteral("RESULT ws_process%1_documents%2 %3 count\n")
                   .arg(i)
                   .arg(suffix)
                   .arg(figures.perProcess[i]);
        mean += figures.perProcess[i];
    }
    mean /= std::max<size_t>(1, figures.perProcess.size());
    const int fewest = figures.perProcess.empty() ? 0
                                                  : *std::min_element(figures.perProcess.begin(),
                                                                      figures.perProcess.end());
    const bool fair = fewest * 4 >= mean;
    out << QStringLiteral("RESULT ws_documents%1 %2 count\n").arg(suffix).arg(figures.documents);
    out << QStringLiteral("RESULT ws_duplicate_numbers%1 %2 count\n")
               .arg(suffix)
               .arg(figures.duplicates);
    out << QStringLiteral("RESULT ws_lost_units%1 %2 units\n").arg(suffix).arg(figures.lostUnits);
    out << QStringLiteral("RESULT ws_broken_documents%1 %2 count\n")
               .arg(suffix)
               .arg(figures.broken);
    out << QStringLiteral("RESULT ws_posting_p50%1 %2 ms\n").arg(suffix).arg(figures.p50, 0, 'f', 2)
        << Qt::flush;
    if (!fair)
        out << QStringLiteral("unfair: a process posted %1 documents, below a quarter of the "
                              "mean %2")
                   .arg(fewest)
                   .arg(mean, 0, 'f', 1)
            << Qt::endl;
    return figures.documents > 0 && figures.duplicates == 0 && figures.lostUnits == 0 &&
           figures.broken == 0 && figures.failures == 0 && fair;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    Regional::setCurrent(Regional::standard());
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.value(0) == QLatin1String("--worker"))
        return worker(arguments.value(2), arguments.value(1).toInt(), arguments.value(3).toInt(),
                      arguments.value(4).toLongLong());

    int processes = 4;
    int seconds = 10;
    double rttMs = 0;
    bool rttRun = true;
    bool keep = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--processes"))
            processes = std::max(1, arguments.value(++i).toInt());
        else if (argument == QLatin1String("--seconds"))
            seconds = std::max(1, arguments.value(++i).toInt());
        else if (argument == QLatin1String("--rtt-ms"))
            rttMs = arguments.value(++i).toDouble();
        else if (argument == QLatin1String("--no-rtt-run"))
            rttRun = false;
        else if (argument == QLatin1String("--keep"))
            keep = true;
    }
    if (qEnvironmentVariableIsEmpty("PGHOST")) {
        out << "workstations_bench needs a server: run it through scripts/with-pg.sh" << Qt::endl;
        return 77;
    }
    const QString program = QCoreApplication::applicationFilePath();
    bool sound = true;
    try {
        out << QStringLiteral("%1 workstations posting for %2 s:").arg(processes).arg(seconds)
            << Qt::endl;
        sound = report(
            runWorkstations(program, processes, seconds, qint64(rttMs * 1000), keep), {});
        if (rttRun) {
            out << "The same with 0.3 ms added to every round trip:" << Qt::endl;
            sound = report(runWorkstations(program, processes, seconds, 300, keep),
                           QStringLiteral("_rtt03")) &&
                    sound;
        }
        QTemporaryDir folder;
        WorkstationsDatabase database(folder.path());
        for (const qint64 delay : {qint64(0), qint64(300)}) {
            const double raw = database.rawPostingMedian(delay);
            out << QStringLiteral("RESULT ws_raw_posting_p50%1 %2 ms\n")
                       .arg(delay ? QStringLiteral("_rtt03") : QString())
                       .arg(raw, 0, 'f', 2)
                << Qt::flush;
        }
    } catch (const EngineError& error) {
        out << "benchmark failed: " << error.text() << Qt::endl;
        return 1;
    }
    if (!sound)
        out << "CHECK FAILED" << Qt::endl;
    return sound ? 0 : 1;
}
