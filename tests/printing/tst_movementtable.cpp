#include "app/Assembly.h"
#include "data/Engine.h"
#include "data/Table.h"
#include "data/controls/DataGrid.h"
#include "data/controls/RecordNavigator.h"
#include "platform/Regional.h"
#include "printing/ItemCardPage.h"
#include "printing/MovementTablePage.h"
#include "shell/MainWindow.h"
#include "shell/StatusPanels.h"
#include "shell/Workplace.h"
#include "tests/support/CapturingPreviewer.h"
#include "tests/support/Fixture.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestFolder.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

using namespace kestar;
using namespace kestar::test;

namespace {

const QString kLedger = QStringLiteral("podaci/prometx.db");
const QString kEntryWarning =
    QStringLiteral("NE MENJATI TABELU PROMETA BEZ!!! PROMENE SE NE KNJIZE AUTOMATSKI!!!");

// Messages that also note which page was showing when each box came up.
class PageNotingMessages : public ScriptedMessages
{
public:
    void show(const QString& text) override
    {
        pages.append(window ? window->currentPage() : QString());
        ScriptedMessages::show(text);
    }
    MainWindow* window = nullptr;
    QStringList pages;
};

// A started program with article A (stock 12) and its three movements, logged in through the
// login page as the administrator.
struct Program
{
    Program()
    {
        folder.writeStandardTextFiles();
        folder.write("dokument.txt", "3\r\n");
        createAllTables();
        assembly = std::make_unique<Assembly>(messages, &previewer);
        messages.window = &window();
        addRows(window().workplace().engine(), "podaci/magacin.db",
                {{{"SIFRA", "A"}, {"NAZIV", "Burgija"}, {"KOLICINA", "12"}, {"MAGACIN1", "12"}}});
        addRows(window().workplace().engine(), "podaci/korisnici.db",
                {{{"SIFRA", "1"}, {"KORISNIK", "Administrator"}}});
        addRows(window().workplace().engine(), kLedger,
                {{{"SIFRAROBE", "A"}, {"OTPREMNICA", "1"}, {"ULAZ", "0"}, {"KOLICINA", "3"}},
                 {{"SIFRAROBE", "A"}, {"OTPREMNICA", "0"}, {"ULAZ", "2"}, {"KOLICINA", "5"}},
                 {{"SIFRAROBE", "A"}, {"OTPREMNICA", "0"}, {"ULAZ", "1"}, {"KOLICINA", "10"}}});
        assembly->start();
        logIn();
    }

