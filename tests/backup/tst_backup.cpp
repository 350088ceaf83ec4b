#include "app/Assembly.h"
#include "backup/Backup.h"
#include "backup/BackupPage.h"
#include "data/BackupManifest.h"
#include "data/JournalRecovery.h"
#include "platform/Clock.h"
#include "platform/Regional.h"
#include "shell/MainWindow.h"
#include "shell/StatusPanels.h"
#include "shell/Workplace.h"
#include "tests/support/Fixture.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>
#include <sqlite3.h>

using namespace kestar;
using kestar::test::ScriptedMessages;
using kestar::test::TestFolder;

namespace {

const QDateTime kAfternoon(QDate(2026, 12, 8), QTime(14, 5, 7));
const QDateTime kMorning(QDate(2026, 12, 8), QTime(9, 5, 7));

// Remembers where the progress bar stood whenever a plain message was shown.
class WatchingMessages : public ScriptedMessages
{
public:
    QProgressBar* bar = nullptr;
    QList<int> barAtMessage;

    void show(const QString& text) override
    {
        if (bar)
            barAtMessage << bar->value();
        ScriptedMessages::show(text);
    }
};

// Contents that a careless copy would spoil: zero bytes, line ends, the file's own name.
QByteArray contentFor(const QString& name)
{
    QByteArray bytes = name.toUtf8();
    bytes += QByteArray("\0\r\n\xff\x80", 5);
    bytes += QByteArray(300, char(name.size()));
    return bytes;
}

// The whole program, started in a fresh program folder.
class Program
{
public:
    Program() : assembly(messages) { folder.writeStandardTextFiles(); }

    bool start()
    {
        if (!assembly.start()) {
            qWarning() << "start-up failed:" << messages.texts();
            return false;
        }
        messages.bar = progressBar();
        // The page belongs to the administrator; the user panel is what marks the login.
        window().workplace().setUser(QStringLiteral("Administrator"));
        window().trigger(PageKey::Backup);
        if (window().currentPage() != PageKey::Backup) {
            qWarning() << "backup page not shown:" << window().currentPage() << messages.texts();
            return false;
        }
        return true;
    }

    MainWindow& window() const { return assembly.window(); }
    QString dataFolder() const { return folder.path() + QStringLiteral("/podaci"); }
    QString backupFolder() const { return folder.path() + QStringLiteral("/back-up"); }

    // Empties the data folder (start-up has read its text files by now) and fills it anew.
    void setDataFiles(const QStringList& names) const
    {
        QDir(dataFolder()).removeRecursively();
        QDir(folder.path()).mkdir(QStringLiteral("podaci"));
        for (const QString& name : names)
            folder.write(name, contentFor(name));
    }

