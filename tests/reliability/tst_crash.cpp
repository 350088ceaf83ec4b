// Kills a child that posts documents, saves new articles or builds item cards on a real data
// folder with SIGKILL at random moments, and after every kill opens the folder afresh and
// checks that each unit of work is wholly there or wholly absent.
//
// The seed of a run is printed; KESTAR_CRASH_SEED=<seed> replays its documents and delays.

#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/Table.h"
#include "goods/Posting.h"
#include "platform/Regional.h"
#include "tests/reliability/CrashChecks.h"
#include "tests/reliability/CrashChildPlan.h"
#include "tests/support/Fixture.h"
#include "tests/support/TestFolder.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <QtTest>

using namespace kestar;
using namespace kestar::test;
namespace Plan = kestar::test::CrashChildPlan;
using namespace kestar::test::CrashChecks;

namespace {

// What one kill left: the child's last word and what the check of the folder found.
struct KillOutcome
{
    QString lastLine; // e.g. "posting 17"
    bool childFailed = false;
};

// The child's own folder for temporary files, which the check empties before it opens the
// data folder: a restart of the computer empties /tmp just so after a crash.
QString childTemp(const TestFolder& folder)
{
    return folder.path() + QStringLiteral("/child-tmp");
}

class ChildRunner
{
public:
    ChildRunner(const TestFolder& folder, quint32 seed) : m_folder(folder), m_seed(seed) {}

    // Starts the child, lets it work for delayMs after it said "ready", kills it with SIGKILL.
    KillOutcome runAndKill(const QString& mode, int build, int delayMs)
    {
        QDir().mkpath(childTemp(m_folder));
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), childTemp(m_folder));
        child.setProcessEnvironment(env);
        child.start(QStringLiteral(KESTAR_CRASH_CHILD),
                    {m_folder.path(), mode, QString::number(m_seed), QString::number(build)});
        KillOutcome outcome;
        if (!child.waitForStarted(10000)) {
            outcome.childFailed = true;
            return outcome;
        }
        QByteArray output;
        QElapsedTimer waited;
        waited.start();
        while (!output.contains("ready\n") && waited.elapsed() < 10000 &&
               child.state() == QProcess::Running) {
            child.waitForReadyRead(50);
            output += child.readAllStandardOutput();
        }
        if (output.contains("ready\n"))
            QThread::msleep(delayMs);
        child.kill();
        child.waitForFinished(10000);
        output += child.readAllStandardOutput();
        if (child.exitStatus() != QProcess::CrashExit) {
            outcome.childFailed = true;
            qWarning().noquote() << "child ended by itself:" << child.exitCode()
                                 << child.readAllStandardError();
        }
        const QList<QByteArray> lines = output.trimmed().split('\n');
        outcome.lastLine = QString::fromLatin1(lines.last());
        return outcome;
    }

private:
    const TestFolder& m_folder;
    quint32 m_seed;
};

} // namespace

class CrashTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void postingIsWhollyInTheLedgerOrAbsentAfterAnyKill();
    void savedBatchIsWhollyInMagacinOrStillStagedAfterAnyKill();
    void itemCardHoldsAllOldOrAllNewBalancesAfterAnyKill();

private:
    // One mode of the child and how often it is killed.
    struct KillPlan
    {
        QString mode;       // post, save or card
        int kills = 0;      // how many kills the run needs
        quint32 salt = 0;   // mixed into the seed for the delays of this mode
        int buildStep = 1;  // the child's build argument grows by this much per kill
        QString busyPrefix; // what the child's last line starts with when it was at work
    };
    struct KillRun
    {
        int kills = 0;
        int inFlight = 0; // kills that landed while the child was at work
        bool childKeepsFailing = false;
    };

    // Starts the child again and again, kills it after a delay drawn from the seed, and after
    // every kill runs check(engine, n) on the folder, n being the number on the child's last
    // line when it was at work, else -1. Stops early when the child keeps ending by itself.
    template <typename Check>
    KillRun killRepeatedly(const TestFolder& folder, const KillPlan& plan, Violations& violations,
                           Check check);

    // Empties the child's temporary folder, opens the data folder with a fresh engine and
    // runs check on it, then the file checks.
    template <typename Check>
    void afterKill(const TestFolder& folder, Violations& violations, Check check);

    quint32 m_seed = 0;
};

void CrashTest::initTestCase()
{
    Regional::setCurrent(Regional::standard());
    const QByteArray given = qgetenv("KESTAR_CRASH_SEED");
    m_seed = given.isEmpty() ? QRandomGenerator::global()->generate() : given.toUInt();
    qInfo().noquote()
        << QStringLiteral("crash seed %1 (KESTAR_CRASH_SEED=%1 replays it)").arg(m_seed);
}

template <typename Check>
void CrashTest::afterKill(const TestFolder& folder, Violations& violations, Check check)
{
    // KESTAR_CRASH_KEEP_TEMP=1 keeps it, to tell a fault of the engine's recovery from one of
    // where it keeps what the recovery needs.
    if (qEnvironmentVariableIsEmpty("KESTAR_CRASH_KEEP_TEMP"))
        QDir(childTemp(folder)).removeRecursively();
    {
        Engine engine;
        try {
            check(engine);
        } catch (const EngineError& error) {
            violations.add(QStringLiteral("the folder does not open: %1").arg(error.text()));
        }
    }
    checkFiles(folder, violations);
}

