#include "ReliabilityProgram.h"
#include "backup/BackupPage.h"
#include "masterdata/CompanyPage.h"
#include "masterdata/GroupsPage.h"
#include "tests/support/Unprivileged.h"

#include "platform/Regional.h"

#include <QDir>
#include <QRadioButton>
#include <functional>
#include <memory>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace kestar;
using namespace kestar::test;

namespace {

enum class FaultKind
{
    SizeLimit, // the process may not make a file longer than a few bytes: "File too large"
    FullDisk,  // the data folder is a small file system of its own, filled to the last byte
};

// A write that fails for real, in the running program, at the moment the test chooses. The file
// size limit (RLIMIT_FSIZE, with SIGXFSZ ignored, as a shell's "ulimit -f" sets it) binds an
// ordinary user and root alike; a full disk needs a file system of its own on the data folder
// (tmpfs), which only root may mount.
class Fault
{
public:
    Fault(FaultKind kind, qint64 limit) : m_kind(kind), m_limit(limit) {}
    ~Fault() { release(); }
    Fault(const Fault&) = delete;
    Fault& operator=(const Fault&) = delete;

    // Where the machine allows it: a privileged process on a system that lets it mount.
    static bool canMount()
    {
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.path());
        if (::mount("tmpfs", path.constData(), "tmpfs", 0, "size=64k") != 0)
            return false;
        ::umount2(path.constData(), MNT_DETACH);
        return true;
    }

    // Before anything is written into the folder: a full disk gets its file system there.
    void prepare(const TestFolder& folder)
    {
        m_folder = folder.dataPath({});
        if (m_kind != FaultKind::FullDisk)
            return;
        const QByteArray path = QFile::encodeName(m_folder);
        // Root mounts, whoever the test acts as; the folder stays the acting user's.
        const uid_t user = ::geteuid();
        const gid_t group = ::getegid();
        if (user != 0 && (::seteuid(0) != 0 || ::setegid(0) != 0))
            qFatal("cannot mount without privileges");
        const QByteArray options =
            QStringLiteral("size=2m,mode=0755,uid=%1,gid=%2").arg(user).arg(group).toLatin1();
        m_mounted = ::mount("tmpfs", path.constData(), "tmpfs", 0, options.constData()) == 0;
        if (user != 0 && (::setegid(group) != 0 || ::seteuid(user) != 0))
            qFatal("cannot act as the user again");
        if (!m_mounted)
            qFatal("cannot mount a file system on the data folder: %s", std::strerror(errno));
    }

    // How often the fault struck: a test that never reached it proves nothing.
    int armedCount() const { return m_armedCount; }

    void arm()
    {
        if (m_armed)
            return;
        m_armed = true;
        ++m_armedCount;
        if (m_kind == FaultKind::SizeLimit) {
            ::getrlimit(RLIMIT_FSIZE, &m_formerLimit);
            rlimit limit = m_formerLimit;
            limit.rlim_cur = rlim_t(m_limit);
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                qFatal("cannot lower the file size limit");
            return;
        }
        // Fills the file system: large writes first, then single bytes into the last block.
        const QByteArray filler = QFile::encodeName(m_folder + QStringLiteral("/filler.bin"));
        const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        QVERIFY(fd >= 0);
        const QByteArray block(64 * 1024, 'x');
        for (qint64 size = block.size(); size > 0; size /= 2) {
            while (::write(fd, block.constData(), size_t(size)) == ssize_t(size)) {
            }
        }
        ::close(fd);
    }

    void disarm()
    {
        if (!m_armed)
            return;
        m_armed = false;
        if (m_kind == FaultKind::SizeLimit)
            ::setrlimit(RLIMIT_FSIZE, &m_formerLimit);
        else
            QFile::remove(m_folder + QStringLiteral("/filler.bin"));
    }

    // The system's own words for the fault, as the program must show them.
    QString systemText() const
    {
        return QString::fromLocal8Bit(
            std::strerror(m_kind == FaultKind::SizeLimit ? EFBIG : ENOSPC));
    }

