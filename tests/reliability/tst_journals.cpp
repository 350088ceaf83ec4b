#include "tests/support/Unprivileged.h"

#include "app/Assembly.h"
#include "data/DataFolderRefusal.h"
#include "data/Engine.h"
#include "data/EngineScratch.h"
#include "data/Schema.h"
#include "data/Table.h"
#include "data/Transaction.h"
#include "platform/Regional.h"
#include "tests/support/Fixture.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/tools/SetupRun.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kestar;
using namespace kestar::test;

namespace {

// ---- a commit that dies half way ------------------------------------------------------------
//
// The child process runs the program's own kind of commit (a ledger row and a stock change in
// one transaction over two table files) through a file-system layer of SQLite's own kind that
// ends the process at a chosen write, as a crash or a power cut would: the files are left
// exactly as they were at that moment.

enum class CrashAt
{
    SecondTable,   // the first write into the second table file: the first one is written whole,
                   // the super-journal still exists (the commit has not finished)
    JournalDelete, // the first journal deleted: the super-journal is gone (the commit finished)
};

constexpr int kCrashed = 42;

namespace crashvfs {

sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;
sqlite3_io_methods g_io;
CrashAt g_at = CrashAt::SecondTable;
bool g_armed = false;
char g_firstTable[1024] = {};

struct File
{
    sqlite3_file base;
    sqlite3_file* real;
    const char* name;
    int flags;
};

sqlite3_file* real(sqlite3_file* file)
{
    return reinterpret_cast<File*>(file)->real;
}

// Hands a call on to the real file's own method.
template <auto Method> struct Forward;
template <typename... Args, int (*sqlite3_io_methods::*Method)(sqlite3_file*, Args...)>
struct Forward<Method>
{
    static int call(sqlite3_file* file, Args... args)
    {
        return (real(file)->pMethods->*Method)(real(file), args...);
    }
};

int xWrite(sqlite3_file* f, const void* b, int n, sqlite3_int64 o)
{
    const File* file = reinterpret_cast<File*>(f);
    if (g_armed && g_at == CrashAt::SecondTable && (file->flags & SQLITE_OPEN_MAIN_DB) &&
        file->name) {
        if (!g_firstTable[0])
            qstrncpy(g_firstTable, file->name, sizeof g_firstTable);
        else if (std::strcmp(g_firstTable, file->name) != 0)
            ::_exit(kCrashed);
    }
    return Forward<&sqlite3_io_methods::xWrite>::call(f, b, n, o);
}

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags)
{
    auto* file = reinterpret_cast<File*>(f);
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    file->name = name;
    file->flags = flags;
    const int rc = g_real->xOpen(g_real, name, file->real, flags, outFlags);
    file->base.pMethods = file->real->pMethods ? &g_io : nullptr;
    return rc;
}

int xDelete(sqlite3_vfs*, const char* name, int syncDir)
{
    if (g_armed && g_at == CrashAt::JournalDelete && QByteArray(name).endsWith("-journal"))
        ::_exit(kCrashed);
    return g_real->xDelete(g_real, name, syncDir);
}

void install(CrashAt at)
{
    g_at = at;
    g_real = sqlite3_vfs_find(nullptr);
    g_vfs = *g_real;
    g_vfs.zName = "crash";
    g_vfs.szOsFile = int(sizeof(File)) + g_real->szOsFile;
    g_vfs.xOpen = xOpen;
    g_vfs.xDelete = xDelete;
    g_io = {};
    g_io.iVersion = 1; // no shared memory and no memory mapping: a rollback journal needs neither
    g_io.xClose = Forward<&sqlite3_io_methods::xClose>::call;
    g_io.xRead = Forward<&sqlite3_io_methods::xRead>::call;
    g_io.xWrite = xWrite;
    g_io.xTruncate = Forward<&sqlite3_io_methods::xTruncate>::call;
    g_io.xSync = Forward<&sqlite3_io_methods::xSync>::call;
    g_io.xFileSize = Forward<&sqlite3_io_methods::xFileSize>::call;
    g_io.xLock = Forward<&sqlite3_io_methods::xLock>::call;
    g_io.xUnlock = Forward<&sqlite3_io_methods::xUnlock>::call;
    g_io.xCheckReservedLock = Forward<&sqlite3_io_methods::xCheckReservedLock>::call;
    g_io.xFileControl = Forward<&sqlite3_io_methods::xFileControl>::call;
    g_io.xSectorSize = Forward<&sqlite3_io_methods::xSectorSize>::call;
    g_io.xDeviceCharacteristics = Forward<&sqlite3_io_methods::xDeviceCharacteristics>::call;
    sqlite3_vfs_register(&g_vfs, 1);
}

} // namespace crashvfs

