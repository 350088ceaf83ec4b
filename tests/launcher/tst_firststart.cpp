#include "data/Engine.h"
#include "launcher/FirstStartWindow.h"
#include "launcher/InstallationFolder.h"
#include "platform/Regional.h"
#include "tests/support/Fixture.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/tools/OldFolderFixture.h"
#include "tests/tools/ParadoxWriter.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace kestar;
using namespace kestar::test;
namespace Old = kestar::test::OldFolderFixture;

namespace {

// The first-start window on an installation folder, shown, with scripted boxes and a folder
// chooser that answers from a list.
struct Window
{
    explicit Window(const QString& folder)
    {
        window = std::make_unique<FirstStartWindow>(
            folder, messages, [this](const QString& caption, const QString&) {
                asked << caption;
                return answers.isEmpty() ? QString() : answers.takeFirst();
            });
        window->show();
    }
    template <typename T> T* find(const char* name) const
    {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no widget %s", name);
        return widget;
    }
    // Clicks a button; a choice on its round mark, as the caption ends short of its width.
    void click(const char* name) const
    {
        auto* button = find<QAbstractButton>(name);
        const QPoint at = qobject_cast<QRadioButton*>(button) ? QPoint(8, button->height() / 2)
                                                              : button->rect().center();
        QTest::mouseClick(button, Qt::LeftButton, {}, at);
    }
    void type(const char* field, const QString& text) const
    {
        find<QLineEdit>(field)->setFocus();
        QTest::keyClicks(find<QLineEdit>(field), text);
    }
    bool accepted() const { return window->result() == QDialog::Accepted; }
    int page() const { return find<QStackedWidget>("firstStartPages")->currentIndex(); }

    ScriptedMessages messages;
    QStringList answers;
    QStringList asked;
    std::unique_ptr<FirstStartWindow> window;
};

QList<Row> rowsOf(const QString& podaci, const QString& table)
{
    Engine engine;
    return readRows(engine, QDir(podaci).filePath(table));
}

} // namespace

