#include "app/Assembly.h"
#include "data/Engine.h"
#include "data/Table.h"
#include "data/controls/DataGrid.h"
#include "platform/Regional.h"
#include "shell/MainWindow.h"
#include "shell/StatusPanels.h"
#include "shell/UsersPage.h"
#include "tests/support/Fixture.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestFolder.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace kestar;
using namespace kestar::test;

class UsersPageTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Regional::setCurrent(Regional::standard()); }

    void openEditAndCloseTheUserTable()
    {
        TestFolder folder;
        folder.writeStandardTextFiles();
        createAllTables();
        ScriptedMessages messages;
        Assembly assembly(messages);
        MainWindow& w = assembly.window();
        addRows(w.engine(), "podaci/korisnici.db",
                {{{"SIFRA", "1"}, {"KORISNIK", "Administrator"}},
                 {{"SIFRA", "2"}, {"KORISNIK", "Ana"}}});
        QVERIFY(assembly.start());
        w.setPanel(StatusPanels::kUser, "Administrator");
        w.trigger(NavAction::Users);
        QCOMPARE(w.currentPageIndex(), PageIndex::Users);

        QWidget* page = w.page(PageIndex::Users);
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
        QCOMPARE(readRows(w.engine(), "podaci/korisnici.db").at(1).value("KORISNIK"),
                 QStringLiteral("Mila"));

        // a login while the grid sits on the second row still finds the first user
        auto& users = static_cast<UsersPage*>(w.page(PageIndex::Users))->users();
        users.last();
        w.trigger(NavAction::LogOut);
        QVERIFY(users.isOpen()); // log out leaves the user table as it is
        auto* password = w.findChild<QLineEdit*>("passwordField");
        QTest::keyClicks(password, "1");
        QTest::keyClick(password, Qt::Key_Return);
        QCOMPARE(w.currentPageIndex(), PageIndex::AdminMenu);

        w.trigger(NavAction::Users);
        QTest::mouseClick(page->findChild<QPushButton*>("btnZatvoriTabelu"), Qt::LeftButton);
        QCOMPARE(grid->model()->rowCount(), 0);
        QTest::mouseClick(page->findChild<QPushButton*>("btnPovratakNaMeniAdministratora"),
                          Qt::LeftButton);
        QCOMPARE(w.currentPageIndex(), PageIndex::AdminMenu);
        QVERIFY(messages.errors().isEmpty());
    }
};

QTEST_MAIN(UsersPageTest)
#include "tst_users.moc"