// The child: issue 17 of article A (stock 10) by 3, crashing inside the commit.
int crashingCommit(const char* at)
{
    Regional::setCurrent(Regional::standard());
    crashvfs::install(qstrcmp(at, "journal") == 0 ? CrashAt::JournalDelete : CrashAt::SecondTable);
    try {
        Engine engine;
        auto ledger = std::make_unique<Table>(engine, QStringLiteral("podaci/prometx.db"));
        auto items = std::make_unique<Table>(engine, QStringLiteral("podaci/magacin.db"));
        ledger->open();
        items->open();
        Transaction transaction(engine);
        ledger->first();
        ledger->insert();
        ledger->setText(QStringLiteral("BROJDOKUMENTA"), QStringLiteral("42"));
        ledger->setText(QStringLiteral("OTPREMNICA"), QStringLiteral("17"));
        ledger->setText(QStringLiteral("SIFRAROBE"), QStringLiteral("A"));
        ledger->setText(QStringLiteral("KOLICINA"), QStringLiteral("3"));
        ledger->post();
        items->findNearest(QStringLiteral("A"));
        items->edit();
        items->setNumber(QStringLiteral("KOLICINA"), 7);
        items->post();
        crashvfs::g_armed = true;
        transaction.commit();
    } catch (const std::exception& error) {
        qWarning("the commit failed instead: %s", error.what());
    }
    return 1; // the commit ran to its end: no crash
}

// ---- the program folder ---------------------------------------------------------------------

const QString kItems = QStringLiteral("podaci/magacin.db");
const QString kLedger = QStringLiteral("podaci/prometx.db");

QStringList scratchFolders(const QString& program)
{
    return QDir(program).entryList({EngineScratch::kPrefix + '*'},
                                   QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
}

QStringList journals(const QString& program)
{
    return QDir(program + QStringLiteral("/podaci")).entryList({QStringLiteral("*-journal")});
}

// Every file of the data folder, byte for byte.
QMap<QString, QByteArray> dataFiles(const QString& program)
{
    QMap<QString, QByteArray> files;
    const QDir folder(program + QStringLiteral("/podaci"));
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden)) {
        QFile file(folder.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            files.insert(name, file.readAll());
    }
    return files;
}

// A program folder with article A (stock 10) and an empty ledger, which can be moved as a whole;
// the working folder follows it.
class ProgramFolder
{
public:
    ProgramFolder() : m_saved(QDir::currentPath())
    {
        // Open to every user, so that a test may act as an ordinary one inside.
        ::chmod(QFile::encodeName(m_root.path()).constData(), 0755);
        m_path = m_root.filePath(QStringLiteral("program"));
        QDir().mkpath(m_path + QStringLiteral("/podaci"));
        QDir::setCurrent(m_path);
        createAllTables();
        Engine setup;
        addRows(setup, kItems, {{{"SIFRA", "A"}, {"NAZIV", "Burgija"}, {"KOLICINA", "10"}}});
    }
    ~ProgramFolder() { QDir::setCurrent(m_saved); }
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    QString path() const { return m_path; }

    // Runs the commit in a child process that dies where asked.
    void crashWhileCommitting(const char* at) const
    {
        QProcess child;
        child.setWorkingDirectory(m_path);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--crash-commit"), QString::fromLatin1(at)});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitCode(), kCrashed);
    }

    // Moves or renames the program folder, as a user would after the crash.
    void moveTo(const QString& name)
    {
        const QString to = m_root.filePath(name);
        QDir::setCurrent(m_root.path());
        QVERIFY(QDir().rename(m_path, to));
        m_path = to;
        QDir::setCurrent(m_path);
    }

    // The stock of A and the ledger's issue numbers, read with an engine of its own.
    QString state() const
    {
        Engine engine;
        const QList<Row> items = readRows(engine, kItems);
        QStringList issues;
        for (const Row& row : readRows(engine, kLedger))
            issues.append(row.value("OTPREMNICA"));
        return QStringLiteral("stock %1, issues [%2]")
            .arg(items.value(0).value("KOLICINA"), issues.join(','));
    }

private:
    QTemporaryDir m_root;
    QString m_path;
    QString m_saved;
};

const QString kBefore = QStringLiteral("stock 10, issues []");
const QString kAfter = QStringLiteral("stock 7, issues [17]");

} // namespace

class JournalsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Regional::setCurrent(Regional::standard()); }

    // The commit died after one table file was written: the other table file and the super-
    // journal tell the next start to roll both back, in place or after the program folder was
    // moved whole (the journals then name the super-journal at its former place).
    void unfinishedCommitIsRolledBackInBothTables_data()
    {
        QTest::addColumn<bool>("moved");
        QTest::newRow("in place") << false;
        QTest::newRow("program folder moved") << true;
    }

    void unfinishedCommitIsRolledBackInBothTables()
    {
        QFETCH(bool, moved);
        ProgramFolder program;
        const QMap<QString, QByteArray> before = dataFiles(program.path());
        program.crashWhileCommitting("table");
        QCOMPARE(journals(program.path()).size(), 2);
        // The crash landed inside the commit: one table file holds its half already.
        const QMap<QString, QByteArray> torn = dataFiles(program.path());
        QVERIFY((torn.value("magacin.db") != before.value("magacin.db")) !=
                (torn.value("prometx.db") != before.value("prometx.db")));
        if (moved) {
            program.moveTo(QStringLiteral("moved"));
            const CommandResult check =
                runSetup({QStringLiteral("check"), QStringLiteral("podaci")});
            QVERIFY2(check.out.contains("(the program folder was moved); the commit did not "
                                        "finish, and the program rolls the write back"),
                     qPrintable(check.out));
            QVERIFY(!check.out.contains("no longer exists"));
        }

        QCOMPARE(program.state(), kBefore);
        QCOMPARE(journals(program.path()), QStringList());
        QCOMPARE(scratchFolders(program.path()), QStringList());
        QCOMPARE(dataFiles(program.path()).value("prometx.db"), before.value("prometx.db"));
    }

    // The commit was finished when the process died: only its journals were left. The rows
    // stay, in place and after a move.
    void finishedCommitKeepsItsRows_data() { unfinishedCommitIsRolledBackInBothTables_data(); }

    void finishedCommitKeepsItsRows()
    {
        QFETCH(bool, moved);
        ProgramFolder program;
        program.crashWhileCommitting("journal");
        QVERIFY(!journals(program.path()).isEmpty());
        if (moved)
            program.moveTo(QStringLiteral("moved"));
        QCOMPARE(program.state(), kAfter);
        QCOMPARE(journals(program.path()), QStringList());
        QCOMPARE(scratchFolders(program.path()), QStringList());
    }

    // The program folder was moved after the crash without its scratch folder: whether the
    // commit finished cannot be told. The program says so and ends, with nothing changed, and
    // the check names the super-journal as lost.
    void lostSuperJournalRefusesTheFolder()
    {
        ProgramFolder program;
        program.crashWhileCommitting("table");
        const QString former = program.path();
        program.moveTo(QStringLiteral("moved"));
        for (const QString& scratch : scratchFolders(program.path()))
            QVERIFY(QDir(program.path() + '/' + scratch).removeRecursively());
        const QMap<QString, QByteArray> before = dataFiles(program.path());

        ScriptedMessages messages;
        QVERIFY(!Assembly::create(messages));
        QCOMPARE(messages.errors().size(), 1);
        const QString text = messages.errors().first();
        QVERIFY2(text.startsWith("PODACI NISU OTVORENI!!!"), qPrintable(text));
        QVERIFY(text.contains("magacin.db-journal, prometx.db-journal"));
        QVERIFY2(text.contains(QStringLiteral("Vratite folder programa na mesto %1 ").arg(former)),
                 qPrintable(text));
        QCOMPARE(dataFiles(program.path()), before);
        QCOMPARE(scratchFolders(program.path()), QStringList());
        try {
            Engine engine;
            QFAIL("the engine opened a folder whose super-journal is lost");
        } catch (const DataFolderRefusal& refusal) {
            QCOMPARE(refusal.reason(), DataFolderRefusal::Reason::LostJournal);
        }

        const CommandResult check = runSetup({QStringLiteral("check"), QStringLiteral("podaci")});
        QCOMPARE(check.code, SetupCommand::kRefused);
        QVERIFY2(check.out.contains("Problem: magacin.db-journal: an unfinished write; it names "
                                    "the super-journal"),
                 qPrintable(check.out));
        QVERIFY(check.out.contains("which no longer exists, so whether the write finished cannot "
                                   "be told; the program refuses to open the tables"));
        QVERIFY(!check.out.contains("rolls back"));
        QCOMPARE(dataFiles(program.path()), before);
    }

    // A program folder in which no file may be made: the engine's scratch folder cannot lie
    // beside the data folder, and nowhere else would a crash be recoverable. The program says
    // so and ends, with nothing written.
    void programFolderWithoutRoomForTheScratchFolderRefusesToStart()
    {
        ProgramFolder program;
        const QMap<QString, QByteArray> before = dataFiles(program.path());
        const QByteArray path = QFile::encodeName(program.path());
        const bool privileged = ::geteuid() == 0;
        // An ordinary user meets a folder of the system's; root acts as one to meet it too.
        QVERIFY(::chmod(path.constData(), privileged ? 0755 : 0555) == 0);
        QVERIFY(::chmod(QFile::encodeName(program.path() + "/podaci").constData(), 0777) == 0);
        {
            const Unprivileged user(privileged);
            ScriptedMessages messages;
            QVERIFY(!Assembly::create(messages));
            QCOMPARE(messages.errors().size(), 1);
            const QString text = messages.errors().first();
            QVERIFY2(text.startsWith("PROGRAM NE MOZE DA ZASTITI PODATKE!!!"), qPrintable(text));
            QVERIFY(text.contains(QStringLiteral("U folderu programa %1 ").arg(program.path())));
            QVERIFY(text.contains(QString::fromLocal8Bit(std::strerror(EACCES))));
        }
        ::chmod(path.constData(), 0755);
        QCOMPARE(scratchFolders(program.path()), QStringList());
        QCOMPARE(dataFiles(program.path()), before);
    }
};

int main(int argc, char* argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--crash-commit") == 0)
        return crashingCommit(argv[2]);
    QApplication app(argc, argv);
    JournalsTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_journals.moc"
