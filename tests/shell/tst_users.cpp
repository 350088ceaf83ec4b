#include "app/Assembly.h"
#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/Table.h"
#include "data/controls/DataGrid.h"
#include "data/controls/RecordNavigator.h"
#include "platform/Regional.h"
#include "shell/MainWindow.h"
#include "shell/StatusPanels.h"
#include "shell/UsersPage.h"
#include "shell/Workplace.h"
#include "tests/support/Fixture.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestFolder.h"

#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

using namespace kestar;
using namespace kestar::test;

namespace {

// The program started on a data folder with the administrator (password 1) and Ana (2), on the
// users page.
struct Program
{
    Program()
    {
        folder.writeStandardTextFiles();
        createAllTables();
        assembly = std::make_unique<Assembly>(messages);
        addRows(window().workplace().engine(), "podaci/korisnici.db",
                {{{"SIFRA", "1"}, {"KORISNIK", "Administrator"}},
                 {{"SIFRA", "2"}, {"KORISNIK", "Ana"}}});
        QVERIFY(assembly->start());
        window().workplace().setUser("Administrator");
        window().trigger(PageKey::Users);
    }
    MainWindow& window() const { return assembly->window(); }

    TestFolder folder;
    ScriptedMessages messages;
    std::unique_ptr<Assembly> assembly;
};

const QString kTooLongPassword =
    QStringLiteral("Lozinka moze imati najvise 3 znaka!!! Ispravite je pre snimanja.");
} // namespace

class UsersPageTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Regional::setCurrent(Regional::standard()); }

    void openEditAndCloseTheUserTable()
    {
        Program p;
        ScriptedMessages& messages = p.messages;
        MainWindow& w = p.window();
        QCOMPARE(w.currentPage(), PageKey::Users);

        QWidget* page = w.page(PageKey::Users);
        auto* grid = page->findChild<DataGrid*>("usersGrid");
        QVERIFY(grid);
        QCOMPARE(grid->model()->rowCount(), 0); // entering the page opens nothing
        QTest::mouseClick(page->findChild<QPushButton*>("btnOtvoriTabeluSaKorisnicima"),
                          Qt::LeftButton);
        QCOMPARE(grid->model()->rowCount(), 2);
        QCOMPARE(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("SIFRA"));

        // rename the second user in place; leaving the row posts it
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(1, 1));
        QTest::keyClick(grid, 'M'); // typing starts the edit
        auto* editor = grid->viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        QTest::keyClicks(editor, "ila");
        QTest::keyClick(editor, Qt::Key_Return);
        QTest::keyClick(grid, Qt::Key_Up);
        QCOMPARE(readRows(w.workplace().engine(), "podaci/korisnici.db").at(1).value("KORISNIK"),
                 QStringLiteral("Mila"));

        // a login while the grid sits on the second row still finds the first user
        auto& users = static_cast<UsersPage*>(w.page(PageKey::Users))->users();
        users.last();
        w.trigger(ActionKey::LogOut);
        QVERIFY(users.isOpen()); // log out leaves the user table as it is
        auto* password = w.findChild<QLineEdit*>("passwordField");
        QTest::keyClicks(password, "1");
        QTest::keyClick(password, Qt::Key_Return);
        QCOMPARE(w.currentPage(), PageKey::AdminMenu);

        w.trigger(PageKey::Users);
        QTest::mouseClick(page->findChild<QPushButton*>("btnZatvoriTabelu"), Qt::LeftButton);
        QCOMPARE(grid->model()->rowCount(), 0);
        QTest::mouseClick(page->findChild<QPushButton*>("btnPovratakNaMeniAdministratora"),
                          Qt::LeftButton);
        QCOMPARE(w.currentPage(), PageKey::AdminMenu);
        QVERIFY(messages.errors().isEmpty());
    }

    // The login field takes three characters: a longer password would lock its user out.
    void passwordLongerThanTheLoginFieldTakesIsRefusedAndKeptForCorrection()
    {
        Program p;
        ScriptedMessages& messages = p.messages;
        MainWindow& w = p.window();
        QWidget* page = w.page(PageKey::Users);
        auto* grid = page->findChild<DataGrid*>("usersGrid");
        QTest::mouseClick(page->findChild<QPushButton*>("btnOtvoriTabeluSaKorisnicima"),
                          Qt::LeftButton);
        const auto typeInto = [grid](int row, const QString& text) {
            grid->setFocus();
            grid->setCurrentIndex(grid->model()->index(row, 0));
            QTest::keyClick(grid, text.at(0).toLatin1());
            QLineEdit* editor = test::openCellEditor(grid);
            QVERIFY(editor);
            editor->selectAll();
            QTest::keyClicks(editor, text);
            QTest::keyClick(editor, Qt::Key_Return);
            QCoreApplication::processEvents();
        };

        // The administrator's own password, changed to four characters: leaving the row
        // refuses it, the grid stays on the row with the typed text.
        typeInto(0, "1234");
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(messages.errors(), QStringList{kTooLongPassword});
        QCOMPARE(grid->currentIndex().row(), 0);
        auto& users = static_cast<UsersPage*>(w.page(PageKey::Users))->users();
        QCOMPARE(users.state(), DatasetState::Edit);
        QCOMPARE(users.text("SIFRA"), QStringLiteral("1234"));
        QCOMPARE(readRows(w.workplace().engine(), "podaci/korisnici.db").at(0).value("SIFRA"),
                 QStringLiteral("1"));
        // The navigator's post refuses it too.
        messages.clear();
        QTest::mouseClick(page->findChild<RecordNavigator*>("usersNavigator")
                              ->button(RecordNavigator::Button::Post),
                          Qt::LeftButton);
        QCOMPARE(messages.errors(), QStringList{kTooLongPassword});
        QCOMPARE(readRows(w.workplace().engine(), "podaci/korisnici.db").at(0).value("SIFRA"),
                 QStringLiteral("1"));

        // Corrected to three characters, the row goes in; a new user the same way.
        messages.clear();
        typeInto(0, "9z9");
        QTest::keyClick(grid, Qt::Key_Down);
        QVERIFY(messages.errors().isEmpty());
        QCOMPARE(readRows(w.workplace().engine(), "podaci/korisnici.db").at(0).value("SIFRA"),
                 QStringLiteral("9z9"));
        users.last();
        users.insert();
        users.setText("SIFRA", "abcd");
        users.setText("KORISNIK", "Petar");
        QVERIFY_THROWS_EXCEPTION(EngineError, users.post());
        users.cancel();
        QCOMPARE(readRows(w.workplace().engine(), "podaci/korisnici.db").size(), 2);

        // The administrator still logs in with the corrected password.
        w.trigger(ActionKey::LogOut);
        auto* password = w.findChild<QLineEdit*>("passwordField");
        QTest::keyClicks(password, "9z9");
        QTest::keyClick(password, Qt::Key_Return);
        QCOMPARE(w.currentPage(), PageKey::AdminMenu);
    }
};

QTEST_MAIN(UsersPageTest)
#include "tst_users.moc"