    // The copies; the manifest of each backup is a hidden file beside them.
    QStringList backupEntries() const
    {
        return QDir(backupFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
    }

    QByteArray backupCopy(const QString& name) const
    {
        QFile file(backupFolder() + QLatin1Char('/') + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    template <typename T> T* control(const QString& name) const
    {
        return window().page(PageKey::Backup)->findChild<T*>(name);
    }
    QProgressBar* progressBar() const { return control<QProgressBar>("backupProgress"); }
    void click(const QString& buttonName) const
    {
        QPushButton* button = control<QPushButton>(buttonName);
        QVERIFY2(button, qPrintable(buttonName));
        QTest::mouseClick(button, Qt::LeftButton);
    }

    TestFolder folder;
    WatchingMessages messages;
    Assembly assembly;
};

} // namespace

class BackupTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { Regional::setCurrent(Regional::standard()); }

    void stampFollowsTheRegionalForms_data()
    {
        QTest::addColumn<QString>("dateForm");
        QTest::addColumn<QString>("timeForm");
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<QString>("stamp");
        QTest::newRow("afternoon") << "dd/MM/yyyy"
                                   << "HH:mm:ss" << kAfternoon << "08-12-26-14-05-07";
        QTest::newRow("one-digit hour gets its zero")
            << "dd/MM/yyyy"
            << "H:mm:ss" << kMorning << "08-12-26-09-05-07";
        QTest::newRow("two-digit hour form") << "dd/MM/yyyy"
                                             << "HH:mm:ss" << kMorning << "08-12-26-09-05-07";
        QTest::newRow("month first keeps the characters")
            << "MM/dd/yyyy"
            << "HH:mm:ss" << kAfternoon << "12-08-26-14-05-07";
        QTest::newRow("short date without zeros")
            << "d/M/yyyy"
            << "HH:mm:ss" << QDateTime(QDate(2026, 1, 8), QTime(14, 5, 7)) << "08-01-26-14-05-07";
        QTest::newRow("short date with a two-digit day")
            << "d/M/yyyy"
            << "HH:mm:ss" << QDateTime(QDate(2026, 1, 18), QTime(14, 5, 7)) << "18-01-26-14-05-07";
        QTest::newRow("year 2000")
            << "d/M/yyyy"
            << "HH:mm:ss" << QDateTime(QDate(2000, 2, 29), QTime(0, 0, 0)) << "29-02-00-00-00-00";
        QTest::newRow("time form of another length")
            << "dd/MM/yyyy"
            << "h:mm:ss AP" << kAfternoon << "08-12-26-14-05-07";
    }
    void stampFollowsTheRegionalForms()
    {
        QFETCH(QString, dateForm);
        QFETCH(QString, timeForm);
        QFETCH(QDateTime, moment);
        QFETCH(QString, stamp);
        RegionalSettings settings = Regional::standard();
        settings.shortDateFormat = dateForm;
        settings.timeFormat = timeForm;
        ScopedRegional regional(settings);
        QCOMPARE(Backup::stamp(moment), stamp);
    }

    void fourFilesMoveTheBarInQuartersAndShareOneStamp()
    {
        ScopedClock clock(kAfternoon);
        Program program;
        QVERIFY(program.start());
        const QStringList files = {"magacin.db", "prometx.db", "firma.txt", "oprema.txt"};
        program.setDataFiles(files);

        QProgressBar* bar = program.progressBar();
        QVERIFY(bar);
        QCOMPARE(bar->value(), 0);
        QList<int> values;
        QStringList folders;
        connect(bar, &QProgressBar::valueChanged, bar, [&](int value) {
            values << value;
            folders << QDir::currentPath();
        });
        program.click("btnSnimiPodatke");

        QCOMPARE(values, QList<int>({25, 50, 75, 100, 0}));
        const QString dataFolder =
            QDir(program.window().workplace().programFolder()).filePath("podaci");
        QCOMPARE(folders.mid(0, 3), QStringList(3, dataFolder));
        QCOMPARE(program.messages.texts(), QStringList{"SNIMLJENO"});
        QCOMPARE(program.messages.barAtMessage, QList<int>{100});
        QCOMPARE(program.window().currentPage(), PageKey::AdminMenu);

        QCOMPARE(program.backupEntries(),
                 QStringList({"08-12-26-14-05-07firma.txt", "08-12-26-14-05-07magacin.db",
                              "08-12-26-14-05-07oprema.txt", "08-12-26-14-05-07prometx.db"}));
        for (const QString& name : files)
            QCOMPARE(program.backupCopy("08-12-26-14-05-07" + name), program.folder.read(name));

        // The manifest, written last, names every copy with its size and checksum.
        const auto manifest =
            BackupManifest::read(program.backupFolder(), "08-12-26-14-05-07", nullptr);
        QVERIFY(manifest);
        QVERIFY(manifest->finished);
        QCOMPARE(manifest->made, kAfternoon);
        QCOMPARE(manifest->files.size(), 4);
        for (const BackupManifest::File& file : manifest->files) {
            const QByteArray bytes = program.folder.read(file.name);
            QCOMPARE(file.size, bytes.size());
            QCOMPARE(file.sha256,
                     QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
        }

        // Relative data paths resolve against the program folder again.
        QCOMPARE(QDir::currentPath(), program.window().workplace().programFolder());
        QVERIFY(QFile(QStringLiteral("podaci/magacin.db")).exists());
    }

    void progressIsReportedAfterEveryCopyFromPositionZero()
    {
        TestFolder folder;
        for (const char* name : {"a.db", "b.db", "c.db", "d.db"})
            folder.write(QString::fromLatin1(name), "x");
        QList<int> values;
        const BackupResult result =
            Backup::run(QDir::currentPath(), kAfternoon, [&](int value) { values << value; });
        QVERIFY(result.succeeded());
        QCOMPARE(values, QList<int>({0, 0, 25, 50, 75}));
    }

    void moreThanHundredFilesKeepTheBarAtZeroUntilTheEnd()
    {
        ScopedClock clock(kAfternoon);
        Program program;
        QVERIFY(program.start());
        QStringList files;
        for (int i = 0; i < 101; ++i)
            files << QStringLiteral("file%1.txt").arg(i, 3, 10, QLatin1Char('0'));
        program.setDataFiles(files);

        QSignalSpy spy(program.progressBar(), &QProgressBar::valueChanged);
        program.click("btnSnimiPodatke");

        QCOMPARE(spy.size(), 2);
        QCOMPARE(spy.at(0).at(0).toInt(), 100);
        QCOMPARE(spy.at(1).at(0).toInt(), 0);
        QCOMPARE(program.backupEntries().size(), 101);
        QCOMPARE(program.messages.texts(), QStringList{"SNIMLJENO"});
    }

    void onlyVisibleFilesAreCopiedInNameOrderIgnoringCase()
    {
        TestFolder folder;
        folder.write("b.txt", "b");
        folder.write("A.db", "a");
        folder.write("c.TXT", "c");
        folder.write(".hidden", "h");
        folder.write("readonly.db", "r");
        QFile::setPermissions(folder.dataPath("readonly.db"), QFile::ReadOwner | QFile::ReadGroup);
        QDir(folder.path()).mkpath("podaci/sub/deeper");
        QFile inner(folder.dataPath("sub/inner.txt"));
        QVERIFY(inner.open(QIODevice::WriteOnly));
        inner.close();

        const BackupResult result = Backup::run(QDir::currentPath(), kAfternoon);

        QVERIFY(result.succeeded());
        const QString stamp = "08-12-26-14-05-07";
        QCOMPARE(result.copied, QStringList({stamp + "A.db", stamp + "b.txt", stamp + "c.TXT",
                                             stamp + "readonly.db"}));
        const QStringList entries =
            QDir(folder.path() + "/back-up")
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                           QDir::Name | QDir::IgnoreCase);
        QCOMPARE(entries, QStringList{"." + stamp + ".manifest"} + result.copied);
    }

    void successiveBackupsLieSideBySideAndOneSecondReplaces()
    {
        ScopedClock afternoon(kAfternoon);
        Program program;
        QVERIFY(program.start());
        program.setDataFiles({"magacin.db", "prometx.db"});
        program.click("btnSnimiPodatke");

        {
            RegionalSettings settings = Regional::standard();
            settings.timeFormat = QStringLiteral("H:mm:ss");
            ScopedRegional regional(settings);
            ScopedClock morning(kMorning);
            program.window().trigger(PageKey::Backup);
            program.click("btnSnimiPodatke");
        }
        QCOMPARE(program.backupEntries(),
                 QStringList({"08-12-26-09-05-07magacin.db", "08-12-26-09-05-07prometx.db",
                              "08-12-26-14-05-07magacin.db", "08-12-26-14-05-07prometx.db"}));

        // A second backup within the same second replaces the copy of that name.
        ScopedClock again(kAfternoon);
        program.folder.write("magacin.db", "changed since");
        program.window().trigger(PageKey::Backup);
        program.click("btnSnimiPodatke");
        QCOMPARE(program.backupCopy("08-12-26-14-05-07magacin.db"), QByteArray("changed since"));
        QCOMPARE(program.backupEntries().size(), 4);
        QCOMPARE(program.messages.texts(), QStringList(3, "SNIMLJENO"));
    }

    void missingBackupFolderIsReportedAndNothingIsCopied()
    {
        ScopedClock clock(kAfternoon);
        Program program;
        QVERIFY(program.start());
        QVERIFY(QDir(program.backupFolder()).removeRecursively());
        program.click("btnSnimiPodatke");

        QCOMPARE(program.messages.errors().size(), 1);
        QVERIFY2(program.messages.errors().first().contains("Ne postoji folder za back up: "),
                 qPrintable(program.messages.errors().first()));
        QVERIFY(!program.messages.texts().contains("SNIMLJENO"));
        QVERIFY(!QFileInfo::exists(program.backupFolder()));
        QCOMPARE(program.progressBar()->value(), 0);
        QCOMPARE(program.window().currentPage(), PageKey::Backup);
        QCOMPARE(QDir::currentPath(), program.window().workplace().programFolder());
    }

    void missingOrEmptyDataFolderIsReported()
    {
        ScopedClock clock(kAfternoon);
        Program program;
        QVERIFY(program.start());

        program.setDataFiles({});
        QDir(program.dataFolder()).mkdir("only-a-folder");
        program.click("btnSnimiPodatke");
        QCOMPARE(program.messages.errors(),
                 QStringList{"U folderu podaci nema fajlova za back up!"});
        QCOMPARE(QDir::currentPath(), program.window().workplace().programFolder());

        program.messages.clear();
        QVERIFY(QDir(program.dataFolder()).removeRecursively());
        program.click("btnSnimiPodatke");
        QCOMPARE(program.messages.errors().size(), 1);
        QVERIFY2(program.messages.errors().first().contains("Ne postoji folder sa podacima: "),
                 qPrintable(program.messages.errors().first()));
        QCOMPARE(QDir::currentPath(), program.window().workplace().programFolder());

        QVERIFY(program.backupEntries().isEmpty());
        QCOMPARE(program.progressBar()->value(), 0);
        QCOMPARE(program.window().currentPage(), PageKey::Backup);
    }

    void aFileThatCannotBeCopiedIsNamedAndTheRestIsCopied()
    {
        ScopedClock clock(kAfternoon);
        Program program;
        QVERIFY(program.start());
        program.setDataFiles({"firma.txt", "magacin.db", "prometx.db"});
        QVERIFY(QDir(program.backupFolder()).mkdir("08-12-26-14-05-07magacin.db"));
        program.click("btnSnimiPodatke");

        QCOMPARE(program.messages.errors().size(), 1);
        const QString error = program.messages.errors().first();
        QVERIFY2(error.startsWith("BACK UP NIJE USPEO!!! Nisu snimljeni fajlovi:\n magacin.db ("),
                 qPrintable(error));
        QVERIFY2(!error.contains("firma.txt") && !error.contains("prometx.db"), qPrintable(error));
        QVERIFY(!program.messages.texts().contains("SNIMLJENO"));
        QCOMPARE(program.backupCopy("08-12-26-14-05-07firma.txt"),
                 program.folder.read("firma.txt"));
        QCOMPARE(program.backupCopy("08-12-26-14-05-07prometx.db"),
                 program.folder.read("prometx.db"));
        QVERIFY(QFileInfo(program.backupFolder() + "/08-12-26-14-05-07magacin.db").isDir());
        // The manifest marks the set incomplete: the file that did not reach it has no checksum.
        const auto manifest =
            BackupManifest::read(program.backupFolder(), "08-12-26-14-05-07", nullptr);
        QVERIFY(manifest && manifest->finished);
        QCOMPARE(manifest->files.size(), 3);
        QCOMPARE(manifest->files.at(1).name, QStringLiteral("magacin.db"));
        QVERIFY(!manifest->files.at(1).copied());
        QVERIFY(manifest->files.at(0).copied() && manifest->files.at(2).copied());
        QCOMPARE(program.progressBar()->value(), 0);
        QCOMPARE(program.window().currentPage(), PageKey::Backup);
        QCOMPARE(QDir::currentPath(), program.window().workplace().programFolder());
    }

    void backupThatStopsHalfWayLeavesItsSetMarkedUnfinished()
    {
        TestFolder folder;
        for (const char* name : {"a.db", "b.db", "c.db", "d.db"})
            folder.write(QString::fromLatin1(name), "x");
        struct Stop
        {
        };
        try {
            Backup::run(QDir::currentPath(), kAfternoon, [](int value) {
                if (value == 25)
                    throw Stop{};
            });
            QFAIL("the backup did not stop");
        } catch (const Stop&) {
        }
        const auto manifest =
            BackupManifest::read(folder.path() + "/back-up", "08-12-26-14-05-07", nullptr);
        QVERIFY(manifest);
        QVERIFY(!manifest->finished);
        QCOMPARE(QDir::currentPath(), folder.path());
    }

    void tableLeftWithAHotJournalIsBackedUpAsTheEngineReadsIt()
    {
        TestFolder folder;
        const QByteArray table = QFile::encodeName(folder.dataPath("magacin.db"));
        {
            sqlite3* db = nullptr;
            QCOMPARE(sqlite3_open(table.constData(), &db), SQLITE_OK);
            sqlite3_exec(db,
                         "CREATE TABLE magacin(SIFRA TEXT, NAZIV TEXT);"
                         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n "
                         "WHERE i<400) INSERT INTO magacin SELECT i, 'artikal ' || i FROM n;",
                         nullptr, nullptr, nullptr);
            sqlite3_close(db);
        }
        const QByteArray whole = folder.read("magacin.db");
        test::killInsideAWrite(folder.dataPath("magacin.db"),
                               "UPDATE magacin SET NAZIV = NAZIV || printf('%.900c', 'x');");
        QCOMPARE(JournalRecovery::stateOf(folder.dataPath("magacin.db-journal")),
                 JournalRecovery::State::Hot);
        QVERIFY(folder.read("magacin.db") != whole);

        const BackupResult result = Backup::run(QDir::currentPath(), kAfternoon);
        QVERIFY(result.succeeded());
        QCOMPARE(result.copied, QStringList{"08-12-26-14-05-07magacin.db"});
        QFile copy(folder.path() + "/back-up/08-12-26-14-05-07magacin.db");
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), whole);
        QVERIFY(!QFile::exists(folder.dataPath("magacin.db-journal")));
    }

