#include "backup/Backup.h"
#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/Schema.h"
#include "data/SharedData.h"
#include "data/SharedDataStore.h"
#include "data/pg/PgConnection.h"
#include "data/pg/PgSharedData.h"
#include "platform/Regional.h"
#include "tests/support/Fixture.h"
#include "tests/support/PostgresOnlyTest.h"
#include "tests/support/TestFolder.h"
#include "tests/tools/OldFolderFixture.h"
#include "tests/tools/ParadoxWriter.h"
#include "tests/tools/SetupRun.h"
#include "tests/tools/pg/ScratchDatabase.h"
#include "tools/SetupCommand.h"
#include "tools/SetupDemoCatalog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <functional>
#include <memory>

using namespace kestar;
using namespace Qt::StringLiterals;
using test::errorOf;
using test::Row;
using test::runSetup;
using test::ScratchDatabase;
using test::selectRows;

namespace {

const QDateTime kEvening(QDate(2026, 12, 9), QTime(18, 30, 5));

using Tables = QMap<QString, QList<Row>>;

// Every row of every table of the data folder, in natural order, through the engine of that
// folder (its database or its table files).
Tables readAll(const QString& dataFolder)
{
    Engine engine(dataFolder);
    Tables tables;
    for (const TableDef& def : Schema::tables())
        tables.insert(def.name, test::readRows(engine, QDir(dataFolder).filePath(def.name)));
    return tables;
}

void copyFolder(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    const QStringList entries = QDir(from).entryList(QDir::Files | QDir::Hidden);
    for (const QString& entry : entries)
        QVERIFY(QFile::copy(QDir(from).filePath(entry), QDir(to).filePath(entry)));
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The text files of one backup set by their names in the data folder, as they lie in the
// backup folder.
QMap<QString, QByteArray> textFilesOf(const QString& backupFolder, const QString& stamp)
{
    QMap<QString, QByteArray> files;
    const QStringList names = QDir(backupFolder).entryList({stamp + u"*.txt"_s}, QDir::Files);
    for (const QString& name : names) {
        QFile file(QDir(backupFolder).filePath(name));
        file.open(QIODevice::ReadOnly);
        files.insert(name.mid(stamp.size()), file.readAll());
    }
    return files;
}

void writeSelector(const QString& dataFolder, const ScratchDatabase& database)
{
    QDir().mkpath(dataFolder);
    QFile file(QDir(dataFolder).filePath(u"baza.txt"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(database.connection().toUtf8() + "\n");
}

} // namespace

class TestBackupPg : public test::PostgresOnlyTest
{
    Q_OBJECT

private slots:
    void backupRestoresIntoAFreshDatabaseAndIntoAFolderRowForRow()
    {
        test::TestFolder folder;
        ScratchDatabase source(u"source"_s);
        const QString data = folder.path() + u"/prog/podaci"_s;
        QCOMPARE(runSetup({"new", data, "--postgres", source.connection(), "--demo"}).code,
                 SetupCommand::kOk);
        {
            // Values the copies must carry exactly: separators of COPY's text form, letters of
            // the code page, fractions, NULLs.
            Engine engine(data);
            test::addRows(engine, data + u"/pmagacin"_s,
                          {{{"SIFRA", "T\tAB"},
                            {"NAZIV", u"Šraf \\ 1\nČep"_s},
                            {"MINKOLICINA", "0.1"},
                            {"CENANABAVNA", "1234567.891"},
                            {"DATUMULAZA", "09/12/2026"}},
                           {{"SIFRA", "T2"}}});
        }
        const Tables original = readAll(data);
        QCOMPARE(original.value(u"pmagacin"_s).first().value(u"NAZIV"_s), u"Šraf \\ 1\nČep"_s);

        QDir().mkpath(folder.path() + u"/prog/back-up"_s);
        const BackupResult backup = Backup::run(folder.path() + u"/prog"_s, kEvening);
        QVERIFY2(backup.succeeded(), qPrintable(Backup::failureText(backup)));
        for (const TableDef& def : Schema::tables())
            QVERIFY(backup.copied.contains(backup.stamp + def.name + u".db"_s));
        QVERIFY(backup.copied.contains(backup.stamp + u"otpremnica.txt"_s));
        QVERIFY(!backup.copied.contains(backup.stamp + u"baza.txt"_s));
        // Nothing of the export is left in the backup folder.
        QCOMPARE(QDir(folder.path() + u"/prog/back-up"_s)
                     .entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());

        // Into a folder of table files.
        copyFolder(folder.path() + u"/prog/back-up"_s, folder.path() + u"/files/back-up"_s);
        const test::CommandResult intoFiles =
            runSetup({"restore", folder.path() + u"/files/podaci"_s, backup.stamp});
        QVERIFY2(intoFiles.code == SetupCommand::kOk, qPrintable(intoFiles.out + intoFiles.err));
        QCOMPARE(readAll(folder.path() + u"/files/podaci"_s), original);

        // Into a fresh database, named by the folder it is restored into.
        ScratchDatabase fresh(u"fresh"_s);
        writeSelector(folder.path() + u"/other/podaci"_s, fresh);
        copyFolder(folder.path() + u"/prog/back-up"_s, folder.path() + u"/other/back-up"_s);
        const test::CommandResult intoDatabase =
            runSetup({"restore", folder.path() + u"/other/podaci"_s, backup.stamp});
        QVERIFY2(intoDatabase.code == SetupCommand::kOk,
                 qPrintable(intoDatabase.out + intoDatabase.err));
        QCOMPARE(readAll(folder.path() + u"/other/podaci"_s), original);
        QVERIFY(QDir(folder.path() + u"/other/podaci"_s).entryList({u"*.db"_s}).isEmpty());
        QCOMPARE(selectRows(fresh.connection(), u"SELECT count(*) FROM pmagacin"_s),
                 QStringList{u"2"_s});
        // The folder works on: the next row gets a row id after the restored ones.
        {
            Engine engine(folder.path() + u"/other/podaci"_s);
            test::addRows(engine, folder.path() + u"/other/podaci/korisnici"_s,
                          {{{"SIFRA", "555"}, {"KORISNIK", "Novi"}}});
        }
        QCOMPARE(readAll(folder.path() + u"/other/podaci"_s).value(u"korisnici"_s).size(), 3);
    }

    void textFilesOfAFolderGoThroughTheDatabaseByteForByte()
    {
        test::TestFolder folder;
        const QString files = folder.path() + u"/files"_s;
        QCOMPARE(runSetup({"new", files + u"/podaci"_s, "--demo"}).code, SetupCommand::kOk);
        // Letters of the code page, empty lines and a company of fewer lines than usual.
        writeBytes(files + u"/podaci/firma.txt"_s, "\x8a"
                                                   "raf \xc8"
                                                   "a\xe8"
                                                   "ak\r\n\r\nAdresa 1\r\n");
        QDir().mkpath(files + u"/back-up"_s);
        const QDateTime morning(QDate(2026, 12, 10), QTime(8, 0, 1));
        const BackupResult first = Backup::run(files, morning);
        QVERIFY2(first.succeeded(), qPrintable(Backup::failureText(first)));
        const QMap<QString, QByteArray> original = textFilesOf(files + u"/back-up"_s, first.stamp);
        QCOMPARE(original.size(), 9);

        // Restored into a database, the text files become its rows and leave the folder.
        ScratchDatabase database(u"texts"_s);
        const QString prog = folder.path() + u"/prog"_s;
        writeSelector(prog + u"/podaci"_s, database);
        copyFolder(files + u"/back-up"_s, prog + u"/back-up"_s);
        const test::CommandResult restored =
            runSetup({"restore", prog + u"/podaci"_s, first.stamp});
        QVERIFY2(restored.code == SetupCommand::kOk, qPrintable(restored.out + restored.err));
        QCOMPARE(QDir(prog + u"/podaci"_s).entryList({u"*.txt"_s}, QDir::Files),
                 QStringList{u"baza.txt"_s});
        QCOMPARE(selectRows(database.connection(),
                            u"SELECT redovi FROM deljeni_podaci WHERE datoteka = 'firma.txt'"_s),
                 QStringList{u"Šraf Čačak\n\nAdresa 1\n"_s});

        // Backed up from the database, they are the same files again.
        const BackupResult second = Backup::run(prog, kEvening);
        QVERIFY2(second.succeeded(), qPrintable(Backup::failureText(second)));
        QCOMPARE(textFilesOf(prog + u"/back-up"_s, second.stamp), original);
        // And the database's own backup restores into a folder of files as they were.
        copyFolder(prog + u"/back-up"_s, folder.path() + u"/again/back-up"_s);
        const test::CommandResult again =
            runSetup({"restore", folder.path() + u"/again/podaci"_s, second.stamp});
        QVERIFY2(again.code == SetupCommand::kOk, qPrintable(again.out + again.err));
        for (auto it = original.cbegin(); it != original.cend(); ++it)
            QCOMPARE(readBytes(folder.path() + u"/again/podaci/"_s + it.key()), it.value());
    }

    void anOlderDatabaseSaysWhatIsMissingAndABackupAndRestoreMendIt()
    {
        test::TestFolder folder;
        ScratchDatabase database(u"older"_s);
        const QString prog = folder.path() + u"/prog"_s;
        const QString data = prog + u"/podaci"_s;
        QCOMPARE(runSetup({"new", data, "--postgres", database.connection(), "--demo"}).code,
                 SetupCommand::kOk);
        QDir().mkpath(prog + u"/back-up"_s);
        // As an older version left it: the shared data in text files of the folder.
        const BackupResult made = Backup::run(prog, kEvening);
        QVERIFY(made.succeeded());
        const QMap<QString, QByteArray> texts = textFilesOf(prog + u"/back-up"_s, made.stamp);
        for (auto it = texts.cbegin(); it != texts.cend(); ++it)
            writeBytes(data + u"/"_s + it.key(), it.value());
        PgConnection(database.connection()).exec(u"DROP TABLE deljeni_podaci"_s);

        {
            Engine engine(data);
            QCOMPARE(errorOf([&] { DataStore::sharedData(engine)->groups(); }),
                     PgSharedData::missingTableText());
        }
        const test::CommandResult check = runSetup({"check", data});
        QCOMPARE(check.code, SetupCommand::kRefused);
        QVERIFY2(check.out.contains(PgSharedData::missingTableText()), qPrintable(check.out));

        // The backup takes the folder's text files; its restore puts them into the database.
        const BackupResult backup = Backup::run(prog, kEvening.addSecs(60));
        QVERIFY2(backup.succeeded(), qPrintable(Backup::failureText(backup)));
        QCOMPARE(textFilesOf(prog + u"/back-up"_s, backup.stamp), texts);
        const test::CommandResult restored = runSetup({"restore", data, backup.stamp});
        QVERIFY2(restored.code == SetupCommand::kOk, qPrintable(restored.out + restored.err));
        QCOMPARE(QDir(data).entryList({u"*.txt"_s}, QDir::Files), QStringList{u"baza.txt"_s});
        Engine engine(data);
        QCOMPARE(DataStore::sharedData(engine)->groups().names.size(),
                 SetupDemoCatalog::groups().size());
        const test::CommandResult mended = runSetup({"check", data});
        QVERIFY2(mended.code == SetupCommand::kOk, qPrintable(mended.out + mended.err));
    }

    void restoreIntoTheDatabaseKeepsWhatItReplacesAndRefusesDamage()
    {
        test::TestFolder folder;
        ScratchDatabase database(u"same"_s);
        const QString data = folder.path() + u"/prog/podaci"_s;
        QCOMPARE(runSetup({"new", data, "--postgres", database.connection(), "--demo"}).code,
                 SetupCommand::kOk);
        QDir().mkpath(folder.path() + u"/prog/back-up"_s);
        const Tables before = readAll(data);
        const BackupResult backup = Backup::run(folder.path() + u"/prog"_s, kEvening);
        QVERIFY(backup.succeeded());

        // Work after the backup, which the restore takes back.
        PgConnection(database.connection())
            .exec(u"UPDATE magacin SET \"NAZIV\" = 'posle' WHERE \"SIFRA\" = 'VIJ004'"_s);
        const Tables changed = readAll(data);
        QVERIFY(changed != before);

        // A set whose copy does not match its checksum is refused, the database untouched.
        const QString copy = folder.path() + u"/prog/back-up/"_s + backup.stamp + u"masina.db"_s;
        QFile damaged(copy);
        QVERIFY(damaged.open(QIODevice::ReadWrite));
        const QByteArray bytes = damaged.readAll();
        damaged.seek(bytes.size() - 10);
        damaged.write("xxxxxxxxxx");
        damaged.close();
        const test::CommandResult refused = runSetup({"restore", data, backup.stamp});
        QCOMPARE(refused.code, SetupCommand::kRefused);
        QVERIFY2(refused.err.contains(u"Nothing was changed"_s), qPrintable(refused.err));
        QCOMPARE(readAll(data), changed);
        QFile whole(copy);
        QVERIFY(whole.open(QIODevice::WriteOnly));
        whole.write(bytes);
        whole.close();

        // The server refusing half way leaves the database and the folder as they were.
        PgConnection(database.connection())
            .exec(u"CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                  "RAISE EXCEPTION 'masina is kept'; END $$; CREATE TRIGGER refuse BEFORE "
                  "TRUNCATE ON masina FOR EACH STATEMENT EXECUTE FUNCTION refuse()"_s);
        const auto folderBefore = test::snapshot(data);
        const test::CommandResult failed = runSetup({"restore", data, backup.stamp});
        QCOMPARE(failed.code, SetupCommand::kRefused);
        QVERIFY2(failed.err.contains(u"masina is kept"_s), qPrintable(failed.err));
        QCOMPARE(readAll(data), changed);
        QCOMPARE(test::snapshot(data), folderBefore);
        QCOMPARE(QDir(folder.path() + u"/prog"_s).entryList({u"*pre-restore*"_s}, QDir::Dirs),
                 QStringList());
        PgConnection(database.connection()).exec(u"DROP TRIGGER refuse ON masina"_s);

        const test::CommandResult restored = runSetup({"restore", data, backup.stamp});
        QVERIFY2(restored.code == SetupCommand::kOk, qPrintable(restored.out + restored.err));
        QCOMPARE(readAll(data), before);
        // The replaced state is a whole data folder of table files beside it.
        const QString kept = folder.path() + u"/prog/podaci.pre-restore-"_s + backup.stamp;
        QVERIFY(QFileInfo::exists(kept + u"/baza.txt"_s));
        QFile::remove(kept + u"/baza.txt"_s);
        QCOMPARE(readAll(kept), changed);
    }

    void backupOfAnUnreachableDatabaseFailsAndCannotBeRestored()
    {
        test::TestFolder folder;
        ScratchDatabase database(u"gone"_s);
        const QString data = folder.path() + u"/prog/podaci"_s;
        QCOMPARE(runSetup({"new", data, "--postgres", database.connection()}).code,
                 SetupCommand::kOk);
        QDir().mkpath(folder.path() + u"/prog/back-up"_s);
        QFile selector(data + u"/baza.txt"_s);
        QVERIFY(selector.open(QIODevice::WriteOnly));
        selector.write("dbname=kestar_no_such_database\n");
        selector.close();

        const BackupResult backup = Backup::run(folder.path() + u"/prog"_s, kEvening);
        QVERIFY(!backup.succeeded());
        const QString text = Backup::failureText(backup);
        QVERIFY2(text.startsWith(u"BACK UP NIJE USPEO!!!"_s), qPrintable(text));
        QVERIFY2(text.contains(u"prometx.db"_s) && text.contains(u"kestar_no_such_database"_s),
                 qPrintable(text));
        QVERIFY(!backup.copied.contains(backup.stamp + u"prometx.db"_s));

        // The set of text files alone is no backup to restore.
        const test::CommandResult restore = runSetup({"restore", data, backup.stamp});
        QCOMPARE(restore.code, SetupCommand::kRefused);
        QVERIFY2(restore.err.contains(u"incomplete"_s), qPrintable(restore.err));
    }

    void checkReadsTheDatabase()
    {
        test::TestFolder folder;
        ScratchDatabase database(u"check"_s);
        const QString data = folder.path() + u"/prog/podaci"_s;
        QCOMPARE(runSetup({"new", data, "--postgres", database.connection(), "--demo"}).code,
                 SetupCommand::kOk);
        QDir().mkpath(folder.path() + u"/prog/back-up"_s);
        QVERIFY(Backup::run(folder.path() + u"/prog"_s, kEvening).succeeded());

        const test::CommandResult sound = runSetup({"check", data});
        QVERIFY2(sound.code == SetupCommand::kOk, qPrintable(sound.out + sound.err));
        QVERIFY2(sound.out.contains(u"Tables of the database"_s), qPrintable(sound.out));

        // Stock changed beside the ledger, and a ledger number above its counter.
        PgConnection(database.connection())
            .exec(u"UPDATE magacin SET \"KOLICINA\" = \"KOLICINA\" + 7, \"MAGACIN1\" = "
                  "\"MAGACIN1\" + 7 WHERE \"SIFRA\" = 'VIJ004'"_s);
        const test::CommandResult found = runSetup({"check", data});
        QCOMPARE(found.code, SetupCommand::kRefused);
        QVERIFY2(found.out.contains(u"VIJ004"_s), qPrintable(found.out));
    }

    void importPutsAnOldFolderIntoTheDatabase()
    {
        test::TestFolder folder;
        ScratchDatabase database(u"import"_s);
        const QString old = folder.path() + u"/old"_s;
        QDir().mkpath(old);
        test::OldFolderFixture::writeEmptyTables(old);
        test::OldFolderFixture::writeTextFiles(old);
        test::ParadoxWriter::writeTexts(old + u"/korisnici.DB"_s, {"SIFRA", "KORISNIK"},
                                        {{"123", "Administrator"}, {"111", "Magacioner"}});
        test::ParadoxWriter::writeTexts(old + u"/masina.DB"_s,
                                        {"SIFRAMASINE", "SIFRA2", "NAZIVMASINE"},
                                        {{"M1", "M1-2", u"Bušilica"_s}});
        const QString data = folder.path() + u"/new/podaci"_s;
        const test::CommandResult run =
            test::OldFolderFixture::runImport(old, data, {"--postgres", database.connection()});
        QVERIFY2(run.code == SetupCommand::kOk, qPrintable(run.out + run.err));
        QVERIFY(QFileInfo::exists(data + u"/baza.txt"_s));
        QVERIFY(!QFileInfo::exists(data + u"/firma.txt"_s));
        QVERIFY(QDir(data).entryList({u"*.db"_s}).isEmpty());
        QCOMPARE(selectRows(database.connection(), u"SELECT count(*) FROM deljeni_podaci"_s),
                 QStringList{u"9"_s});
        QCOMPARE(selectRows(database.connection(),
                            u"SELECT redovi FROM deljeni_podaci WHERE datoteka = 'grupe.txt'"_s),
                 QStringList{u"Vijci\nČekići\n"_s});
        QCOMPARE(selectRows(database.connection(),
                            u"SELECT \"SIFRAMASINE\", \"NAZIVMASINE\" FROM masina"_s),
                 QStringList{u"M1|Bušilica"_s});
        QCOMPARE(readAll(data).value(u"korisnici"_s).size(), 2);

        // A second import into the same database is refused, and makes nothing.
        const test::CommandResult again = test::OldFolderFixture::runImport(
            old, folder.path() + u"/again/podaci"_s, {"--postgres", database.connection()});
        QCOMPARE(again.code, SetupCommand::kRefused);
        QVERIFY(!QFileInfo::exists(folder.path() + u"/again/podaci"_s));
        QCOMPARE(readAll(data).value(u"korisnici"_s).size(), 2);
    }

};

QTEST_GUILESS_MAIN(TestBackupPg)
#include "tst_backuppg.moc"
