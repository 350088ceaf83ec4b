#include "data/DataFolderLock.h"
#include "tests/support/Fixture.h"
#include "tests/support/LockHolder.h"
#include "tests/support/TestFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QSysInfo>
#include <QTest>

using namespace kestar;
using kestar::test::LockHolder;
using kestar::test::TestFolder;

namespace {

QString podaci(const TestFolder& folder)
{
    return folder.path() + QStringLiteral("/podaci");
}

void writeLockFile(const TestFolder& folder, const QByteArray& content)
{
    folder.write(DataFolderLock::kFileName, content);
}

} // namespace

class DataFolderLockTest : public QObject
{
    Q_OBJECT

private slots:
    void anotherProcessHoldingTheFolderIsNamedAndNothingIsWritten()
    {
        TestFolder folder;
        folder.writeStandardTextFiles();
        LockHolder holder(podaci(folder));
        QVERIFY(holder.holds());
        const auto before = test::snapshot(podaci(folder));

        DataFolderLock lock(podaci(folder));
        QCOMPARE(lock.acquire(), DataFolderLock::Outcome::HeldElsewhere);
        QVERIFY(!lock.isHeld());
        QCOMPARE(lock.holder().pid, holder.pid());
        QCOMPARE(lock.holder().host, QSysInfo::machineHostName());
        QVERIFY(lock.holder().sameHost);
        // Asking again, as a user would by starting the program twice more, changes nothing.
        QCOMPARE(lock.acquire(), DataFolderLock::Outcome::HeldElsewhere);
        QCOMPARE(test::snapshot(podaci(folder)), before);
    }

    void lockOfAKilledHolderIsTakenOver()
    {
        TestFolder folder;
        LockHolder holder(podaci(folder));
        QVERIFY(holder.holds());
        const qint64 killed = holder.pid();
        holder.kill();
        QVERIFY(QFile::exists(folder.dataPath(DataFolderLock::kFileName)));

        DataFolderLock lock(podaci(folder));
        QCOMPARE(lock.acquire(), DataFolderLock::Outcome::Held);
        DataFolderLock::Holder found;
        QVERIFY(DataFolderLock::readHolder(podaci(folder), &found));
        QCOMPARE(found.pid, QCoreApplication::applicationPid());
        QVERIFY(found.pid != killed);

        // While this process holds it, another one is refused; once released, it may take it.
        LockHolder second(podaci(folder));
        QVERIFY(!second.holds());
        lock.release();
        QVERIFY(!QFile::exists(folder.dataPath(DataFolderLock::kFileName)));
        LockHolder third(podaci(folder));
        QVERIFY(third.holds());
    }

    void lockOfAnotherComputerStaysUntilItIsRemoved()
    {
        TestFolder folder;
        const QByteArray content = "4242\nkestar\nmagacin-pc\n0123456789abcdef0123456789abcdef\n"
                                   "00000000-0000-0000-0000-000000000000\n";
        writeLockFile(folder, content);

        DataFolderLock lock(podaci(folder));
        QCOMPARE(lock.acquire(), DataFolderLock::Outcome::HeldElsewhere);
        QCOMPARE(lock.holder().host, QStringLiteral("magacin-pc"));
        QCOMPARE(lock.holder().pid, 4242);
        QVERIFY(!lock.holder().sameHost);
        QCOMPARE(folder.read(DataFolderLock::kFileName), content);
    }

    void lockFromBeforeThisComputerStartedIsTakenOver()
    {
        // This very process is alive, but the lock names another start of this computer.
        TestFolder folder;
        const QByteArray content = QByteArray::number(QCoreApplication::applicationPid()) + '\n' +
                                   "tst_datafolderlock\n" + QSysInfo::machineHostName().toUtf8() +
                                   '\n' + QSysInfo::machineUniqueId() + '\n' +
                                   "00000000-0000-0000-0000-000000000001\n";
        writeLockFile(folder, content);
        DataFolderLock lock(podaci(folder));
        QCOMPARE(lock.acquire(), DataFolderLock::Outcome::Held);
        QVERIFY(folder.read(DataFolderLock::kFileName) != content);
    }

    void missingFolderIsToldApart()
    {
        TestFolder folder;
        DataFolderLock lock(folder.path() + QStringLiteral("/nema"));
        QCOMPARE(lock.acquire(), DataFolderLock::Outcome::FolderMissing);
        QVERIFY(!QFileInfo::exists(folder.path() + QStringLiteral("/nema")));
    }

    void lockFollowsItsFolderWhenTheFolderIsRenamed()
    {
        TestFolder folder;
        DataFolderLock lock(podaci(folder));
        QCOMPARE(lock.acquire(), DataFolderLock::Outcome::Held);
        const QString moved = folder.path() + QStringLiteral("/podaci.old");
        QVERIFY(QDir().rename(podaci(folder), moved));
        QVERIFY(QFile::exists(moved + QLatin1Char('/') + DataFolderLock::kFileName));
        lock.releaseMoved(moved);
        QVERIFY(!lock.isHeld());
        QVERIFY(!QFile::exists(moved + QLatin1Char('/') + DataFolderLock::kFileName));
    }
};

QTEST_GUILESS_MAIN(DataFolderLockTest)
#include "tst_datafolderlock.moc"