    // Ends the fault and takes the file system away (the program may still hold its files open;
    // they go with the last of them).
    void release()
    {
        disarm();
        if (!m_mounted)
            return;
        m_mounted = false;
        const uid_t user = ::geteuid();
        if (user != 0 && ::seteuid(0) != 0)
            qFatal("cannot unmount without privileges");
        ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
        if (user != 0 && ::seteuid(user) != 0)
            qFatal("cannot act as the user again");
    }

    // Declared after the program, so that the file system goes before the program's folder.
    class Release
    {
    public:
        explicit Release(Fault& fault) : m_fault(fault) {}
        ~Release() { m_fault.release(); }
        Release(const Release&) = delete;
        Release& operator=(const Release&) = delete;

    private:
        Fault& m_fault;
    };

private:
    FaultKind m_kind;
    qint64 m_limit;
    QString m_folder;
    bool m_mounted = false;
    bool m_armed = false;
    int m_armedCount = 0;
    rlimit m_formerLimit = {};
};

// Skips a row the machine cannot run, with the reason.
bool runnable(FaultKind kind, bool asNobody)
{
    if (asNobody && ::geteuid() != 0) {
        qInfo("the test runs as an ordinary user already; the row without privileges is the other");
        return false;
    }
    if (kind == FaultKind::FullDisk && !Fault::canMount()) {
        qInfo("this machine does not let the test mount a file system of its own (tmpfs): it "
              "runs without privileges or in a container that forbids mounting");
        return false;
    }
    return true;
}

// Rows for every way to make a write fail; extra names the case.
void addFaultRows(const char* extra, qint64 limit, bool fullDiskToo)
{
    QTest::newRow(qPrintable(QStringLiteral("size limit, %1").arg(QLatin1String(extra))))
        << int(FaultKind::SizeLimit) << false << limit;
    QTest::newRow(qPrintable(QStringLiteral("size limit as nobody, %1").arg(QLatin1String(extra))))
        << int(FaultKind::SizeLimit) << true << limit;
    if (fullDiskToo)
        QTest::newRow(qPrintable(QStringLiteral("full disk, %1").arg(QLatin1String(extra))))
            << int(FaultKind::FullDisk) << false << qint64(0);
}

// Temporary files of a replace that failed must not stay behind.
QStringList hiddenFiles(const TestFolder& folder)
{
    return QDir(folder.dataPath({})).entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden);
}

// The program of a data row: the row's fault, the user the test acts as, and the program on a
// data folder where the fault can strike.
struct FaultyProgram
{
    FaultyProgram(FaultKind kind, bool asNobody, qint64 limit,
                  const std::function<void(TestFolder&)>& prepare)
        : fault(kind, limit), user(asNobody),
          program(prepare, [this](TestFolder& folder) { fault.prepare(folder); }), release(fault)
    {
    }

    Fault fault;
    Unprivileged user;
    ReliabilityProgram program;
    Fault::Release release; // the file system goes before the program's folder
};

// The program for the current data row (columns kind, asNobody, limit); none when the machine
// cannot make the row's fault strike.
std::unique_ptr<FaultyProgram> programForRow(const std::function<void(TestFolder&)>& prepare = {})
{
    QFETCH(int, kind);
    QFETCH(bool, asNobody);
    QFETCH(qint64, limit);
    if (!runnable(FaultKind(kind), asNobody))
        return nullptr;
    return std::make_unique<FaultyProgram>(FaultKind(kind), asNobody, limit, prepare);
}

// Strikes the fault while the save button is clicked (after a Yes to "Da li ste sigurni?").
void clickWhileFaulty(const ReliabilityProgram& p, Fault& fault, const QString& button)
{
    fault.arm();
    p.messages.answer(true);
    p.click(button);
    fault.disarm();
}

// The save was refused in the system's words for the fault, claimed no success and left no
// temporary file behind.
void checkRefused(const ReliabilityProgram& p, const Fault& fault, const QString& success)
{
    QCOMPARE(fault.armedCount(), 1);
    QCOMPARE(p.messages.errors().size(), 1);
    QVERIFY2(p.messages.errors().first().contains(fault.systemText()),
             qPrintable(p.messages.errors().first()));
    QVERIFY(!p.messages.texts().contains(success));
    QCOMPARE(hiddenFiles(p.folder), QStringList());
    qInfo() << "refused with:" << p.messages.errors();
}

