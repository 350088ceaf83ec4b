#include "ReliabilityProgram.h"
#include "backup/BackupPage.h"
#include "masterdata/CompanyPage.h"
#include "masterdata/GroupsPage.h"
#include "masterdata/ItemsPage.h"
#include "masterdata/MachinesPage.h"
#include "tests/support/Unprivileged.h"

#include "data/controls/ActionGuard.h"
#include "data/controls/DataGrid.h"
#include "goods/Posting.h"
#include "platform/Regional.h"

#include <QDir>
#include <QTemporaryDir>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kestar;
using namespace kestar::test;

namespace {

// How this machine lets a test take write access away from a file or folder.
enum class Protection
{
    Permissions, // permission bits, for a process that is not privileged
    Immutable,   // the file system's immutable flag, for a privileged one
    None
};

Protection g_protection = Protection::None;
bool g_dropPrivileges = false;

bool setImmutable(const QString& path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

// Takes write access away from one file or folder for the lifetime of the object and gives it
// back afterwards, also when the test fails on the way.
class WriteProtection
{
public:
    explicit WriteProtection(const QString& path) : m_path(QFile::encodeName(path))
    {
        if (g_protection == Protection::Immutable) {
            m_done = setImmutable(path, true);
        } else {
            struct stat status = {};
            if (::stat(m_path.constData(), &status) == 0) {
                m_mode = status.st_mode & 07777;
                m_done = ::chmod(m_path.constData(), m_mode & ~mode_t(0222)) == 0;
            }
        }
        if (!m_done)
            qWarning("cannot write-protect %s", m_path.constData());
    }
    ~WriteProtection()
    {
        if (!m_done)
            return;
        if (g_protection == Protection::Immutable)
            setImmutable(QFile::decodeName(m_path), false);
        else
            ::chmod(m_path.constData(), m_mode);
    }
    WriteProtection(const WriteProtection&) = delete;
    WriteProtection& operator=(const WriteProtection&) = delete;

    bool isActive() const { return m_done; }

private:
    QByteArray m_path;
    mode_t m_mode = 0;
    bool m_done = false;
};

// Whether a write-protected folder really refuses a new file here.
bool protectionHolds()
{
    const Unprivileged user(g_dropPrivileges);
    QTemporaryDir dir;
    if (!dir.isValid())
        return false;
    const QString folder = dir.filePath("podaci");
    QDir().mkpath(folder);
    const WriteProtection guard(folder);
    QFile probe(folder + "/probe.txt");
    const bool refused = guard.isActive() && !probe.open(QIODevice::WriteOnly);
    return refused;
}

void chooseProtection()
{
    if (::geteuid() != 0) {
        g_protection = Protection::Permissions;
        if (protectionHolds())
            return;
    } else {
        // Acting as an ordinary user meets the fault as a user meets it: "Permission denied".
        g_dropPrivileges = Unprivileged::canDrop();
        g_protection = Protection::Permissions;
        if (g_dropPrivileges && protectionHolds())
            return;
        g_dropPrivileges = false;
        g_protection = Protection::Immutable;
        if (protectionHolds())
            return;
    }
    g_protection = Protection::None;
}

const QString kItems = QStringLiteral("podaci/magacin.db");
const QString kStaged = QStringLiteral("podaci/pmagacin.db");

} // namespace

class DiskFaultsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        Regional::setCurrent(Regional::standard());
        chooseProtection();
    }

    void init()
    {
        if (g_protection == Protection::None)
            QSKIP("This machine lets the test take write access away neither by permission "
                  "bits (as an unprivileged user) nor by the immutable flag");
    }

    void postingOnAProtectedDiskLeavesNoTraceAndSucceedsOnceWritable_data()
    {
        QTest::addColumn<QString>("protectedName");
        QTest::newRow("data folder") << QString();
        QTest::newRow("document counter") << "dokument.txt";
        QTest::newRow("issue counter") << "otpremnica.txt";
    }

    void postingOnAProtectedDiskLeavesNoTraceAndSucceedsOnceWritable()
    {
        QFETCH(QString, protectedName);
        const Unprivileged user(g_dropPrivileges);
        ReliabilityProgram p;
        p.openExampleIssue();
        const StoredState before = p.stored();
        {
            const WriteProtection guard(p.folder.dataPath(protectedName));
            QVERIFY(guard.isActive());
            p.post();
            p.checkPostingLeftNoTrace(before);
            qInfo() << "refused with:" << p.messages.errors();
        }
        p.messages.clear();
        p.post();
        p.checkExamplePosted();
    }

    void postingIntoALedgerFileThatWasReadOnlyAtStartIsRefused()
    {
        const Unprivileged user(g_dropPrivileges);
        std::unique_ptr<WriteProtection> guard;
        ReliabilityProgram p([&guard](TestFolder& folder) {
            guard = std::make_unique<WriteProtection>(folder.dataPath("prometx.db"));
        });
        QVERIFY(guard->isActive());
        p.openExampleIssue();
        const StoredState before = p.stored();
        p.post();
        p.checkPostingLeftNoTrace(before);
        qInfo() << "refused with:" << p.messages.errors();

        guard.reset();
        p.messages.clear();
        p.post();
        p.checkExamplePosted();
    }

    void savingNewArticlesOnAProtectedDiskKeepsEveryStagedRow_data()
    {
        QTest::addColumn<QString>("protectedName");
        QTest::newRow("data folder") << QString();
        QTest::newRow("article table") << "magacin.db";
    }

    void savingNewArticlesOnAProtectedDiskKeepsEveryStagedRow()
    {
        QFETCH(QString, protectedName);
        const Unprivileged user(g_dropPrivileges);
        // The article table is protected before the program first opens it.
        std::unique_ptr<WriteProtection> guard;
        ReliabilityProgram p([&](TestFolder& folder) {
            Engine setup;
            addRows(setup, kStaged,
                    {{{"SIFRA", "C1"}, {"NAZIV", "Novi"}, {"KOLICINA", "5"}},
                     {{"SIFRA", "C2"}, {"NAZIV", "Drugi"}, {"KOLICINA", "2"}}});
            if (!protectedName.isEmpty())
                guard = std::make_unique<WriteProtection>(folder.dataPath(protectedName));
        });
        if (protectedName.isEmpty())
            guard = std::make_unique<WriteProtection>(p.folder.dataPath({}));
        QVERIFY(guard->isActive());
        p.window().trigger(PageKey::Items);
        const StoredState before = p.stored();
        p.messages.answer(true);
        p.click("btnUpamtiNoviArikal");
        QCOMPARE(p.messages.errors().size(), 1);
        QVERIFY(!p.messages.texts().contains("Artikli su uspesno upamceni"));
        QCOMPARE(p.stored(), before);
        QCOMPARE(p.rows(kStaged).size(), 2);
        qInfo() << "refused with:" << p.messages.errors();

        guard.reset();
        p.messages.clear();
        p.messages.answer(true);
        p.click("btnUpamtiNoviArikal");
        QCOMPARE(p.messages.texts(),
                 QStringList({"Da li ste sigurni?", "Artikli su uspesno upamceni"}));
        QCOMPARE(p.rows(kItems).size(), 4);
        QVERIFY(p.rows(kStaged).isEmpty());
    }

    void companySaveIntoAProtectedFileIsRefusedAndKeepsTheFile()
    {
        const Unprivileged user(g_dropPrivileges);
        ReliabilityProgram p;
        p.folder.write("firma.txt", "Stara firma\r\n");
        p.window().trigger(PageKey::Company);
        QLineEdit* name = p.find<QLineEdit>("companyField1");
        name->clear();
        QTest::keyClicks(name, "Nova firma");
        {
            const WriteProtection guard(p.folder.dataPath("firma.txt"));
            p.messages.answer(true);
            p.click("btnUpamtiPodatke");
            QCOMPARE(p.messages.errors().size(), 1);
            QVERIFY(!p.messages.texts().contains("Podaci o vasoj firmi su snimljeni..."));
            QCOMPARE(p.folder.read("firma.txt"), QByteArray("Stara firma\r\n"));
            qInfo() << "refused with:" << p.messages.errors();
        }
        // A read-only folder does not stop a writable file from being rewritten.
        {
            const WriteProtection guard(p.folder.dataPath({}));
            p.messages.clear();
            p.messages.answer(true);
            p.click("btnUpamtiPodatke");
            QCOMPARE(p.messages.texts(),
                     QStringList({"Da li ste sigurni?", "Podaci o vasoj firmi su snimljeni..."}));
        }
        QVERIFY(p.folder.read("firma.txt").startsWith("Nova firma\r\n"));
        QCOMPARE(p.folder.read("firma.txt").count("\r\n"), 13);
        QCOMPARE(QDir(p.folder.dataPath({})).entryList(QDir::Files | QDir::Hidden).size(),
                 QDir(p.folder.dataPath({})).entryList(QDir::Files).size());
    }

    void groupSaveWithOneProtectedFileKeepsBothFiles()
    {
        const Unprivileged user(g_dropPrivileges);
        ReliabilityProgram p;
        p.window().trigger(PageKey::Groups);
        QTest::keyClicks(p.find<QLineEdit>("newGroupCode"), "02");
        QTest::keyClicks(p.find<QLineEdit>("newGroupName"), "Ventili");
        p.click("btnUbaciGrupuUSpisak");
        {
            const WriteProtection guard(p.folder.dataPath("sgrupe.txt"));
            p.messages.answer(true);
            p.click("btnSnimiGrupe");
            QCOMPARE(p.messages.errors().size(), 1);
            QVERIFY(!p.messages.texts().contains("Podaci o grupama robe su uspesno snimljeni!"));
            QCOMPARE(p.folder.read("grupe.txt"), QByteArray("Alati\r\n"));
            QCOMPARE(p.folder.read("sgrupe.txt"), QByteArray("01\r\n"));
            // The typed group stays in the fields for the next try.
            QCOMPARE(p.find<QLineEdit>("newGroupName")->text(), QStringLiteral("Ventili"));
            qInfo() << "refused with:" << p.messages.errors();
        }
        p.messages.clear();
        p.messages.answer(true);
        p.click("btnSnimiGrupe");
        QCOMPARE(p.messages.errors(), QStringList());
        QCOMPARE(p.folder.read("grupe.txt"), QByteArray("Alati\r\nVentili\r\n"));
        QCOMPARE(p.folder.read("sgrupe.txt"), QByteArray("01\r\n02\r\n"));
    }

    void machineEditOnAProtectedDiskIsRefusedAndKeepsTheTable()
    {
        const Unprivileged user(g_dropPrivileges);
        ReliabilityProgram p;
        p.window().trigger(PageKey::Machines);
        p.click("btnOtvoriTabeluSaOpremom");
        auto* grid = p.find<DataGrid>("machinesGrid");
        Table* machines = qobject_cast<Table*>(grid->dataset());
        QVERIFY(machines);
        const StoredState before = p.stored();
        {
            const WriteProtection guard(p.folder.dataPath({}));
            machines->edit();
            machines->setText("NAZIVMASINE", "Bager");
            QVERIFY(!guarded(p.messages, [machines] { machines->post(); }));
            QCOMPARE(p.messages.errors().size(), 1);
            qInfo() << "refused with:" << p.messages.errors();
            machines->cancel();
            QCOMPARE(p.stored(), before);
        }
        p.messages.clear();
        machines->edit();
        machines->setText("NAZIVMASINE", "Bager");
        machines->post();
        QCOMPARE(p.rows("podaci/masina.db").first().value("NAZIVMASINE"), QStringLiteral("Bager"));
    }

    void backupIntoAProtectedFolderSaysItFailed()
    {
        const Unprivileged user(g_dropPrivileges);
        ReliabilityProgram p;
        p.window().trigger(PageKey::Backup);
        const QString backupFolder = p.folder.path() + "/back-up";
        {
            const WriteProtection guard(backupFolder);
            p.click("btnSnimiPodatke");
            QCOMPARE(p.messages.errors().size(), 1);
            QVERIFY(p.messages.errors().first().startsWith("BACK UP NIJE USPEO!!!"));
            QVERIFY(!p.messages.texts().contains("SNIMLJENO"));
            QVERIFY(QDir(backupFolder).isEmpty());
            QCOMPARE(QDir::currentPath(), p.folder.path());
            qInfo() << "refused with:" << p.messages.errors();
        }
        p.messages.clear();
        p.click("btnSnimiPodatke");
        QCOMPARE(p.messages.texts(), QStringList({"SNIMLJENO"}));
    }
};

QTEST_MAIN(DiskFaultsTest)
#include "tst_diskfaults.moc"