namespace {

// The articles of the plan with their starting stock, in magacin.
void writeArticles()
{
    Engine engine;
    QList<Row> rows;
    for (const Plan::Article& article : Plan::articles()) {
        const QString stock = Regional::formatNumber(article.stock);
        rows.append({{"SIFRA", article.code},
                     {"NAZIV", "Artikal " + article.code},
                     {"KOLICINA", stock},
                     {"MAGACIN1", stock}});
    }
    addRows(engine, "podaci/magacin.db", rows);
}

} // namespace

template <typename Check>
CrashTest::KillRun CrashTest::killRepeatedly(const TestFolder& folder, const KillPlan& plan,
                                             Violations& violations, Check check)
{
    QRandomGenerator delays(m_seed ^ plan.salt);
    ChildRunner runner(folder, m_seed);
    KillRun run;
    int failures = 0;
    while (run.kills < plan.kills) {
        const KillOutcome outcome =
            runner.runAndKill(plan.mode, run.kills * plan.buildStep, delays.bounded(1, 101));
        if (outcome.childFailed) {
            if (++failures >= 5) {
                run.childKeepsFailing = true;
                return run;
            }
            continue;
        }
        ++run.kills;
        const bool inFlight = outcome.lastLine.startsWith(plan.busyPrefix);
        run.inFlight += inFlight ? 1 : 0;
        afterKill(folder, violations, [&](Engine& engine) {
            check(engine, inFlight ? outcome.lastLine.mid(plan.busyPrefix.size()).toInt() : -1);
        });
    }
    return run;
}

void CrashTest::postingIsWhollyInTheLedgerOrAbsentAfterAnyKill()
{
    TestFolder folder;
    folder.writeStandardTextFiles();
    createAllTables();
    writeArticles();

    Violations violations;
    QSet<int> documents;
    int landed = 0;
    QElapsedTimer clock;
    clock.start();
    const KillPlan plan{QStringLiteral("post"), 200, 0, 1, QStringLiteral("posting ")};
    const KillRun run = killRepeatedly(folder, plan, violations, [&](Engine& engine, int busy) {
        documents = checkPostings(engine, m_seed, violations);
        if (busy >= 0 && documents.contains(busy))
            ++landed;
    });
    QVERIFY2(!run.childKeepsFailing, "the crash child keeps failing on its own");
    qInfo().noquote() << QStringLiteral("posting: %1 kills (%2 inside a posting, %3 of those "
                                        "committed), %4 documents checked, %5 violations, %6 s")
                             .arg(run.kills)
                             .arg(run.inFlight)
                             .arg(landed)
                             .arg(documents.size())
                             .arg(violations.count())
                             .arg(clock.elapsed() / 1000.0, 0, 'f', 1);
    QCOMPARE(violations.count(), 0);
    QVERIFY(run.kills >= plan.kills);
    QVERIFY2(run.inFlight > plan.kills / 4, "too few kills landed inside a posting");
}

void CrashTest::savedBatchIsWhollyInMagacinOrStillStagedAfterAnyKill()
{
    TestFolder folder;
    folder.writeStandardTextFiles();
    createAllTables();
    writeArticles();

    Violations violations;
    int batches = 0;
    const KillPlan plan{QStringLiteral("save"), 60, 0x5a5a5a5au, 1, QStringLiteral("saving ")};
    const KillRun run = killRepeatedly(folder, plan, violations, [&](Engine& engine, int) {
        batches = checkSaves(engine, m_seed, violations);
    });
    QVERIFY2(!run.childKeepsFailing, "the crash child keeps failing on its own");
    qInfo().noquote() << QStringLiteral("save of new articles: %1 kills (%2 inside a save), %3 "
                                        "batches checked, %4 violations")
                             .arg(run.kills)
                             .arg(run.inFlight)
                             .arg(batches)
                             .arg(violations.count());
    QCOMPARE(violations.count(), 0);
    QVERIFY2(run.inFlight > plan.kills / 4, "too few kills landed inside a save");
}

void CrashTest::itemCardHoldsAllOldOrAllNewBalancesAfterAnyKill()
{
    TestFolder folder;
    folder.writeStandardTextFiles();
    createAllTables();
    {
        Engine engine;
        auto ledger = engine.table("podaci/prometx.db");
        auto items = engine.table("podaci/magacin.db");
        for (int number = 1; number <= 40; ++number) {
            GoodsDocument document = Plan::cardDocument(m_seed, number);
            document.number = QString::number(number);
            document.documentPanel = QString::number(number - 1);
            Posting::post({engine, *ledger, *items}, document);
        }
    }

    Violations violations;
    int finished = 0;
    int before = 0;
    const KillPlan plan{QStringLiteral("card"), 60, 0xc3c3c3c3u, 1000, QStringLiteral("building ")};
    const KillRun run = killRepeatedly(folder, plan, violations, [&](Engine& engine, int) {
        checkCards(engine, violations, finished, before);
    });
    QVERIFY2(!run.childKeepsFailing, "the crash child keeps failing on its own");
    qInfo().noquote() << QStringLiteral("item card: %1 kills (%2 inside a build), %3 cards "
                                        "checked (%4 finished, %5 as before), %6 violations")
                             .arg(run.kills)
                             .arg(run.inFlight)
                             .arg(finished + before)
                             .arg(finished)
                             .arg(before)
                             .arg(violations.count());
    QCOMPARE(violations.count(), 0);
    QVERIFY2(run.inFlight > plan.kills / 4, "too few kills landed inside a build");
}

QTEST_GUILESS_MAIN(CrashTest)
#include "tst_crash.moc"