class TestFirstStart : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_regional = std::make_unique<ScopedRegional>(Regional::standard());
        m_dir = std::make_unique<QTemporaryDir>();
        m_folder = m_dir->filePath("KESTAR");
    }
    void cleanup()
    {
        m_dir.reset();
        m_regional.reset();
    }

    void emptyFolderTakesTheAdministratorsPasswordTypedTwice()
    {
        Window w(m_folder);
        QVERIFY(w.find<QRadioButton>("choiceEmpty")->isChecked());
        QVERIFY(w.find<QLabel>("installationFolder")->toolTip().endsWith("KESTAR"));
        w.type("adminPassword", "7a9X");
        QCOMPARE(w.find<QLineEdit>("adminPassword")->text(), QStringLiteral("7a9"));
        w.type("adminPasswordAgain", "7a9");
        QTest::keyClick(w.find<QLineEdit>("adminPasswordAgain"), Qt::Key_Return);

        QVERIFY(w.accepted());
        QCOMPARE(w.window->folder(), m_folder);
        QVERIFY(w.messages.texts().isEmpty());
        const QString podaci = m_folder + "/podaci";
        const QList<Row> users = rowsOf(podaci, "korisnici.db");
        QCOMPARE(users.size(), 1);
        QCOMPARE(users.first().value("SIFRA"), QStringLiteral("7a9"));
        QCOMPARE(users.first().value("KORISNIK"), QStringLiteral("Administrator"));
        QVERIFY(rowsOf(podaci, "magacin.db").isEmpty());
        QVERIFY(QFile::exists(podaci + "/otpremnica.txt"));
        QVERIFY(QDir(m_folder + "/back-up").exists());
    }

    void aMissingOrMistypedPasswordMakesNothing()
    {
        Window w(m_folder);
        w.click("btnPokreniProgram");
        QCOMPARE(w.messages.texts(),
                 QStringList{"Upisite lozinku administratora (najvise 3 znaka)!!!"});

        w.type("adminPassword", "123");
        w.type("adminPasswordAgain", "124");
        w.click("btnPokreniProgram");
        QCOMPARE(w.messages.last(), QStringLiteral("Lozinke se razlikuju, upisite ih ponovo!!!"));
        QVERIFY(w.find<QLineEdit>("adminPassword")->text().isEmpty());
        QVERIFY(w.find<QLineEdit>("adminPasswordAgain")->text().isEmpty());

        QVERIFY(!w.accepted());
        QVERIFY(w.window->isVisible());
        QVERIFY(!QDir(m_folder).exists());
    }

    void fieldsFollowTheChoiceAndCarryTheirLabelsForScreenReaders()
    {
        Window w(m_folder);
        QCOMPARE(w.find<QLineEdit>("adminPassword")->accessibleName(),
                 QStringLiteral("Lozinka administratora:"));
        QCOMPARE(w.find<QLineEdit>("oldFolder")->accessibleName(),
                 QStringLiteral("Folder podaci stare instalacije:"));
        QVERIFY(!w.find<QLineEdit>("oldFolder")->isEnabled());
        w.click("choiceOldInstallation");
        QVERIFY(w.find<QLineEdit>("oldFolder")->isEnabled());
        QVERIFY(w.find<QPushButton>("btnIzaberi")->isEnabled());
        QVERIFY(!w.find<QLineEdit>("adminPassword")->isEnabled());
        w.click("choiceDemo");
        QVERIFY(!w.find<QLineEdit>("oldFolder")->isEnabled());
        QVERIFY(!w.find<QLineEdit>("adminPasswordAgain")->isEnabled());
    }

    void demoDataStartWithTheirPasswordsShown()
    {
        Window w(m_folder);
        w.click("choiceDemo");
        w.click("btnPokreniProgram");
        QVERIFY(w.accepted());
        QCOMPARE(w.messages.texts(),
                 QStringList{"Demo podaci su spremni.\nLozinka administratora je 123, lozinka "
                             "magacionera 111."});
        const QString podaci = m_folder + "/podaci";
        QVERIFY(rowsOf(podaci, "magacin.db").size() > 5);
        QVERIFY(!rowsOf(podaci, "prometx.db").isEmpty());
        QCOMPARE(rowsOf(podaci, "korisnici.db").size(), 2);
    }

    void anOldInstallationIsMovedInAndItsReportShown()
    {
        // The user picks the old program folder; its podaci is found inside.
        const QString oldProgram = m_dir->filePath("STARI");
        const QString oldData = oldProgram + "/PODACI";
        QDir().mkpath(oldData);
        Old::writeEmptyTables(oldData);
        Old::writeTextFiles(oldData);
        ParadoxWriter magacin(Old::columns("magacin"), 1250, 1);
        magacin.addRow({QStringLiteral("A1"), QStringLiteral("Cekic"), QStringLiteral("C"),
                        QStringLiteral("Cekici")});
        magacin.write(oldData + "/magacin.DB");
        const QMap<QString, QByteArray> before = Old::snapshot(oldProgram);

        Window w(m_folder);
        w.click("choiceOldInstallation");
        w.answers << oldProgram;
        w.click("btnIzaberi");
        QCOMPARE(w.find<QLineEdit>("oldFolder")->text(), QDir::toNativeSeparators(oldProgram));
        w.click("btnPokreniProgram");

        QCOMPARE(w.page(), 1);
        const QString report = w.find<QPlainTextEdit>("importReport")->toPlainText();
        QVERIFY2(report.contains("magacin"), qPrintable(report));
        QVERIFY(w.find<QLabel>("importVerdict")->text().startsWith("Podaci su preneti."));
        QVERIFY(w.find<QPushButton>("btnPokreniPosleUvoza")->isVisible());
        QVERIFY(!w.find<QPushButton>("btnNazad")->isVisible());
        QVERIFY(!w.accepted());
        w.click("btnPokreniPosleUvoza");
        QVERIFY(w.accepted());

        const QList<Row> articles = rowsOf(m_folder + "/podaci", "magacin.db");
        QCOMPARE(articles.size(), 1);
        QCOMPARE(articles.first().value("SIFRA"), QStringLiteral("A1"));
        QVERIFY(QFile::exists(m_folder + "/podaci/firma.txt"));
        QVERIFY(QDir(m_folder + "/back-up").exists());
        QCOMPARE(Old::snapshot(oldProgram), before);
    }

    void aRefusedImportShowsWhyAndLeadsBack()
    {
        const QString notOld = m_dir->filePath("nesto");
        QDir().mkpath(notOld);
        Window w(m_folder);
        w.click("choiceOldInstallation");
        w.click("btnPokreniProgram");
        QCOMPARE(w.messages.texts(), QStringList{"Izaberite folder podaci stare instalacije!!!"});

        w.type("oldFolder", notOld);
        w.click("btnPokreniProgram");
        QCOMPARE(w.page(), 1);
        QVERIFY(!w.find<QPlainTextEdit>("importReport")->toPlainText().isEmpty());
        QVERIFY(w.find<QLabel>("importVerdict")->text().startsWith("PODACI NISU PRENETI!!!"));
        QVERIFY(!w.find<QPushButton>("btnPokreniPosleUvoza")->isVisible());
        w.click("btnNazad");
        QCOMPARE(w.page(), 0);
        QVERIFY(!w.accepted());
        QVERIFY(!QDir(m_folder + "/podaci").exists());
    }

    void anotherFolderIsShownOrStartedWhenItHoldsData()
    {
        const QString other = m_dir->filePath("drugi");
        QDir().mkpath(other);
        const QString withData = m_dir->filePath("stari-kestar");
        QDir().mkpath(withData + "/podaci");
        QFile(withData + "/podaci/magacin.db").open(QIODevice::WriteOnly);

        Window w(m_folder);
        // A folder that is not there may be on a disk that is not attached: the window says so.
        QVERIFY(w.find<QLabel>("introText")->text().startsWith("Ovaj folder ne postoji."));
        w.click("btnDrugiFolder"); // given up: nothing changes
        QCOMPARE(w.window->folder(), m_folder);
        w.answers << other;
        w.click("btnDrugiFolder");
        QCOMPARE(w.window->folder(), other);
        QCOMPARE(w.find<QLabel>("installationFolder")->toolTip(), QDir::toNativeSeparators(other));
        QVERIFY(w.find<QLabel>("introText")->text().startsWith("U ovom folderu jos nema podataka"));
        // The folder in the home folder is new on a first start, not missing.
        QVERIFY(Window(InstallationFolder::defaultPath())
                    .find<QLabel>("introText")
                    ->text()
                    .startsWith("U ovom folderu jos nema podataka"));
        QVERIFY(!w.accepted());

        w.answers << withData;
        w.click("btnDrugiFolder");
        QVERIFY(w.accepted());
        QCOMPARE(w.window->folder(), withData);
        QCOMPARE(w.asked.size(), 3);
    }

    void aFolderThatCannotBeMadeShowsTheSystemsReasonAndStaysOpen()
    {
        // The installation folder's place is taken by a file: nothing can be made below it.
        QFile blocker(m_folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.write("not a folder");
        blocker.close();

        Window w(m_folder);
        w.click("choiceDemo");
        w.click("btnPokreniProgram");
        QCOMPARE(w.messages.errors().size(), 1);
        QVERIFY(!w.accepted());
        QVERIFY(w.window->isVisible());
        QFile check(m_folder);
        QVERIFY(check.open(QIODevice::ReadOnly));
        QCOMPARE(check.readAll(), QByteArray("not a folder"));
    }

private:
    std::unique_ptr<ScopedRegional> m_regional;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
};

QTEST_MAIN(TestFirstStart)
#include "tst_firststart.moc"
