#include "data/DataFolderLock.h"
#include "shell/SingleCopy.h"
#include "tests/support/Fixture.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestFolder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QSysInfo>
#include <QtTest>

using namespace kestar;
using kestar::test::ScriptedMessages;
using kestar::test::TestFolder;

namespace {

// The program itself, started on the test's program folder as a user would start it.
class RunningProgram
{
public:
    explicit RunningProgram(const TestFolder& folder)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_process.setProcessEnvironment(env);
        m_process.setWorkingDirectory(folder.path());
        m_process.start(QStringLiteral(KESTAR_PROGRAM), {});
    }
    ~RunningProgram() { kill(); }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    qint64 pid() const { return m_process.processId(); }
    bool running() const { return m_process.state() == QProcess::Running; }
    void kill()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(10000);
    }

private:
    QProcess m_process;
};

// Waits until the program holds the folder and has made its engine's folder, that is until it
// has come to its login page.
bool waitUntilStarted(const TestFolder& folder, qint64 pid)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 20000) {
        DataFolderLock::Holder holder;
        const bool engine =
            !QDir(folder.path())
                 .entryList({QStringLiteral(".kestar-engine-*")}, QDir::Dirs | QDir::Hidden)
                 .isEmpty();
        if (DataFolderLock::readHolder(folder.path() + QStringLiteral("/podaci"), &holder) &&
            holder.pid == pid && engine) {
            QTest::qWait(500);
            return true;
        }
        QTest::qWait(50);
    }
    return false;
}

} // namespace

class SingleCopyTest : public QObject
{
    Q_OBJECT

private slots:
    void secondCopyNamesTheRunningOneAndEndsWithoutWriting()
    {
        TestFolder folder;
        folder.writeStandardTextFiles();
        test::createAllTables();
        RunningProgram first(folder);
        QVERIFY(waitUntilStarted(folder, first.pid()));
        const auto before = test::snapshot(folder.path());

        ScriptedMessages messages;
        DataFolderLock lock(SingleCopy::dataFolder());
        QVERIFY(!SingleCopy::claim(lock, messages));
        const QString expected =
            QStringLiteral("PROGRAM VEC RADI SA OVIM PODACIMA!!!\n\nFolder: %1/podaci\n"
                           "Koristi ga: racunar %2, proces %3.\n\n"
                           "Zatvorite taj program, pa pokrenite ovaj ponovo.")
                .arg(folder.path(), QSysInfo::machineHostName())
                .arg(first.pid());
        QCOMPARE(messages.errors(), QStringList{expected});
        QVERIFY(first.running());
        QCOMPARE(test::snapshot(folder.path()), before);
    }

    void copyThatCrashedLeavesTheFolderToTheNextOne()
    {
        TestFolder folder;
        folder.writeStandardTextFiles();
        test::createAllTables();
        RunningProgram crashed(folder);
        QVERIFY(waitUntilStarted(folder, crashed.pid()));
        crashed.kill();
        QVERIFY(QFile::exists(folder.dataPath(DataFolderLock::kFileName)));

        ScriptedMessages messages;
        DataFolderLock lock(SingleCopy::dataFolder());
        QVERIFY(SingleCopy::claim(lock, messages));
        QVERIFY(messages.shown().isEmpty());
        DataFolderLock::Holder holder;
        QVERIFY(DataFolderLock::readHolder(folder.path() + QStringLiteral("/podaci"), &holder));
        QCOMPARE(holder.pid, QCoreApplication::applicationPid());

        // And the program started now is the second copy: it writes nothing, not even the
        // folder of its engine.
        const auto before = test::snapshot(folder.path());
        RunningProgram second(folder);
        QTest::qWait(1500);
        QVERIFY(second.running());
        QCOMPARE(test::snapshot(folder.path()), before);
    }

    void copyOnAnotherComputerIsNamedWithTheWayOut()
    {
        TestFolder folder;
        folder.write(DataFolderLock::kFileName,
                     "4242\nkestar\nmagacin-pc\n0123456789abcdef0123456789abcdef\n\n");
        ScriptedMessages messages;
        DataFolderLock lock(SingleCopy::dataFolder());
        QVERIFY(!SingleCopy::claim(lock, messages));
        QCOMPARE(messages.errors().size(), 1);
        const QString text = messages.errors().first();
        QVERIFY2(text.contains(QStringLiteral("Koristi ga: racunar magacin-pc, proces 4242.")),
                 qPrintable(text));
        QVERIFY2(text.contains(
                     QStringLiteral("obrisite fajl %1/podaci/.kestar.lock").arg(folder.path())),
                 qPrintable(text));
    }

    void missingDataFolderIsLeftToStartUp()
    {
        TestFolder folder;
        QVERIFY(QDir(folder.path() + QStringLiteral("/podaci")).removeRecursively());
        ScriptedMessages messages;
        DataFolderLock lock(SingleCopy::dataFolder());
        QVERIFY(SingleCopy::claim(lock, messages));
        QVERIFY(messages.shown().isEmpty());
        QVERIFY(!QFileInfo::exists(folder.path() + QStringLiteral("/podaci")));
    }
};

QTEST_MAIN(SingleCopyTest)
#include "tst_singlecopy.moc"
