#include "backup/Backup.h"
#include "data/BackupManifest.h"
#include "data/DataFolderLock.h"
#include "data/Engine.h"
#include "data/JournalRecovery.h"
#include "platform/Regional.h"
#include "tests/support/Fixture.h"
#include "tests/support/LockHolder.h"
#include "tests/support/TestFolder.h"
#include "tests/tools/OldFolderFixture.h"
#include "tests/tools/SetupRun.h"
#include "tools/SetupCommand.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <memory>
#include <sqlite3.h>

using namespace kestar;
using namespace kestar::test;

namespace {

const QDateTime kMonday(QDate(2026, 12, 7), QTime(18, 0, 0));
const QDateTime kTuesday(QDate(2026, 12, 8), QTime(9, 5, 7));
const QDateTime kWednesday(QDate(2026, 12, 9), QTime(14, 5, 7));
const QString kMondayStamp = QStringLiteral("07-12-26-18-00-00");
const QString kTuesdayStamp = QStringLiteral("08-12-26-09-05-07");
const QString kWednesdayStamp = QStringLiteral("09-12-26-14-05-07");

QString podaci(const TestFolder& folder)
{
    return folder.path() + QStringLiteral("/podaci");
}
QString backupFolder(const TestFolder& folder)
{
    return folder.path() + QStringLiteral("/back-up");
}

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The hidden entries of the program folder that a restore could leave behind.
QStringList leftovers(const TestFolder& folder)
{
    return QDir(folder.path())
        .entryList({QStringLiteral(".podaci.restore-*")}, QDir::Dirs | QDir::Hidden);
}

// Every article renamed and 300 more added: the folder's magacin then differs from the
// backup's page by page.
void changeArticles(const QString& table)
{
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(table).constData(), &db), SQLITE_OK);
    const int rc = sqlite3_exec(
        db,
        "BEGIN; UPDATE magacin SET NAZIV = 'Promenjeno posle back-upa ' || SIFRA; "
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM n WHERE i<299) "
        "INSERT INTO magacin(SIFRA, NAZIV, KOLICINA, MAGACIN1) "
        "SELECT printf('N%04d', i), 'Novi artikal posle back-upa ' || i, 5, 5 FROM n; COMMIT;",
        nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QCOMPARE(rc, SQLITE_OK);
}

// The program killed in the middle of a write to magacin.
void crashInsideAWrite(const QString& table)
{
    killInsideAWrite(table, "UPDATE magacin SET NAZIV = NAZIV || printf('%.900c', 'x');");
}

// The rows of magacin in a data folder as the engine reads them; "" with the engine's text
// when it cannot.
QString magacinRows(const QString& folder)
{
    try {
        Engine engine;
        QStringList rows;
        for (const Row& row : readRows(engine, folder + QStringLiteral("/magacin.db")))
            rows.append(row.value("SIFRA") + '|' + row.value("NAZIV"));
        return rows.join('\n');
    } catch (const std::exception& error) {
        return QStringLiteral("error: ") + QString::fromLocal8Bit(error.what());
    }
}

} // namespace

class RestoreTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_regional = std::make_unique<ScopedRegional>(Regional::standard());
        m_folder = std::make_unique<TestFolder>();
        QCOMPARE(runSetup({"new", "podaci", "--demo"}).code, SetupCommand::kOk);
    }
    void cleanup()
    {
        m_folder.reset();
        m_regional.reset();
    }

    void backupsAreListedNewestFirstWithWhatTheyLack()
    {
        const TestFolder& folder = *m_folder;
        // Monday: copies made by hand, without a manifest.
        for (const QString& name : QDir(podaci(folder)).entryList(QDir::Files)) {
            QFile copy(backupFolder(folder) + '/' + kMondayStamp + name);
            QVERIFY(QFile::copy(folder.dataPath(name), copy.fileName()));
            QVERIFY(copy.open(QIODevice::ReadWrite));
            QVERIFY(copy.setFileTime(kMonday, QFileDevice::FileModificationTime));
        }
        // Tuesday: complete. Wednesday: the ledger could not be copied.
        QVERIFY(Backup::run(folder.path(), kTuesday).succeeded());
        QVERIFY(QDir(backupFolder(folder)).mkdir(kWednesdayStamp + "prometx.db"));
        QVERIFY(!Backup::run(folder.path(), kWednesday).succeeded());
        // An unfinished one: its manifest was never closed.
        BackupManifest unfinished;
        unfinished.stamp = QStringLiteral("10-12-26-08-00-00");
        unfinished.made = kWednesday.addDays(1);
        QVERIFY(BackupManifest::write(backupFolder(folder), unfinished).isEmpty());

        const CommandResult listed = runSetup({"backups", podaci(folder)});
        QCOMPARE(listed.code, SetupCommand::kOk);
        const QStringList lines = listed.out.split('\n');
        QStringList order;
        for (const QString& line : lines) {
            if (line.startsWith("  ") && line.at(2).isDigit())
                order.append(line.simplified().section(' ', 0, 1));
        }
        QCOMPARE(order,
                 QStringList({"10-12-26-08-00-00 unfinished", kWednesdayStamp + " incomplete",
                              kTuesdayStamp + " complete", kMondayStamp + " no"}));
        QVERIFY2(listed.out.contains("not backed up: prometx.db"), qPrintable(listed.out));
        QVERIFY2(listed.out.contains("restore takes it only with --force"), qPrintable(listed.out));
    }

    void restoreReplacesAFolderLeftWithACrashJournal()
    {
        const TestFolder& folder = *m_folder;
        QVERIFY(Backup::run(folder.path(), kTuesday).succeeded());
        const QString backedUp = magacinRows(podaci(folder));
        changeArticles(folder.dataPath("magacin.db"));
        crashInsideAWrite(folder.dataPath("magacin.db"));
        const QString journal = folder.dataPath("magacin.db-journal");
        QCOMPARE(JournalRecovery::stateOf(journal), JournalRecovery::State::Hot);
        const QByteArray crashedTable = bytesOf(folder.dataPath("magacin.db"));
        const QByteArray crashJournal = bytesOf(journal);

        const CommandResult restored = runSetup({"restore", podaci(folder), kTuesdayStamp});
        QVERIFY2(restored.code == SetupCommand::kOk, qPrintable(restored.out + restored.err));
        QVERIFY2(restored.out.contains("Verdict: consistent"), qPrintable(restored.out));

        // Every file of the set is back byte for byte, and no journal lies beside them.
        const auto manifest = BackupManifest::read(backupFolder(folder), kTuesdayStamp, nullptr);
        QVERIFY(manifest);
        QStringList names;
        for (const BackupManifest::File& file : manifest->files) {
            names.append(file.name);
            QCOMPARE(bytesOf(folder.dataPath(file.name)),
                     bytesOf(backupFolder(folder) + '/' + kTuesdayStamp + file.name));
        }
        QCOMPARE(QDir(podaci(folder))
                     .entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase),
                 names);
        QCOMPARE(magacinRows(podaci(folder)), backedUp);

        // The replaced folder is kept as it was, its journal beside its own table.
        const QString kept = folder.path() + "/podaci.pre-restore-" + kTuesdayStamp;
        QCOMPARE(bytesOf(kept + "/magacin.db"), crashedTable);
        QCOMPARE(bytesOf(kept + "/magacin.db-journal"), crashJournal);
        QVERIFY(!QFile::exists(kept + '/' + DataFolderLock::kFileName));
        QVERIFY(leftovers(folder).isEmpty());
        QVERIFY2(restored.out.contains("with the 1 journal(s) of its own unfinished writes"),
                 qPrintable(restored.out));

        // The kept folder still reads as the program would have read it: rolled back.
        QVERIFY(magacinRows(kept).contains("Promenjeno posle back-upa"));
        QVERIFY(magacinRows(kept).contains("Novi artikal posle back-upa 299"));
        QVERIFY(!magacinRows(kept).contains("xxxxxxxx"));
    }

    void copyingABackupOverTheFolderByHandWouldBeHarmed()
    {
        // What a restore must avoid, shown: the copies put over the folder by hand, the crash
        // journal left beside them, and the engine rolls the old pages into the restored table.
        const TestFolder& folder = *m_folder;
        QVERIFY(Backup::run(folder.path(), kTuesday).succeeded());
        const QString backedUp = magacinRows(podaci(folder));
        changeArticles(folder.dataPath("magacin.db"));
        crashInsideAWrite(folder.dataPath("magacin.db"));
        QFile::remove(folder.dataPath("magacin.db"));
        QVERIFY(QFile::copy(backupFolder(folder) + '/' + kTuesdayStamp + "magacin.db",
                            folder.dataPath("magacin.db")));
        QVERIFY(QFile::exists(folder.dataPath("magacin.db-journal")));
        const QString rows = magacinRows(podaci(folder));
        QVERIFY2(rows != backedUp, qPrintable(rows.left(300)));
    }

    void restoreIsRefusedWhileTheProgramRuns()
    {
        const TestFolder& folder = *m_folder;
        QVERIFY(Backup::run(folder.path(), kTuesday).succeeded());
        LockHolder program(podaci(folder));
        QVERIFY(program.holds());
        const auto before = snapshot(folder.path());

        const CommandResult refused = runSetup({"restore", podaci(folder), kTuesdayStamp});
        QCOMPARE(refused.code, SetupCommand::kRefused);
        QVERIFY2(refused.err.contains(
                     QStringLiteral("KESTAR is running on %1 (computer ").arg(podaci(folder))),
                 qPrintable(refused.err));
        QVERIFY2(refused.err.contains(QStringLiteral("process %1)").arg(program.pid())),
                 qPrintable(refused.err));
        QVERIFY(refused.err.endsWith("Nothing was changed.\n"));
        QCOMPARE(snapshot(folder.path()), before);

        // Once that program is gone (killed, its lock left behind), the restore goes ahead.
        program.kill();
        QCOMPARE(runSetup({"restore", podaci(folder), kTuesdayStamp}).code, SetupCommand::kOk);
    }

    void setsThatAreNotWholeAreRefused()
    {
        const TestFolder& folder = *m_folder;
        QVERIFY(Backup::run(folder.path(), kTuesday).succeeded());
        // A copy damaged without changing its size: only its checksum tells.
        {
            QFile copy(backupFolder(folder) + '/' + kTuesdayStamp + "firma.txt");
            QVERIFY(copy.open(QIODevice::ReadWrite));
            QByteArray bytes = copy.readAll();
            bytes[0] = bytes[0] == 'X' ? 'Y' : 'X';
            copy.seek(0);
            copy.write(bytes);
        }
        QVERIFY(QDir(backupFolder(folder)).mkdir(kWednesdayStamp + "prometx.db"));
        QVERIFY(!Backup::run(folder.path(), kWednesday).succeeded());
        for (const QString& name : QDir(podaci(folder)).entryList(QDir::Files))
            QVERIFY(QFile::copy(folder.dataPath(name),
                                backupFolder(folder) + '/' + kMondayStamp + name));
        const auto before = snapshot(folder.path());

        const CommandResult damaged = runSetup({"restore", podaci(folder), kTuesdayStamp});
        QCOMPARE(damaged.code, SetupCommand::kRefused);
        QVERIFY2(damaged.err.contains(kTuesdayStamp + "firma.txt differs from the checksum"),
                 qPrintable(damaged.err));
        const CommandResult incomplete = runSetup({"restore", podaci(folder), kWednesdayStamp});
        QCOMPARE(incomplete.code, SetupCommand::kRefused);
        QVERIFY2(incomplete.err.contains("is incomplete (not backed up: prometx.db)"),
                 qPrintable(incomplete.err));
        const CommandResult unknown = runSetup({"restore", podaci(folder), "01-01-20-00-00-00"});
        QCOMPARE(unknown.code, SetupCommand::kRefused);
        const CommandResult old = runSetup({"restore", podaci(folder), kMondayStamp});
        QCOMPARE(old.code, SetupCommand::kRefused);
        QVERIFY2(old.err.contains("has no manifest"), qPrintable(old.err));
        QCOMPARE(snapshot(folder.path()), before);

        // Forced, a set without a manifest that holds the five tables is restored.
        const CommandResult forced = runSetup({"restore", podaci(folder), kMondayStamp, "--force"});
        QVERIFY2(forced.code == SetupCommand::kOk, qPrintable(forced.out + forced.err));
        QVERIFY(QFileInfo(folder.path() + "/podaci.pre-restore-" + kMondayStamp).isDir());
    }

    void aLostDataFolderIsRestoredAndASecondRestoreKeepsBothFormerFolders()
    {
        const TestFolder& folder = *m_folder;
        QVERIFY(Backup::run(folder.path(), kTuesday).succeeded());
        QVERIFY(QDir(podaci(folder)).removeRecursively());
        QCOMPARE(runSetup({"restore", podaci(folder), kTuesdayStamp}).code, SetupCommand::kOk);
        QVERIFY(QFile::exists(folder.dataPath("magacin.db")));
        QVERIFY(!QFileInfo::exists(folder.path() + "/podaci.pre-restore-" + kTuesdayStamp));

        QCOMPARE(runSetup({"restore", podaci(folder), kTuesdayStamp}).code, SetupCommand::kOk);
        QCOMPARE(runSetup({"restore", podaci(folder), kTuesdayStamp}).code, SetupCommand::kOk);
        QVERIFY(QFileInfo(folder.path() + "/podaci.pre-restore-" + kTuesdayStamp).isDir());
        QVERIFY(QFileInfo(folder.path() + "/podaci.pre-restore-" + kTuesdayStamp + ".2").isDir());
        QVERIFY(leftovers(folder).isEmpty());
    }

    void importWritesIntoNoFolderTheProgramHolds()
    {
        const TestFolder& folder = *m_folder;
        const QString old = folder.path() + "/stari";
        QDir().mkpath(old);
        OldFolderFixture::writeEmptyTables(old);
        OldFolderFixture::writeTextFiles(old);
        const QString target = folder.path() + "/nov";
        QDir().mkpath(target);
        LockHolder program(target);
        QVERIFY(program.holds());

        const CommandResult refused = OldFolderFixture::runImport(old, target);
        QCOMPARE(refused.code, SetupCommand::kRefused);
        QVERIFY2(refused.out.contains("KESTAR is running on"), qPrintable(refused.out));
        QCOMPARE(QDir(target).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{DataFolderLock::kFileName});

        // A lock left by a program that crashed is no obstacle, and the import leaves none.
        program.kill();
        const CommandResult imported = OldFolderFixture::runImport(old, target);
        QVERIFY2(imported.code == SetupCommand::kOk, qPrintable(imported.out + imported.err));
        QVERIFY(!QFile::exists(target + '/' + DataFolderLock::kFileName));
        QVERIFY(QFile::exists(target + "/magacin.db"));
    }

private:
    std::unique_ptr<ScopedRegional> m_regional;
    std::unique_ptr<TestFolder> m_folder;
};

QTEST_GUILESS_MAIN(RestoreTest)
#include "tst_restore.moc"
