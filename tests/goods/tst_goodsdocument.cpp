#include "app/Assembly.h"
#include "data/Engine.h"
#include "data/Query.h"
#include "data/Table.h"
#include "goods/GoodsDocumentPage.h"
#include "goods/ItemChooser.h"
#include "masterdata/MachineChooser.h"
#include "platform/Clock.h"
#include "platform/Regional.h"
#include "shell/MainWindow.h"
#include "shell/StatusPanels.h"
#include "shell/Workplace.h"
#include "tests/support/Fixture.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestFolder.h"

#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>

using namespace kestar;
using namespace kestar::test;

namespace {

Row article(const QString& code, const QString& stock)
{
    return {{"SIFRA", code},         {"NAZIV", "Artikal " + code}, {"GRUPAROBE", "01"},
            {"NAZIVGRUPE", "Alati"}, {"KOLICINA", stock},          {"MAGACIN1", stock}};
}

// A started program with articles A (10) and B (4), the document counter at 41 and the issue
// counter at 16, logged in as the user of the password given.
struct Program
{
    explicit Program(const QString& password = "123")
    {
        folder.writeStandardTextFiles();
        folder.write("dokument.txt", "41\r\n");
        folder.write("otpremnica.txt", "16\r\n");
        folder.write("ulaz.txt", "0\r\n");
        createAllTables();
        assembly = std::make_unique<Assembly>(messages);
        addRows(window().workplace().engine(), "podaci/magacin.db",
                {article("A", "10"), article("B", "4")});
        addRows(window().workplace().engine(), "podaci/korisnici.db",
                {{{"SIFRA", "123"}, {"KORISNIK", "Administrator"}},
                 {{"SIFRA", "777"}, {"KORISNIK", "Marko"}}});
        assembly->start();
        auto* field = window().findChild<QLineEdit*>("passwordField");
        field->setFocus();
        QTest::keyClicks(field, password);
        QTest::keyClick(field, Qt::Key_Return);
    }

    MainWindow& window() const { return assembly->window(); }
    GoodsDocumentPage* page() const { return assembly->goods().document; }
    template <typename T> T* child(const char* name) const { return page()->findChild<T*>(name); }
    QLineEdit* number() const { return child<QLineEdit>("Edit57"); }
    QTableWidget* grid() const { return child<QTableWidget>("StringGrid5"); }
    QPushButton* save() const { return child<QPushButton>("BitBtn75"); }
    QLineEdit* machineCode() const { return child<QLineEdit>("sifraOpreme"); }

