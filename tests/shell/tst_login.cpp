#include "app/Assembly.h"
#include "backup/BackupPage.h"
#include "data/Engine.h"
#include "goods/GoodsDocumentPage.h"
#include "goods/ItemChooser.h"
#include "masterdata/CompanyPage.h"
#include "masterdata/GroupListDialog.h"
#include "masterdata/GroupsPage.h"
#include "masterdata/ItemsPage.h"
#include "masterdata/MachineChooser.h"
#include "masterdata/MachinesPage.h"
#include "platform/Regional.h"
#include "printing/GroupedNotePage.h"
#include "printing/ItemCardPage.h"
#include "printing/StockListPage.h"
#include "shell/MainWindow.h"
#include "shell/StatusPanels.h"
#include "shell/UsersPage.h"
#include "shell/Workplace.h"
#include "tests/support/Fixture.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestFolder.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace kestar;
using namespace kestar::test;

namespace {
// A started program on a data folder whose user table holds the rows given.
struct Program
{
    explicit Program(const QList<Row>& users)
    {
        folder.writeStandardTextFiles();
        createAllTables();
        assembly = std::make_unique<Assembly>(messages);
        addRows(window().workplace().engine(), "podaci/korisnici.db", users);
        assembly->start();
    }
    MainWindow& window() const { return assembly->window(); }
    QLineEdit* password() const { return window().findChild<QLineEdit*>("passwordField"); }
    void type(const QString& text) const
    {
        password()->setFocus();
        QTest::keyClicks(password(), text);
        QTest::keyClick(password(), Qt::Key_Return);
    }
    QList<bool> items() const
    {
        QList<bool> enabled;
        for (int menu = 0; menu < 4; ++menu)
            for (int item = 0; item < 2; ++item)
                enabled << window().switchableItem(menu, item)->isEnabled();
        return enabled;
    }
    void clickMainMenu() const
    {
        QTest::mouseClick(window().findChild<QPushButton*>("glavniMeni"), Qt::LeftButton);
    }

    TestFolder folder;
    ScriptedMessages messages;
    std::unique_ptr<Assembly> assembly;
};

Row user(const QString& password, const QString& name)
{
    return {{"SIFRA", password}, {"KORISNIK", name}};
}

const QList<bool> kAll(8, true);
const QList<bool> kNone(8, false);
const QList<bool> kWorker = {false, false, true, true, true, true, false, false};
} // namespace

class LoginTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Regional::setCurrent(Regional::standard()); }

    void passwordFindsItsUserAndRole()
    {
        Program p({user("123", "Administrator"), user("abc", "Marko"), user("ABC", "Jovan")});
        p.type("abc");
        QCOMPARE(p.window().panel(StatusPanels::kUser), QStringLiteral("Marko"));
        QCOMPARE(p.window().currentPage(), PageKey::WorkerMenu);
        QCOMPARE(p.items(), kWorker);
        QVERIFY(p.password()->text().isEmpty());
        QVERIFY(p.messages.texts().isEmpty());

        p.clickMainMenu();
        QCOMPARE(p.window().currentPage(), PageKey::Login);
        QCOMPARE(p.items(), kNone);
        QCOMPARE(p.window().panel(StatusPanels::kUser), QStringLiteral("Marko"));

        p.type("123");
        QCOMPARE(p.window().panel(StatusPanels::kUser), QStringLiteral("Administrator"));
        QCOMPARE(p.window().currentPage(), PageKey::AdminMenu);
        QCOMPARE(p.items(), kAll);

        // after an administrator logs out, a worker gets exactly the four items
        p.clickMainMenu();
        p.type("ABC");
        QCOMPARE(p.window().panel(StatusPanels::kUser), QStringLiteral("Jovan"));
        QCOMPARE(p.items(), kWorker);
    }

    void wrongPasswordOnlyEmptiesTheField()
    {
        Program p({user("123", "Administrator")});
        p.type("12");
        QCOMPARE(p.window().currentPage(), PageKey::Login);
        QVERIFY(p.password()->text().isEmpty());
        QVERIFY2(p.messages.texts().isEmpty(), qPrintable(p.messages.texts().join("|")));
        QCOMPARE(p.items(), kNone);
        p.type("1234"); // the field takes three characters: "123"
        QCOMPARE(p.window().currentPage(), PageKey::AdminMenu);
    }

    void emptyUserTableLogsNobodyIn()
    {
        Program p({});
        p.type("");
        p.type("1");
        QCOMPARE(p.window().currentPage(), PageKey::Login);
        QCOMPARE(p.items(), kNone);
        QVERIFY(p.messages.texts().isEmpty());
    }

    void lastMatchDecidesAndItemsAddUp()
    {
        {
            Program p({user("777", "Administrator"), user("777", "Ana")});
            p.type("777");
            QCOMPARE(p.window().panel(StatusPanels::kUser), QStringLiteral("Ana"));
            QCOMPARE(p.window().currentPage(), PageKey::WorkerMenu);
            QCOMPARE(p.items(), kAll);
            // the items are enabled, but the pages behind them stay closed to a worker
            p.window().switchableItem(0, 0)->trigger();
            p.window().switchableItem(3, 1)->trigger();
            QCOMPARE(p.window().currentPage(), PageKey::WorkerMenu);
            QCOMPARE(p.messages.texts(),
                     QStringList(2, "Ova opcija je dostupna samo administratoru!!!"));
        }
        {
            Program p({user("777", "Ana"), user("777", "Administrator")});
            p.type("777");
            QCOMPARE(p.window().panel(StatusPanels::kUser), QStringLiteral("Administrator"));
            QCOMPARE(p.window().currentPage(), PageKey::AdminMenu);
            QCOMPARE(p.items(), kAll);
        }
    }

    void nameDifferingInCaseIsAWorker()
    {
        Program p({user("1", "administrator")});
        p.type("1");
        QCOMPARE(p.window().currentPage(), PageKey::WorkerMenu);
        QCOMPARE(p.items(), kWorker);
        for (const QString& admin : {PageKey::Items, PageKey::Users, PageKey::Backup,
                                     PageKey::StockList, PageKey::AdminMenu})
            p.window().trigger(admin);
        QCOMPARE(p.window().currentPage(), PageKey::WorkerMenu);
        // a worker's own pages open
        p.window().trigger(ActionKey::NewIssue);
        QCOMPARE(p.window().currentPage(), PageKey::GoodsDocument);
    }

    void mainMenuOnTheLoginPageChangesNothing()
    {
        Program p({user("1", "Administrator")});
        const QString before = p.window().panel(StatusPanels::kUser);
        p.clickMainMenu();
        p.clickMainMenu();
        QCOMPARE(p.window().currentPage(), PageKey::Login);
        QCOMPARE(p.window().panel(StatusPanels::kUser), before);
        QCOMPARE(p.items(), kNone);
        QVERIFY(p.messages.texts().isEmpty());
    }

    void missingUserTableShowsTheEngineErrorAndKeepsTheText()
    {
        Program p({user("1", "Administrator")});
        test::removeTable(p.folder, QStringLiteral("korisnici"));
        p.type("1");
        QCOMPARE(p.messages.errors().size(), 1);
        QVERIFY(p.messages.errors().first().contains("korisnici"));
        QCOMPARE(p.password()->text(), QStringLiteral("1"));
        QCOMPARE(p.window().currentPage(), PageKey::Login);
    }

    // The stock list's preview (quantities, prices, values, printable), the item chooser, the
    // group list and the machine chooser belong to the user who opened them: log out closes
    // them, and the worker who logs in next finds none of them.
    void logOutClosesEveryDialogAndPreview()
    {
        Program p({user("1", "Administrator"), user("2", "Pera")});
        p.type("1");
        p.assembly->goods().itemChooser->open();
        p.assembly->machineChooser()->open();
        auto* groupList = p.window().findChild<GroupListDialog*>();
        QVERIFY(groupList);
        groupList->showForChoice();
        const auto openWindows = [&p]() {
            QStringList open;
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (widget != &p.window() && widget->isVisible())
                    open.append(QString::fromLatin1(widget->metaObject()->className()));
            }
            open.sort();
            return open;
        };
        QCOMPARE(openWindows(), QStringList({"kestar::GroupListDialog", "kestar::ItemChooser",
                                             "kestar::MachineChooser"}));

        // The preview holds the print action until it is closed; log out comes meanwhile from
        // the main window, which stays usable.
        QStringList whileShown;
        QTimer::singleShot(0, &p.window(), [&] {
            whileShown = openWindows();
            p.clickMainMenu();
        });
        p.window().trigger(PageKey::StockList);
        QTest::mouseClick(p.window().findChild<QPushButton*>("btnPrikaziStanjeUMagacinu"),
                          Qt::LeftButton);
        QVERIFY(whileShown.contains("kestar::ReportPreviewWindow"));
        QCOMPARE(p.window().currentPage(), PageKey::Login);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(openWindows(), QStringList());

        p.type("2");
        QCOMPARE(p.window().currentPage(), PageKey::WorkerMenu);
        QCOMPARE(openWindows(), QStringList());
        QVERIFY(p.messages.errors().isEmpty());
    }

    void adminMenuButtonsReachTheirPages()
    {
        Program p({user("1", "Administrator")});
        p.type("1");
        auto click = [&](const char* name) {
            auto* button = p.window().findChild<QPushButton*>(name);
            QVERIFY2(button, name);
            QTest::mouseClick(button, Qt::LeftButton);
        };
        const QList<QPair<const char*, QString>> buttons = {
            {"btnRobaUMagacinu", PageKey::Items},
            {"btnPodaciOFirmi", PageKey::Company},
            {"btnGrupeRobe", PageKey::Groups},
            {"btnKorisnici", PageKey::Users},
            {"btnBackUpPodataka", PageKey::Backup},
            {"btnPodaciZaMasinu", PageKey::Machines},
            {"btnKarticeRobe", PageKey::ItemCard},
            {"btnSvaRobaUMagacinu", PageKey::StockList},
            {"btnGrupnaOtpremnica", PageKey::GroupedNote},
        };
        for (const auto& [name, key] : buttons) {
            p.window().showPage(PageKey::AdminMenu);
            click(name);
            QCOMPARE(p.window().currentPage(), key);
        }
    }

    void everyMenuKeyNamesARegisteredAction()
    {
        // The menus name their actions by the keys the pages register; a key spelt wrong in a
        // menu would leave its button doing nothing.
        Program p({user("1", "Administrator")});
        QStringList keys;
        for (const QPushButton* button : p.window().findChildren<QPushButton*>()) {
            if (button->property("actionKey").isValid())
                keys << button->property("actionKey").toString();
        }
        QCOMPARE(keys.size(), 14 + 4); // the administrator's menu, the worker's
        for (const QAction* menu : p.window().menuBar()->actions()) {
            for (const QAction* action : menu->menu()->actions())
                keys << action->data().toString();
        }
        QCOMPARE(keys.size(), 14 + 4 + 12);
        for (const QString& key : keys)
            QVERIFY2(p.window().hasAction(key), qPrintable(key));
    }
};

QTEST_MAIN(LoginTest)
#include "tst_login.moc"
