#include "launcher/InstallationFolder.h"
#include "launcher/Launcher.h"
#include "launcher/ProgramEnvironment.h"
#include "launcher/ProgramStart.h"
#include "platform/Regional.h"
#include "shell/Pictures.h"
#include "tests/support/ScriptedMessages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace kestar;
using namespace kestar::test;

namespace {

// A folder that looks like an installation with data.
void makeInstallation(const QString& folder)
{
    QDir().mkpath(folder + "/podaci");
    QFile(folder + "/podaci/magacin.db").open(QIODevice::WriteOnly);
}

// What the stand-in program printed, as name -> value.
QMap<QString, QString> probeLines(const QByteArray& output)
{
    QMap<QString, QString> values;
    for (const QString& line : QString::fromUtf8(output).split('\n', Qt::SkipEmptyParts)) {
        const qsizetype equals = line.indexOf('=');
        values.insert(line.left(equals), line.mid(equals + 1));
    }
    return values;
}

QProcessEnvironment serbianDesktop(const QString& home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home);
    environment.insert("XDG_CONFIG_HOME", home + "/.config");
    environment.insert("LANG", "sr_RS.UTF-8@latin");
    environment.insert("LC_ALL", "sr_RS.UTF-8@latin");
    environment.insert("LC_TIME", "sr_RS.UTF-8@latin");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    return environment;
}

} // namespace