    void clickMenuButton(const char* name) const
    {
        QWidget* menu = window().page(window().currentPageIndex());
        auto* button = menu->findChild<QPushButton*>(name);
        QVERIFY2(button, name);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void openIssue() const { clickMenuButton("btnOtpremaRobe"); }
    void openReceipt() const { clickMenuButton("btnPrijemRobe"); }

    QString cell(int row, int column) const
    {
        const QTableWidgetItem* item = grid()->item(row, column);
        return item ? item->text() : QString();
    }
    // Enter in the "Sifra" cell of a line (1-based) and the chooser's OK for an article.
    void choose(int line, const QString& code) const
    {
        grid()->setCurrentCell(line - 1, 0);
        QTest::keyClick(grid(), Qt::Key_Return);
        page()->deliverItem(code, "Artikal " + code, "01", "Alati");
    }
    void typeQuantity(int line, const QString& text) const
    {
        grid()->setCurrentCell(line - 1, 2);
        grid()->item(line - 1, 2)->setText(text);
    }
    // The document of the example: issue 17, A by 3 and B by 1.5, machine M1.
    void fillExample() const
    {
        number()->setText("17");
        page()->setMachine("M1", "X", "Presa");
        choose(1, "A");
        typeQuantity(1, "3");
        choose(2, "B");
        typeQuantity(2, "1.5");
    }
    QList<Row> ledger() const
    {
        return readRows(window().workplace().engine(), "podaci/prometx.db");
    }
    QString stock(const QString& code) const
    {
        for (const Row& row : readRows(window().workplace().engine(), "podaci/magacin.db")) {
            if (row.value("SIFRA") == code)
                return row.value("KOLICINA") + "/" + row.value("MAGACIN1");
        }
        return "missing";
    }
    QList<QByteArray> counters() const
    {
        return {folder.read("dokument.txt"), folder.read("otpremnica.txt"),
                folder.read("ulaz.txt")};
    }
    QStringList panels() const
    {
        return {window().panel(StatusPanels::kDocumentNumber),
                window().panel(StatusPanels::kIssueNumber),
                window().panel(StatusPanels::kReceiptNumber)};
    }

    TestFolder folder;
    ScriptedMessages messages;
    std::unique_ptr<Assembly> assembly;
};

// Keys sent here go to the focus window's focus widget of that moment, as from a keyboard.
QWidget* const kFocused = nullptr;

// Each key to the focus widget of that moment (the cell editor once the first key opened it).
void typeKeys(const QString& text)
{
    for (const QChar c : text)
        QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}
void typeKeys(Qt::Key key)
{
    QTest::keyClick(QApplication::focusWidget(), key);
}

const QList<QByteArray> kCountersBefore = {"41\r\n", "16\r\n", "0\r\n"};
const QStringList kPanelsBefore = {"41", "16", "0"};

} // namespace

class GoodsDocumentTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Regional::setCurrent(Regional::standard()); }

    void issueModeProposesNextNumberWithItsCaptions()
    {
        ScopedClock clock(QDateTime(QDate(2026, 3, 5), QTime(9, 0)));
        Program p;
        p.openIssue();
        QCOMPARE(p.window().currentPageIndex(), PageIndex::GoodsDocument);
        QCOMPARE(p.child<QLabel>("documentTitle")->text(), QStringLiteral("Formiranje otpremnice"));
        QCOMPARE(p.save()->text(), QStringLiteral("UPAMTI OTPREMNICU"));
        QCOMPARE(p.number()->text(), QStringLiteral("17"));
        QVERIFY(!(p.number()->focusPolicy() & Qt::TabFocus));
        QVERIFY(!(p.child<QLineEdit>("komentar1")->focusPolicy() & Qt::TabFocus));
        QVERIFY(p.child<QRadioButton>("radioOtpremnica")->isChecked());
        QVERIFY(p.machineCode()->isVisible());
        QVERIFY(p.machineCode()->isReadOnly());
        QVERIFY(p.child<QPushButton>("btnIzaberiOpremu")->isVisible());
        auto* date = p.child<QDateEdit>("documentDate");
        QCOMPARE(date->date(), QDate(2026, 3, 5));
        QCOMPARE(date->text(), QStringLiteral("05/03/2026"));
        QVERIFY(date->calendarPopup());

        QTableWidget* grid = p.grid();
        QCOMPARE(grid->rowCount(), 99);
        QCOMPARE(grid->columnCount(), 5);
        QCOMPARE(grid->horizontalHeaderItem(0)->text(), QStringLiteral("Sifra"));
        QCOMPARE(grid->horizontalHeaderItem(4)->text(), QStringLiteral("Naziv grupe"));
        QCOMPARE(grid->columnWidth(1), 200);
        QCOMPARE(grid->currentRow(), 0);
        QCOMPARE(grid->currentColumn(), 0);
        QCOMPARE(p.page()->lineCount(), 1);
        QVERIFY(p.messages.texts().isEmpty());

        // the cursor stops at line 99
        grid->setCurrentCell(98, 0);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(grid->currentRow(), 98);

        // the counter file changes only when a document is posted
        p.window().trigger(NavAction::NewIssue);
        QCOMPARE(p.number()->text(), QStringLiteral("17"));
    }

    void reopeningStartsANewDocumentAndKeepsTheMachine()
    {
        Program p;
        p.openIssue();
        p.page()->setMachine("M1", "X", "Presa");
        p.choose(1, "A");
        p.choose(2, "B");
        p.child<QLineEdit>("komentar1")->setText("stari");
        p.folder.write("ulaz.txt", "");
        p.window().menuItem("Prijemnica (ulaz robe)")->trigger();

        QCOMPARE(p.child<QLabel>("documentTitle")->text(), QStringLiteral("Formiranje prijemnice"));
        QCOMPARE(p.save()->text(), QStringLiteral("UPAMTI PRIJEMNICU"));
        QVERIFY(p.child<QRadioButton>("radioPrijemnica")->isChecked());
        QCOMPARE(p.number()->text(), QStringLiteral("1"));
        QCOMPARE(p.cell(0, 0), QString());
        QCOMPARE(p.cell(1, 2), QString());
        QCOMPARE(p.child<QLineEdit>("komentar1")->text(), QString());
        QCOMPARE(p.page()->lineCount(), 1);
        QVERIFY(!p.machineCode()->isVisible());
        QVERIFY(!p.child<QPushButton>("btnIzaberiOpremu")->isVisible());
        QCOMPARE(p.machineCode()->text(), QStringLiteral("M1"));
        QCOMPARE(p.child<QLineEdit>("nazivOpreme")->text(), QStringLiteral("Presa"));
    }

    void failedCounterReadLeavesNumberEmptyAndFocusWhereItWas()
    {
        Program p;
        p.openIssue();
        QVERIFY(QTest::qWaitForWindowActive(&p.window()));
        QCOMPARE(QApplication::focusWidget(), p.grid());
        QLineEdit* comment = p.child<QLineEdit>("komentar1");
        comment->setFocus();
        p.folder.write("otpremnica.txt", "abc\r\n");
        p.window().trigger(NavAction::NewIssue);
        QCOMPARE(p.window().currentPageIndex(), PageIndex::GoodsDocument);
        QCOMPARE(p.messages.errors(), QStringList({"Invalid numeric input"}));
        QCOMPARE(p.number()->text(), QString());
        QCOMPARE(p.save()->text(), QStringLiteral("UPAMTI OTPREMNICU"));
        QCOMPARE(QApplication::focusWidget(), comment);
    }

    void enterInSifraChoosesForThatLine()
    {
        Program p;
        p.openIssue();
        ItemChooser* chooser = p.assembly->goods().itemChooser;
        p.window().workplace().itemTableView().open();
        p.grid()->setCurrentCell(2, 0);
        QTest::keyClick(p.grid(), Qt::Key_Return);
        QVERIFY(chooser->isVisible());
        QVERIFY(!p.window().workplace().itemTableView().isOpen());
        QCOMPARE(p.page()->lineCount(), 3);
        p.page()->deliverItem("B", "Artikal B", "01", "Alati");
        QCOMPARE(p.cell(2, 0), QStringLiteral("B"));
        QCOMPARE(p.cell(2, 1), QStringLiteral("Artikal B"));
        QCOMPARE(p.cell(2, 2), QStringLiteral("0"));
        QCOMPARE(p.cell(2, 3), QStringLiteral("01"));
        QCOMPARE(p.cell(2, 4), QStringLiteral("Alati"));
        QCOMPARE(p.grid()->currentRow(), 2);
        QCOMPARE(p.grid()->currentColumn(), 2);

        // Enter in another column chooses nothing
        chooser->hide();
        p.grid()->setCurrentCell(0, 2);
        QTest::keyClick(p.grid(), Qt::Key_Return);
        QVERIFY(!chooser->isVisible());
        QCOMPARE(p.page()->lineCount(), 3);

        // a code typed into the cell and ended with Enter chooses as well
        p.grid()->setCurrentCell(4, 0);
        QTest::keyClick(p.grid(), Qt::Key_X);
        QWidget* editor = p.grid()->indexWidget(p.grid()->currentIndex());
        QVERIFY(editor);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(chooser->isVisible());
        QCOMPARE(p.page()->lineCount(), 5);
        QCOMPARE(p.cell(4, 0), QStringLiteral("x"));
    }

    void aCodeInTheSifraCellTakesItsArticleOver()
    {
        Program p;
        addRows(p.window().workplace().engine(), "podaci/magacin.db",
                {{{"SIFRA", "4006381333931"},
                  {"NAZIV", "Olovka"},
                  {"GRUPAROBE", "02"},
                  {"NAZIVGRUPE", "Pribor"},
                  {"KOLICINA", "50"},
                  {"MAGACIN1", "50"}},
                 {{"SIFRA", "40063813339"}, {"NAZIV", "Gumica"}, {"KOLICINA", "5"}}});
        p.openIssue();
        p.number()->setText("17");
        p.page()->setMachine("M1", "X", "Presa");
        ItemChooser* chooser = p.assembly->goods().itemChooser;
        QVERIFY(QTest::qWaitForWindowActive(&p.window()));
        // The user comes back to the page with the chooser still open, or after closing it.
        // The offscreen platform keeps its focus window on the dialog, so from here on the keys
        // go to the focus widget one by one, as the keyboard would send them.
        auto backToTheGrid = [&](int row, bool closeChooser) {
            if (closeChooser)
                chooser->close();
            QApplication::setActiveWindow(&p.window());
            QVERIFY(QTest::qWaitForWindowActive(&p.window()));
            p.grid()->setFocus();
            p.grid()->setCurrentCell(row, 0);
        };

        // Typed by hand, key by key, into line 1.
        p.window().workplace().itemTableView().open();
        QTest::keyClicks(kFocused, "B", Qt::NoModifier, 30);
        QTest::keyClick(kFocused, Qt::Key_Return);
        QTRY_COMPARE(p.cell(0, 1), QStringLiteral("Artikal B"));
        QVERIFY(!chooser->isVisible());
        QVERIFY(!p.window().workplace().itemTableView().isOpen());
        QCOMPARE(p.page()->lineCount(), 1);
        QCOMPARE(p.cell(0, 2), QStringLiteral("0"));
        QCOMPARE(p.cell(0, 3), QStringLiteral("01"));
        QCOMPARE(p.cell(0, 4), QStringLiteral("Alati"));
        QCOMPARE(p.grid()->currentRow(), 0);
        QCOMPARE(p.grid()->currentColumn(), GoodsDocumentPage::kQuantityColumn);
        QTest::keyClicks(kFocused, "2");
        QTest::keyClick(kFocused, Qt::Key_Down);
        QTest::keyClick(kFocused, Qt::Key_Left);
        QTest::keyClick(kFocused, Qt::Key_Left);
        QCOMPARE(p.grid()->currentColumn(), GoodsDocumentPage::kCodeColumn);

        // A scanner's keys, all at once, into line 2; the shorter code is another article.
        QTest::keyClicks(kFocused, "4006381333931");
        QTest::keyClick(kFocused, Qt::Key_Return);
        QTRY_COMPARE(p.cell(1, 1), QStringLiteral("Olovka"));
        QVERIFY(!chooser->isVisible());
        QCOMPARE(p.page()->lineCount(), 2);
        QCOMPARE(p.cell(1, 0), QStringLiteral("4006381333931"));
        QCOMPARE(p.cell(1, 4), QStringLiteral("Pribor"));
        QTest::keyClicks(kFocused, "3");
        QTest::keyClick(kFocused, Qt::Key_Return);
        QTRY_COMPARE(p.cell(1, 2), QStringLiteral("3"));

        // A code that is no article's (a part of one, other letter case) opens the chooser, or
        // brings the open one to the front, with the text in its name search; the cell keeps the
        // text until the chooser delivers.
        for (const QString typed : {"400638133393", "b", "Olov"}) {
            backToTheGrid(2, false);
            typeKeys(typed);
            typeKeys(Qt::Key_Return);
            QTRY_VERIFY(chooser->isVisible());
            auto* name = chooser->findChild<QLineEdit*>("nazivRobe");
            QTRY_COMPARE(name->text(), typed);
            QCOMPARE(p.cell(2, 0), typed);
            QCOMPARE(p.page()->lineCount(), 3);
            QTRY_COMPARE(QApplication::focusWidget(), name);
            const QAbstractItemModel* found =
                chooser->findChild<QAbstractItemView*>("DBGrid1")->model();
            QCOMPARE(found->rowCount(), typed == "400638133393" ? 0 : 1);
        }
        // An empty cell opens it as it always did.
        backToTheGrid(3, true);
        typeKeys(Qt::Key_Return);
        QTRY_VERIFY(chooser->isVisible());
        QCOMPARE(chooser->findChild<QLineEdit*>("nazivRobe")->text(), QString());
        QCOMPARE(p.page()->lineCount(), 4);

        // Enter on a line that already holds its article keeps the quantity typed and opens the
        // chooser, as it always has, to choose another one.
        backToTheGrid(1, true);
        typeKeys(Qt::Key_Return);
        QTRY_VERIFY(chooser->isVisible());
        QCOMPARE(chooser->findChild<QLineEdit*>("nazivRobe")->text(), QString());
        QCOMPARE(p.cell(1, 2), QStringLiteral("3"));
        QCOMPARE(p.cell(1, 1), QStringLiteral("Olovka"));
        QCOMPARE(p.page()->lineCount(), 2);
        chooser->close();

        QTest::mouseClick(p.save(), Qt::LeftButton);
        QCOMPARE(p.messages.texts(), QStringList({Posting::kConfirm, Posting::kPosted}));
        QCOMPARE(p.stock("B"), QStringLiteral("2/2"));
        QCOMPARE(p.stock("4006381333931"), QStringLiteral("47/47"));
        QCOMPARE(p.stock("40063813339"), QStringLiteral("5/"));
    }

    void rechoosingAnEarlierLineShortensTheDocument()
    {
        Program p;
        p.openIssue();
        p.page()->setMachine("M1", "X", "Presa");
        p.choose(1, "A");
        p.typeQuantity(1, "1");
        p.choose(2, "A");
        p.typeQuantity(2, "2");
        p.choose(3, "B");
        p.typeQuantity(3, "1");
        QCOMPARE(p.page()->lineCount(), 3);
        p.choose(2, "B"); // replaces line 2 and resets its quantity
        QCOMPARE(p.page()->lineCount(), 2);
        QCOMPARE(p.cell(1, 0), QStringLiteral("B"));
        QCOMPARE(p.cell(1, 2), QStringLiteral("0"));
        // the quantity typed last is still in the cell editor when the button is clicked
        p.grid()->setCurrentCell(1, 2);
        QTest::keyClick(p.grid(), Qt::Key_2);
        QVERIFY(p.grid()->indexWidget(p.grid()->currentIndex()));
        QTest::mouseClick(p.save(), Qt::LeftButton);

        const QList<Row> rows = p.ledger();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].value("SIFRAROBE"), QStringLiteral("B"));
        QCOMPARE(rows[0].value("KOLICINA"), QStringLiteral("2"));
        QCOMPARE(rows[1].value("SIFRAROBE"), QStringLiteral("A"));
        QCOMPARE(p.stock("A"), QStringLiteral("9/9"));
        QCOMPARE(p.stock("B"), QStringLiteral("2/2"));
    }

    void postingAnIssueWritesLedgerStockAndCounters()
    {
        ScopedClock clock(QDateTime(QDate(2026, 3, 5), QTime(9, 0)));
        Program p;
        p.openIssue();
        p.fillExample();
        p.number()->setText("17");
        p.child<QLineEdit>("komentar1")->setText("Za servis");
        p.window().workplace().itemTableView().open();
        p.window().workplace().ledgerTableView().open();
        QTest::mouseClick(p.save(), Qt::LeftButton);

        QCOMPARE(p.messages.texts(), QStringList({Posting::kConfirm, Posting::kPosted}));
        const QList<Row> rows = p.ledger();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].value("SIFRAROBE"), QStringLiteral("B"));
        QCOMPARE(rows[0].value("KOLICINA"), QStringLiteral("1.5"));
        QCOMPARE(rows[1].value("SIFRAROBE"), QStringLiteral("A"));
        for (const Row& row : rows) {
            QCOMPARE(row.value("BROJDOKUMENTA"), QStringLiteral("42"));
            QCOMPARE(row.value("OTPREMNICA"), QStringLiteral("17"));
            QCOMPARE(row.value("ULAZ"), QStringLiteral("0"));
            QCOMPARE(row.value("UI"), QStringLiteral("K"));
            QCOMPARE(row.value("KUPAC"), QStringLiteral("VLASNIK"));
            QCOMPARE(row.value("KORISNIK"), QStringLiteral("Administrator"));
            QCOMPARE(row.value("DATUM"), QStringLiteral("05/03/2026"));
            QCOMPARE(row.value("KOMENTAR"), QStringLiteral("Za servis"));
            QCOMPARE(row.value("SIFRAMASINE"), QStringLiteral("M1"));
            QCOMPARE(row.value("SIFRAMASINE2"), QStringLiteral("X"));
            QCOMPARE(row.value("NAZIVMASINE"), QStringLiteral("Presa"));
        }
        QCOMPARE(p.stock("A"), QStringLiteral("7/7"));
        QCOMPARE(p.stock("B"), QStringLiteral("2.5/2.5"));
        QCOMPARE(p.counters(), QList<QByteArray>({"42\r\n", "17\r\n", "0\r\n"}));
        QCOMPARE(p.panels(), QStringList({"42", "17", "0"}));
        QCOMPARE(p.window().currentPageIndex(), PageIndex::AdminMenu);
        QCOMPARE(p.machineCode()->text(), QString());
        QVERIFY(!p.window().workplace().itemTableView().isOpen());
        QVERIFY(!p.window().workplace().ledgerTableView().isOpen());
        // the document stays in the page until it is opened again
        QCOMPARE(p.cell(0, 0), QStringLiteral("A"));
    }

    void workerPostsAReceiptChosenByTheModeButton()
    {
        Program p("777");
        QCOMPARE(p.window().currentPageIndex(), PageIndex::WorkerMenu);
        p.openIssue();
        p.fillExample();
        QTest::mouseClick(p.child<QRadioButton>("radioPrijemnica"), Qt::LeftButton);
        QCOMPARE(p.page()->selectedKind(), DocumentKind::Receipt);
        QCOMPARE(p.save()->text(), QStringLiteral("UPAMTI OTPREMNICU"));
        QVERIFY(p.machineCode()->isVisible());
        QTest::mouseClick(p.save(), Qt::LeftButton);

        const QList<Row> rows = p.ledger();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].value("ULAZ"), QStringLiteral("17"));
        QCOMPARE(rows[0].value("OTPREMNICA"), QStringLiteral("0"));
        QCOMPARE(rows[0].value("KORISNIK"), QStringLiteral("Marko"));
        QCOMPARE(p.stock("A"), QStringLiteral("13/13"));
        QCOMPARE(p.stock("B"), QStringLiteral("5.5/5.5"));
        QCOMPARE(p.counters(), QList<QByteArray>({"42\r\n", "16\r\n", "17\r\n"}));
        QCOMPARE(p.panels(), QStringList({"42", "16", "17"}));
        QCOMPARE(p.window().currentPageIndex(), PageIndex::WorkerMenu);
    }

    void equipmentSwitchDecidesOnTheMachine()
    {
        {
            Program p;
            p.openIssue();
            p.fillExample();
            p.page()->clearMachine();
            QTest::mouseClick(p.save(), Qt::LeftButton);
            QCOMPARE(p.messages.texts(),
                     QStringList({Posting::kConfirm, Posting::kMachineMissing}));
            QCOMPARE(p.window().currentPageIndex(), PageIndex::AdminMenu);
            QVERIFY(p.ledger().isEmpty());
            QCOMPARE(p.stock("A"), QStringLiteral("10/10"));
            QCOMPARE(p.counters(), kCountersBefore);
            QCOMPARE(p.panels(), kPanelsBefore);
        }
        Program p;
        p.window().workplace().setEquipmentSwitch(0);
        p.openIssue();
        p.fillExample();
        QTest::mouseClick(p.save(), Qt::LeftButton);
        QCOMPARE(p.messages.texts(), QStringList({Posting::kConfirm, Posting::kPosted}));
        const QList<Row> rows = p.ledger();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].value("SIFRAMASINE"), QString());
        QCOMPARE(rows[0].value("NAZIVMASINE"), QString());
        QCOMPARE(p.machineCode()->text(), QString());
        QCOMPARE(p.counters(), QList<QByteArray>({"42\r\n", "17\r\n", "0\r\n"}));
    }

    // A machine chosen for an issue that was never posted stays in the page's hidden fields;
    // the receipt posted next must not carry it into that machine's grouped delivery note.
    void receiptNeverCarriesAMachine()
    {
        Program p;
        addRows(p.window().workplace().engine(), "podaci/masina.db",
                {{{"SIFRAMASINE", "M1"}, {"SIFRA2", "X"}, {"NAZIVMASINE", "Presa"}}});
        p.openIssue();
        QTest::mouseClick(p.child<QPushButton>("btnIzaberiOpremu"), Qt::LeftButton);
        MachineChooser* machines = p.assembly->machineChooser();
        auto* codes = machines->findChild<QListWidget*>("machineCodeList");
        QTest::mouseClick(codes->viewport(), Qt::LeftButton, {},
                          codes->visualItemRect(codes->item(0)).center());
        QTest::mouseClick(machines->findChild<QPushButton*>("btnOk"), Qt::LeftButton);
        QCOMPARE(p.machineCode()->text(), QStringLiteral("M1"));
        p.window().trigger(NavAction::BackToAdminMenu);

        p.openReceipt();
        p.number()->setText("5");
        p.choose(1, "A");
        p.typeQuantity(1, "2");
        QTest::mouseClick(p.save(), Qt::LeftButton);
        QCOMPARE(p.messages.texts(), QStringList({Posting::kConfirm, Posting::kPosted}));
        const QList<Row> rows = p.ledger();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].value("ULAZ"), QStringLiteral("5"));
        for (const char* field : {"SIFRAMASINE", "SIFRAMASINE2", "NAZIVMASINE"})
            QVERIFY2(rows[0].value(field).isEmpty(), field);
        auto machineRows = p.window().workplace().engine().query(
            "SELECT * FROM podaci\\prometx WHERE SIFRAMASINE='M1' AND SIFRAMASINE2='X'");
        machineRows->open();
        QVERIFY(machineRows->isEmpty());
        QCOMPARE(p.stock("A"), QStringLiteral("12/12"));
    }

    void badValueKeepsTheDocumentAndWritesNothing_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("thirdQuantity");
        QTest::addColumn<QString>("error");
        QTest::newRow("quantity on line 3 of 3")
            << "17"
            << "3x"
            << "'3x' is not a valid floating point value for field 'KOLICINA'";
        QTest::newRow("empty quantity of an article") << "17"
                                                      << ""
                                                      << "'' is not a valid floating point value";
        QTest::newRow("number field")
            << "17a"
            << "1"
            << "'17a' is not a valid integer value for field 'OTPREMNICA'";
    }

    void badValueKeepsTheDocumentAndWritesNothing()
    {
        QFETCH(QString, number);
        QFETCH(QString, thirdQuantity);
        QFETCH(QString, error);
        Program p;
        p.openIssue();
        p.fillExample();
        p.choose(3, "A");
        p.typeQuantity(3, thirdQuantity);
        p.number()->setText(number);
        QTest::mouseClick(p.save(), Qt::LeftButton);
        QCOMPARE(p.messages.errors(), QStringList({error}));
        QCOMPARE(p.window().currentPageIndex(), PageIndex::GoodsDocument);
        QCOMPARE(p.number()->text(), number);
        QCOMPARE(p.cell(2, 2), thirdQuantity);
        QCOMPARE(p.machineCode()->text(), QStringLiteral("M1"));
        QVERIFY(p.ledger().isEmpty());
        QCOMPARE(p.stock("A"), QStringLiteral("10/10"));
        QCOMPARE(p.stock("B"), QStringLiteral("4/4"));
        QCOMPARE(p.counters(), kCountersBefore);
        QCOMPARE(p.panels(), kPanelsBefore);
    }

    void emptyDocumentIsRefused()
    {
        Program p;
        p.openIssue();
        p.page()->setMachine("M1", "X", "Presa");
        p.grid()->setCurrentCell(0, 2);
        p.grid()->setItem(0, 2, new QTableWidgetItem("5"));
        QTest::mouseClick(p.save(), Qt::LeftButton);
        QCOMPARE(p.messages.texts(), QStringList({Posting::kConfirm, Posting::kNothingToPost}));
        QCOMPARE(p.window().currentPageIndex(), PageIndex::AdminMenu);
        QVERIFY(p.ledger().isEmpty());
        QCOMPARE(p.counters(), kCountersBefore);
        QCOMPARE(p.panels(), kPanelsBefore);
    }

    // A number the ledger already holds for the kind is asked about before anything else: No
    // keeps the page with its document, Yes adds the lines to that document under a document
    // number of their own.
    void numberTheLedgerHoldsIsPostedOnlyWhenTheUserAgrees()
    {
        Program p;
        p.openIssue();
        p.fillExample();
        QTest::mouseClick(p.save(), Qt::LeftButton);
        p.openIssue();
        QCOMPARE(p.number()->text(), QStringLiteral("18"));
        p.fillExample();
        p.messages.clear();
        p.messages.answer(false);
        QTest::mouseClick(p.save(), Qt::LeftButton);
        const QString question =
            QStringLiteral("Otpremnica broj 17 vec postoji! Da li zelite da dodate stavke u nju?");
        QCOMPARE(p.messages.texts(), QStringList({question}));
        QCOMPARE(p.window().currentPageIndex(), PageIndex::GoodsDocument);
        QCOMPARE(p.cell(1, 2), QStringLiteral("1.5"));
        QCOMPARE(p.ledger().size(), 2);

        p.messages.clear();
        QTest::mouseClick(p.save(), Qt::LeftButton);
        QCOMPARE(p.messages.texts(), QStringList({question, Posting::kConfirm, Posting::kPosted}));
        const QList<Row> rows = p.ledger();
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0].value("OTPREMNICA"), QStringLiteral("17"));
        QCOMPARE(rows[0].value("BROJDOKUMENTA"), QStringLiteral("43"));
        QCOMPARE(rows[3].value("BROJDOKUMENTA"), QStringLiteral("42"));
        QCOMPARE(p.stock("A"), QStringLiteral("4/4"));

        // Receipt 17 is another document altogether.
        p.openReceipt();
        p.fillExample();
        p.messages.clear();
        QTest::mouseClick(p.save(), Qt::LeftButton);
        QCOMPARE(p.messages.texts(), QStringList({Posting::kConfirm, Posting::kPosted}));
    }

    void answeringNoChangesNothing()
    {
        Program p;
        p.openIssue();
        p.fillExample();
        p.messages.answer(false);
        QTest::mouseClick(p.save(), Qt::LeftButton);
        QCOMPARE(p.messages.texts(), QStringList({Posting::kConfirm}));
        QCOMPARE(p.window().currentPageIndex(), PageIndex::GoodsDocument);
        QVERIFY(p.ledger().isEmpty());
        QCOMPARE(p.stock("A"), QStringLiteral("10/10"));
        QCOMPARE(p.counters(), kCountersBefore);
        QCOMPARE(p.machineCode()->text(), QStringLiteral("M1"));
        QCOMPARE(p.cell(1, 2), QStringLiteral("1.5"));
    }

    void machineChooserFillsThePageOnlyWhileItIsShownAndLogOutEmptiesIt()
    {
        Program p;
        p.openIssue();
        MachineChooser* machines = p.assembly->machineChooser();
        QTest::mouseClick(p.child<QPushButton>("btnIzaberiOpremu"), Qt::LeftButton);
        QVERIFY(machines->isVisible());
        emit machines->delivered("M2", "Y", "Bager");
        QCOMPARE(p.machineCode()->text(), QStringLiteral("M2"));
        QCOMPARE(p.child<QLineEdit>("sifra2")->text(), QStringLiteral("Y"));
        QCOMPARE(p.child<QLineEdit>("nazivOpreme")->text(), QStringLiteral("Bager"));

        p.window().trigger(NavAction::BackToAdminMenu);
        emit machines->delivered("M3", "Z", "Kran");
        QCOMPARE(p.machineCode()->text(), QStringLiteral("M2"));

        QTest::mouseClick(p.window().findChild<QPushButton*>("glavniMeni"), Qt::LeftButton);
        QCOMPARE(p.window().currentPageIndex(), PageIndex::Login);
        QCOMPARE(p.machineCode()->text(), QString());
        QCOMPARE(p.child<QLineEdit>("sifra2")->text(), QString());
        QCOMPARE(p.child<QLineEdit>("nazivOpreme")->text(), QString());
    }
};

QTEST_MAIN(GoodsDocumentTest)
#include "tst_goodsdocument.moc"