    void logIn() const
    {
        auto* password = window().findChild<QLineEdit*>("passwordField");
        QTest::keyClicks(password, "1");
        QTest::keyClick(password, Qt::Key_Return);
        QCOMPARE(window().currentPage(), PageKey::AdminMenu);
    }
    MainWindow& window() const { return assembly->window(); }
    QWidget* page() const { return window().page(PageKey::MovementTable); }
    DataGrid* grid() const { return page()->findChild<DataGrid*>("movementGrid"); }
    void click(const char* button) const
    {
        auto* push = page()->findChild<QPushButton*>(button);
        QVERIFY2(push, button);
        QTest::mouseClick(push, Qt::LeftButton);
    }
    void enterFromMenu() const
    {
        window().trigger(PageKey::AdminMenu);
        auto* button =
            window().page(PageKey::AdminMenu)->findChild<QPushButton*>("btnTabelaPrometa");
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QList<Row> ledger() const { return readRows(window().workplace().engine(), kLedger); }

    TestFolder folder;
    PageNotingMessages messages;
    CapturingPreviewer previewer;
    std::unique_ptr<Assembly> assembly;
};

} // namespace

class MovementTableTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Regional::setCurrent(Regional::standard()); }

    void warningComesBeforeThePageOnEveryEntry()
    {
        Program program;
        program.enterFromMenu();
        QCOMPARE(program.window().currentPage(), PageKey::MovementTable);
        QCOMPARE(program.messages.texts(), QStringList({kEntryWarning}));
        QCOMPARE(program.messages.pages, QStringList({PageKey::AdminMenu}));
        QCOMPARE(program.page()->findChild<QLabel*>("movementWarning")->text(),
                 MovementTablePage::kWarning);

        // the menu bar's "Magacin" does the same, also while the view is open and the page shown
        program.click("btnOtvoriTabelu");
        QAction* item = program.window().menuItem("Magacin");
        QVERIFY(item);
        QVERIFY(item->isEnabled());
        item->trigger();
        QCOMPARE(program.messages.texts(), QStringList({kEntryWarning, kEntryWarning}));
        QCOMPARE(program.messages.pages.last(), PageKey::MovementTable);
        QVERIFY(program.window().workplace().ledgerTableView().isOpen());
        program.enterFromMenu();
        QCOMPARE(program.messages.texts().size(), 3);
        QCOMPARE(program.messages.pages.last(), PageKey::AdminMenu);
        QVERIFY(program.window().workplace().ledgerTableView().isOpen()); // entering closes nothing
        QCOMPARE(program.grid()->model()->rowCount(), 3);
        QVERIFY(program.messages.errors().isEmpty());
    }

    void gridStaysEmptyUntilOpenedAndEmptiesOnClose()
    {
        Program program;
        program.enterFromMenu();
        DataGrid* grid = program.grid();
        QCOMPARE(grid->model()->rowCount(), 0);
        QVERIFY(!program.window().workplace().ledgerTableView().isOpen());

        program.click("btnOtvoriTabelu");
        QCOMPARE(grid->model()->rowCount(), 3);
        QCOMPARE(grid->model()->columnCount(), 30);
        QCOMPARE(grid->model()->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("BROJDOKUMENTA"));
        QCOMPARE(grid->model()->headerData(29, Qt::Horizontal).toString(), QStringLiteral("SALDO"));
        program.window().workplace().ledgerTableView().last();
        program.click("btnOtvoriTabelu"); // already open: stays where it was
        QCOMPARE(program.window().workplace().ledgerTableView().position(), 2);

        // leaving the page keeps the view and its row
        program.window().trigger(PageKey::AdminMenu);
        program.enterFromMenu();
        QCOMPARE(program.window().workplace().ledgerTableView().position(), 2);
        QCOMPARE(grid->currentIndex().row(), 2);

        program.click("btnZatvoriTabelu");
        QCOMPARE(grid->model()->rowCount(), 0);
        program.click("btnZatvoriTabelu"); // already closed
        QVERIFY(!program.window().workplace().ledgerTableView().isOpen());

        // a log out closes it; after a new login the page shows nothing again
        program.click("btnOtvoriTabelu");
        program.window().trigger(ActionKey::LogOut);
        program.logIn();
        program.enterFromMenu();
        QCOMPARE(grid->model()->rowCount(), 0);
        QVERIFY(program.messages.errors().isEmpty());
    }

    void ledgerOpenedByThePrintPageShowsAtOnceOnItsFirstRow()
    {
        Program program;
        Table& ledger = program.window().workplace().ledgerTableView();
        ledger.open(); // as a document query of the print page leaves it
        ledger.last();
        ledger.first();
        program.enterFromMenu();
        QCOMPARE(program.grid()->model()->rowCount(), 3);
        QCOMPARE(program.grid()->currentIndex().row(), 0);
        auto* navigator = program.page()->findChild<RecordNavigator*>("movementNavigator");
        QVERIFY(navigator);
        QVERIFY(!navigator->button(RecordNavigator::Button::Prior)->isEnabled());
        QVERIFY(navigator->button(RecordNavigator::Button::Next)->isEnabled());
    }

    // While the user looks at a row, no statement holds the ledger file: another process (a
    // second connection that will not wait) writes it at once, after every press of the
    // navigator and while the grid shows the rows.
    void idleLedgerIsFreeForAnotherWriter()
    {
        Program program;
        program.enterFromMenu();
        program.click("btnOtvoriTabelu");
        auto* navigator = program.page()->findChild<RecordNavigator*>("movementNavigator");
        QVERIFY(navigator);
        using Button = RecordNavigator::Button;
        for (const Button button :
             {Button::Next, Button::Next, Button::Prior, Button::Last, Button::First}) {
            QTest::mouseClick(navigator->button(button), Qt::LeftButton);
            QVERIFY(writesAtOnce(program.folder.dataPath("prometx.db"),
                                 "UPDATE prometx SET KOMENTAR='drugi'"));
        }
        QCOMPARE(program.window().workplace().ledgerTableView().position(), 0);
        QVERIFY(program.messages.errors().isEmpty());
    }

    void quantityChangedHereChangesNoStockButTheNextCard()
    {
        Program program;
        program.enterFromMenu();
        program.click("btnOtvoriTabelu");
        DataGrid* grid = program.grid();
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(0, 19)); // KOLICINA of the issue
        QCOMPARE(grid->model()->headerData(19, Qt::Horizontal).toString(),
                 QStringLiteral("KOLICINA"));
        QTest::keyClick(grid, '4');
        auto* editor = grid->viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        QTest::keyClick(editor, Qt::Key_Return);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(program.ledger().first().value("KOLICINA"), QStringLiteral("4"));

        const QList<Row> items =
            readRows(program.window().workplace().engine(), "podaci/magacin.db");
        QCOMPARE(items.first().value("KOLICINA"), QStringLiteral("12"));
        QCOMPARE(items.first().value("MAGACIN1"), QStringLiteral("12"));
        QCOMPARE(program.folder.read("dokument.txt"), QByteArray("3\r\n"));
        QCOMPARE(program.window().panel(StatusPanels::kDocumentNumber), QStringLiteral("3"));

        // the item card counts the changed quantity
        program.window().trigger(PageKey::ItemCard);
        QWidget* card = program.window().page(PageKey::ItemCard);
        card->findChild<QLineEdit*>("izabranaSifraRobe")->setText("A");
        QTest::mouseClick(card->findChild<QPushButton*>("btnPrikaziPromet"), Qt::LeftButton);
        QCOMPARE(program.ledger().first().value("SALDO"), QStringLiteral("11"));
        QVERIFY(program.messages.errors().isEmpty());
    }

    void deleteAsksFirst()
    {
        Program program;
        program.enterFromMenu();
        program.click("btnOtvoriTabelu");
        auto* navigator = program.page()->findChild<RecordNavigator*>("movementNavigator");
        program.messages.answer(false);
        QTest::mouseClick(navigator->button(RecordNavigator::Button::Delete), Qt::LeftButton);
        QCOMPARE(program.ledger().size(), 3);
        program.messages.answer(true);
        QTest::mouseClick(navigator->button(RecordNavigator::Button::Delete), Qt::LeftButton);
        QCOMPARE(program.ledger().size(), 2);
        QCOMPARE(program.ledger().first().value("ULAZ"), QStringLiteral("2"));
        QCOMPARE(program.messages.shown().at(1).kind, ScriptedMessages::Kind::Confirm);
    }
};

QTEST_MAIN(MovementTableTest)
#include "tst_movementtable.moc"
