#include "data/Engine.h"
#include "data/EngineScratch.h"
#include "tests/support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTest>
#include <memory>

using namespace kestar;

namespace {

QStringList scratchFolders(const QString& program)
{
    return QDir(program).entryList({EngineScratch::kPrefix + '*'},
                                   QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
}

// A process id that no process holds any more.
qint64 deadProcessId()
{
    QProcess process;
    process.start(QStringLiteral("true"), {});
    process.waitForFinished();
    return process.processId() > 0 ? process.processId() : 999999;
}

// A scratch folder as an engine leaves it when it is killed: its owner lock names a process that
// has ended.
void makeAbandoned(const QString& program, const QString& name, const QStringList& files)
{
    QDir folder(program);
    QVERIFY(folder.mkdir(EngineScratch::kPrefix + name));
    folder.cd(EngineScratch::kPrefix + name);
    {
        QLockFile lock(folder.filePath(QStringLiteral("owner.lock")));
        QVERIFY(lock.tryLock(0));
        QFile file(folder.filePath(QStringLiteral("owner.lock")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray content = file.readAll();
        file.close();
        content = QByteArray::number(deadProcessId()) + content.mid(content.indexOf('\n'));
        lock.unlock();
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    for (const QString& name : files) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
}

} // namespace

class EngineScratchTest : public QObject
{
    Q_OBJECT

private slots:
    // The super-journal of a commit over several table files must outlive a restart of the
    // computer, so the engine keeps its main database beside the data folder, not in /tmp.
    void scratchLiesBesideTheDataFolderWhileTheEngineLives()
    {
        test::TestFolder folder;
        {
            Engine engine;
            QCOMPARE(scratchFolders(folder.path()).size(), 1);
        }
        QCOMPARE(scratchFolders(folder.path()), QStringList());
    }

    // A folder left by a killed engine goes once it holds no super-journal; one that still
    // holds a super-journal stays for the recovery of the table files, and so does the folder
    // of an engine still at work.
    void abandonedScratchFoldersAreRemovedOnlyWhenSafe()
    {
        test::TestFolder folder;
        makeAbandoned(folder.path(), QStringLiteral("gone01"),
                      {QStringLiteral("engine.db"), QStringLiteral("engine.db-journal")});
        makeAbandoned(folder.path(), QStringLiteral("keep01"),
                      {QStringLiteral("engine.db"), QStringLiteral("engine.db-mj1A2B3C4D")});
        auto working = std::make_unique<Engine>();
        const QStringList before = scratchFolders(folder.path());
        QCOMPARE(before.size(), 2); // the first engine already swept gone01
        QVERIFY(!before.contains(EngineScratch::kPrefix + "gone01"));
        QVERIFY(before.contains(EngineScratch::kPrefix + "keep01"));

        Engine second;
        QCOMPARE(scratchFolders(folder.path()).size(), 3);
        QCOMPARE(EngineScratch::removeAbandoned(folder.path()), 0);
        working.reset();
        QCOMPARE(scratchFolders(folder.path()).size(), 2);
        QVERIFY(scratchFolders(folder.path()).contains(EngineScratch::kPrefix + "keep01"));
    }
};

QTEST_GUILESS_MAIN(EngineScratchTest)
#include "tst_enginescratch.moc"