// Strikes the fault once, when the posting has written the rows and the stock of the example
// issue (the stock of all its lines in one write, after the rows) and the counters come next.
QMetaObject::Connection strikeBeforeTheCounters(const ReliabilityProgram& p, Fault& fault)
{
    auto struck = std::make_shared<bool>(false);
    return QObject::connect(&p.engine(), &Engine::tableWritten, &p.window(),
                            [struck, &fault](const QString& path, const QObject*) {
                                if (path.endsWith(QLatin1String("/magacin.db")) && !*struck) {
                                    *struck = true;
                                    fault.arm();
                                }
                            });
}

} // namespace

class WriteFaultsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        Regional::setCurrent(Regional::standard());
        // A write past the size limit then fails with EFBIG instead of ending the process.
        std::signal(SIGXFSZ, SIG_IGN);
    }

    void postingWhoseCounterCannotBeWrittenLeavesNoTrace_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("asNobody");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<QString>("number");
        // "42\r\n" is refused by a limit of 2 bytes; with 5 it goes in, and the issue number's
        // 9 bytes do not, so the document counter has to be put back.
        const auto add = [](const char* name, FaultKind kind, bool asNobody, qint64 limit,
                            const char* number) {
            QTest::newRow(name) << int(kind) << asNobody << limit << QString::fromLatin1(number);
        };
        add("size limit, document counter", FaultKind::SizeLimit, false, 2, "17");
        add("size limit as nobody, document counter", FaultKind::SizeLimit, true, 2, "17");
        add("full disk, document counter", FaultKind::FullDisk, false, 0, "17");
        add("size limit, issue counter", FaultKind::SizeLimit, false, 5, "1700000");
        add("size limit as nobody, issue counter", FaultKind::SizeLimit, true, 5, "1700000");
    }

    void postingWhoseCounterCannotBeWrittenLeavesNoTrace()
    {
        QFETCH(QString, number);
        const auto faulty = programForRow();
        if (!faulty)
            QSKIP("not possible on this machine");
        ReliabilityProgram& p = faulty->program;
        Fault& fault = faulty->fault;
        p.openExampleIssue();
        p.number()->setText(number);
        const StoredState before = p.stored();

        const QMetaObject::Connection hook = strikeBeforeTheCounters(p, fault);
        p.post();
        fault.disarm();
        QObject::disconnect(hook);
        p.checkPostingLeftNoTrace(before, number);
        checkRefused(p, fault, Posting::kPosted);

        p.messages.clear();
        p.post();
        p.checkExamplePosted(number);
    }

    // When a counter cannot be put back either, the user is told so; the counter is then ahead
    // of the ledger, which costs a number but never repeats one.
    void postingThatCannotPutTheDocumentCounterBackSaysSo()
    {
        Fault fault(FaultKind::SizeLimit, 5);
        ReliabilityProgram p(
            [](TestFolder& folder) { folder.write("dokument.txt", "41\r\n\r\n"); });
        p.openExampleIssue();
        p.number()->setText(QStringLiteral("1700000"));
        const StoredState before = p.stored();
        strikeBeforeTheCounters(p, fault);
        p.post();
        fault.disarm();
        checkRefused(p, fault, Posting::kPosted);
        const QStringList lines = p.messages.errors().first().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].startsWith("Cannot write file \"podaci/otpremnica.txt\""));
        QVERIFY(lines[1].startsWith("Cannot write file \"podaci/dokument.txt\""));
        QCOMPARE(p.stored().tables, before.tables);
        QCOMPARE(p.folder.read("dokument.txt"), QByteArray("42\r\n"));
        QCOMPARE(p.folder.read("otpremnica.txt"), QByteArray("16\r\n"));

        p.messages.clear();
        p.post();
        QCOMPARE(p.messages.texts(), QStringList({Posting::kConfirm, Posting::kPosted}));
        QCOMPARE(p.rows("podaci/prometx.db").first().value("BROJDOKUMENTA"), QStringLiteral("42"));
    }

    void companySaveThatCannotBeWrittenKeepsTheFile_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("asNobody");
        QTest::addColumn<qint64>("limit");
        addFaultRows("company file", 20, true);
    }

    void companySaveThatCannotBeWrittenKeepsTheFile()
    {
        const auto faulty =
            programForRow([](TestFolder& folder) { folder.write("firma.txt", "Stara firma\r\n"); });
        if (!faulty)
            QSKIP("not possible on this machine");
        ReliabilityProgram& p = faulty->program;
        p.window().trigger(PageKey::Company);
        QLineEdit* name = p.find<QLineEdit>("companyField1");
        name->clear();
        QTest::keyClicks(name, "Nova firma");

        clickWhileFaulty(p, faulty->fault, "btnUpamtiPodatke");
        checkRefused(p, faulty->fault, "Podaci o vasoj firmi su snimljeni...");
        QCOMPARE(p.folder.read("firma.txt"), QByteArray("Stara firma\r\n"));

        p.messages.clear();
        p.messages.answer(true);
        p.click("btnUpamtiPodatke");
        QCOMPARE(p.messages.texts(),
                 QStringList({"Da li ste sigurni?", "Podaci o vasoj firmi su snimljeni..."}));
        QVERIFY(p.folder.read("firma.txt").startsWith("Nova firma\r\n"));
    }

    void groupSaveThatCannotBeWrittenKeepsBothFiles_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("asNobody");
        QTest::addColumn<qint64>("limit");
        // The new name file takes 6 bytes, the new code file 17: a limit of 3 refuses the names,
        // one of 10 the codes after the names went in, which then go back.
        addFaultRows("name file", 3, true);
        addFaultRows("code file", 10, false);
    }

    void groupSaveThatCannotBeWrittenKeepsBothFiles()
    {
        // Lines ended by LF alone: putting the names back must give these very bytes.
        const auto faulty = programForRow([](TestFolder& folder) {
            folder.write("grupe.txt", "A\n");
            folder.write("sgrupe.txt", "0123456789\r\n");
        });
        if (!faulty)
            QSKIP("not possible on this machine");
        ReliabilityProgram& p = faulty->program;
        p.window().trigger(PageKey::Groups);
        QTest::keyClicks(p.find<QLineEdit>("newGroupCode"), "012");
        QTest::keyClicks(p.find<QLineEdit>("newGroupName"), "B");
        p.click("btnUbaciGrupuUSpisak");

        clickWhileFaulty(p, faulty->fault, "btnSnimiGrupe");
        checkRefused(p, faulty->fault, "Podaci o grupama robe su uspesno snimljeni!");
        QCOMPARE(p.folder.read("grupe.txt"), QByteArray("A\n"));
        QCOMPARE(p.folder.read("sgrupe.txt"), QByteArray("0123456789\r\n"));

        p.messages.clear();
        p.messages.answer(true);
        p.click("btnSnimiGrupe");
        QCOMPARE(p.messages.errors(), QStringList());
        QCOMPARE(p.folder.read("grupe.txt"), QByteArray("A\r\nB\r\n"));
        QCOMPARE(p.folder.read("sgrupe.txt"), QByteArray("0123456789\r\n012\r\n"));
    }

    void equipmentSwitchSaveThatCannotBeWrittenKeepsTheFile_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("asNobody");
        QTest::addColumn<qint64>("limit");
        addFaultRows("equipment file", 2, true);
    }

    void equipmentSwitchSaveThatCannotBeWrittenKeepsTheFile()
    {
        const auto faulty = programForRow();
        if (!faulty)
            QSKIP("not possible on this machine");
        ReliabilityProgram& p = faulty->program;
        p.window().trigger(PageKey::Backup);
        p.find<QRadioButton>("equipmentNo")->setChecked(true);

        clickWhileFaulty(p, faulty->fault, "btnSnimiOvuPromenu");
        checkRefused(p, faulty->fault, "IZMENA JE SNIMLJENA!!!");
        QCOMPARE(p.folder.read("oprema.txt"), QByteArray("1\r\n"));

        p.messages.clear();
        p.click("btnSnimiOvuPromenu");
        QCOMPARE(p.messages.texts(), QStringList({"IZMENA JE SNIMLJENA!!!"}));
        QCOMPARE(p.folder.read("oprema.txt"), QByteArray("0\r\n"));
    }
};

QTEST_MAIN(WriteFaultsTest)
#include "tst_writefaults.moc"