class TestLauncher : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_settings =
            std::make_unique<QSettings>(m_dir->filePath("kestar.ini"), QSettings::IniFormat);
    }
    void cleanup()
    {
        m_settings.reset();
        m_dir.reset();
    }

    void programGetsDatesAndNumbersItsCheckNeedsWhateverTheDesktopSays()
    {
        QProcessEnvironment desktop;
        desktop.insert("LANG", "sr_RS.UTF-8@latin");
        desktop.insert("LC_TIME", "sr_RS.UTF-8@latin");
        desktop.insert("LC_MESSAGES", "de_DE.UTF-8");
        desktop.insert("LANGUAGE", "sr@latin");
        desktop.insert("PATH", "/usr/bin");
        QProcessEnvironment program = ProgramEnvironment::forProgram(desktop);
        QCOMPARE(program.value("LC_TIME"), QStringLiteral("en_GB.UTF-8"));
        QCOMPARE(program.value("LC_NUMERIC"), QStringLiteral("en_GB.UTF-8"));
        QCOMPARE(program.value("LANG"), QStringLiteral("sr_RS.UTF-8@latin"));
        QCOMPARE(program.value("LC_MESSAGES"), QStringLiteral("de_DE.UTF-8"));
        QCOMPARE(program.value("LANGUAGE"), QStringLiteral("sr@latin"));
        QCOMPARE(program.value("PATH"), QStringLiteral("/usr/bin"));
        QVERIFY(!program.contains("LC_ALL"));

        // LC_ALL overrides every category: it goes, its language stays as LANG.
        desktop.insert("LC_ALL", "C.UTF-8");
        program = ProgramEnvironment::forProgram(desktop);
        QVERIFY(!program.contains("LC_ALL"));
        QVERIFY(!program.contains("LC_MESSAGES"));
        QCOMPARE(program.value("LANG"), QStringLiteral("C.UTF-8"));
        QCOMPARE(program.value("LC_TIME"), QStringLiteral("en_GB.UTF-8"));
        QCOMPARE(program.value("LC_NUMERIC"), QStringLiteral("en_GB.UTF-8"));
    }

    void launcherHandsItsProcessToTheProgramInTheInstallationFolder()
    {
        // A package layout in a temporary folder: the launcher in bin, a stand-in program where
        // the package puts the program.
        const QString bin = m_dir->filePath("usr/bin");
        const QString program = QDir(bin).filePath(KESTAR_PROGRAM_FROM_LAUNCHER);
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(QDir().mkpath(QFileInfo(program).path()));
        QVERIFY(QFile::copy(KESTAR_LAUNCHER_BINARY, bin + "/kestar"));
        QVERIFY(QFile::copy(KESTAR_REGIONAL_PROBE, program));
        QCOMPARE(ProgramStart::programPath(bin), QFileInfo(program).absoluteFilePath());

        const QString home = m_dir->filePath("home");
        makeInstallation(home + "/KESTAR");
        const QProcessEnvironment desktop = serbianDesktop(home);

        // The stand-in started straight from a Serbian desktop gets the desktop's date form ...
        QProcess direct;
        direct.setProcessEnvironment(desktop);
        direct.start(program, {});
        QVERIFY(direct.waitForFinished(30000));
        const QMap<QString, QString> bare = probeLines(direct.readAllStandardOutput());
        QVERIFY2(bare.value("shortDate") != "dd/MM/yyyy", qPrintable(bare.value("shortDate")));

        // ... and started through the launcher the one its check needs, in the installation folder.
        QProcess launcher;
        launcher.setProcessEnvironment(desktop);
        launcher.setWorkingDirectory(m_dir->path());
        launcher.start(bin + "/kestar", {});
        QVERIFY(launcher.waitForFinished(30000));
        QCOMPARE(launcher.exitCode(), 0);
        const QMap<QString, QString> started = probeLines(launcher.readAllStandardOutput());
        QCOMPARE(started.value("folder"), QDir(home + "/KESTAR").canonicalPath());
        QCOMPARE(started.value("arguments"), QStringLiteral("0"));
        QCOMPARE(started.value("shortDate"), QStringLiteral("dd/MM/yyyy"));
        QCOMPARE(started.value("decimal"), QStringLiteral("."));
        QCOMPARE(started.value("checkPasses"), QStringLiteral("yes"));
        QCOMPARE(started.value("LANG"), QStringLiteral("sr_RS.UTF-8@latin"));
        QCOMPARE(started.value("LC_ALL"), QString());
        QVERIFY(QDir(home + "/KESTAR/back-up").exists());
        QSettings remembered(home + "/.config/KESTAR/kestar.ini", QSettings::IniFormat);
        QCOMPARE(remembered.value("installationFolder").toString(), home + "/KESTAR");

        // Without the program beside it the launcher says so instead of starting anything.
        QVERIFY(QFile::remove(program));
        QCOMPARE(ProgramStart::programPath(bin), QString());
    }

    void rememberedFolderWithDataStartsWithoutAWindow()
    {
        const QString folder = m_dir->filePath("Magacin");
        makeInstallation(folder);
        InstallationFolder installation(*m_settings);
        QCOMPARE(installation.current(), InstallationFolder::defaultPath());
        QCOMPARE(InstallationFolder::defaultPath(), QDir::homePath() + "/KESTAR");
        installation.remember(folder);

        ScriptedMessages messages;
        QStringList asked;
        Launcher launcher(installation, messages, [&asked](const QString& caption, const QString&) {
            asked << caption;
            return QString();
        });
        QCOMPARE(launcher.prepare(false), folder);
        QVERIFY(asked.isEmpty());
        QVERIFY(messages.texts().isEmpty());
        QVERIFY(QDir(folder + "/back-up").exists());
        QVERIFY(!InstallationFolder::hasData(m_dir->filePath("nowhere")));
        QDir().mkpath(m_dir->filePath("bare/podaci"));
        QVERIFY(!InstallationFolder::hasData(m_dir->filePath("bare")));
        // A copy that crashed on an empty folder leaves only its lock behind.
        QFile lock(m_dir->filePath("bare/podaci/.kestar.lock"));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write("12345\nKESTAR\nhost\n");
        lock.close();
        QVERIFY(!InstallationFolder::hasData(m_dir->filePath("bare")));
    }

    void chosenFolderIsRememberedOnlyWhenTheProgramStartsThere()
    {
        const QString first = m_dir->filePath("prvi");
        const QString second = m_dir->filePath("drugi/../drugi");
        makeInstallation(first);
        makeInstallation(m_dir->filePath("drugi"));
        InstallationFolder installation(*m_settings);
        installation.remember(first);
        ScriptedMessages messages;
        QStringList answers{QString(), second};
        Launcher launcher(installation, messages, [&answers](const QString&, const QString&) {
            return answers.takeFirst();
        });

        QCOMPARE(launcher.prepare(true), QString()); // the user gave up
        QCOMPARE(InstallationFolder(*m_settings).current(), first);
        QCOMPARE(launcher.prepare(true), m_dir->filePath("drugi"));
        QCOMPARE(InstallationFolder(*m_settings).current(), m_dir->filePath("drugi"));
    }

    void folderWithoutDataOpensTheFirstStartWindowAndStartsWhereItMadeData()
    {
        const QString folder = m_dir->filePath("novi");
        InstallationFolder installation(*m_settings);
        installation.remember(folder);
        ScriptedMessages messages;
        Launcher launcher(installation, messages,
                          [](const QString&, const QString&) { return QString(); });

        // Given up in the window: nothing made, nothing started.
        QTimer::singleShot(0, this, [] { clickInWindow("btnOdustani"); });
        QCOMPARE(launcher.prepare(false), QString());
        QVERIFY(!QDir(folder).exists());

        QTimer::singleShot(0, this, [] {
            clickInWindow("choiceDemo");
            clickInWindow("btnPokreniProgram");
        });
        {
            const ScopedRegional regional(Regional::standard());
            QCOMPARE(launcher.prepare(false), folder);
        }
        QVERIFY(InstallationFolder::hasData(folder));
        QVERIFY(QDir(folder + "/back-up").exists());
        QCOMPARE(InstallationFolder(*m_settings).current(), folder);
    }

    void programIconComesInEverySizeTheDesktopAsksFor()
    {
        const QIcon icon = Pictures::programIcon();
        QCOMPARE(icon.availableSizes().size(), 8);
        QCOMPARE(icon.availableSizes().first(), QSize(16, 16));
        QCOMPARE(icon.availableSizes().last(), QSize(256, 256));
        QVERIFY(!icon.pixmap(48).isNull());
    }

private:
    static void clickInWindow(const char* name)
    {
        QWidget* window = QApplication::activeModalWidget();
        QVERIFY(window);
        QCOMPARE(window->objectName(), QStringLiteral("firstStartWindow"));
        auto* button = window->findChild<QAbstractButton*>(QString::fromLatin1(name));
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QSettings> m_settings;
};

QTEST_MAIN(TestLauncher)
#include "tst_launcher.moc"