    void equipmentChoiceIsWrittenForTheNextStartOnly()
    {
        Program program;
        QVERIFY(program.start());
        QCOMPARE(program.window().workplace().equipmentSwitch(), 1);
        auto* yes = program.control<QRadioButton>("equipmentYes");
        auto* no = program.control<QRadioButton>("equipmentNo");
        QVERIFY(yes && no);
        QVERIFY(yes->isChecked());

        QTest::mouseClick(no, Qt::LeftButton, {}, QPoint(5, no->height() / 2));
        QVERIFY(no->isChecked());
        program.click("btnSnimiOvuPromenu");
        QCOMPARE(program.folder.read("oprema.txt"), QByteArray("0\r\n"));
        QCOMPARE(program.messages.texts(), QStringList{"IZMENA JE SNIMLJENA!!!"});
        QCOMPARE(program.window().workplace().equipmentSwitch(), 1);

        yes->setChecked(true);
        program.click("btnSnimiOvuPromenu");
        QCOMPARE(program.folder.read("oprema.txt"), QByteArray("1\r\n"));

        // A file that may not be written keeps its content, and no success is claimed.
        program.messages.clear();
        no->setChecked(true);
        QFile::setPermissions(program.folder.dataPath("oprema.txt"),
                              QFile::ReadOwner | QFile::ReadGroup);
        program.click("btnSnimiOvuPromenu");
        QCOMPARE(program.messages.errors().size(), 1);
        QVERIFY(!program.messages.texts().contains("IZMENA JE SNIMLJENA!!!"));
        QCOMPARE(program.folder.read("oprema.txt"), QByteArray("1\r\n"));

        program.click("btnPovratakNaMeniAdministratora");
        QCOMPARE(program.window().currentPage(), PageKey::AdminMenu);
    }
};

QTEST_MAIN(BackupTest)
#include "tst_backup.moc"
