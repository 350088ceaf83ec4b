#include "app/Assembly.h"
#include "data/Query.h"
#include "data/Table.h"
#include "platform/Regional.h"
#include "printing/DocumentPrintPage.h"
#include "reporting/ReportCsv.h"
#include "shell/MainWindow.h"
#include "shell/StatusPanels.h"
#include "shell/Workplace.h"
#include "tests/support/CapturingPreviewer.h"
#include "tests/support/CsvReading.h"
#include "tests/support/Fixture.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestFolder.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

using namespace kestar;
using namespace kestar::test;

namespace {

Row issueLine(const QString& number, const QString& code, const QString& quantity,
              const QString& machine)
{
    return {{"OTPREMNICA", number},
            {"ULAZ", "0"},
            {"SIFRAROBE", code},
            {"NAZIV", "Artikal " + code},
            {"KOLICINA", quantity},
            {"KORISNIK", "Marko"},
            {"SIFRAGRUPE", "01"},
            {"NAZIVGRUPE", "Alati"},
            {"SIFRAMASINE", machine},
            {"SIFRAMASINE2", "X"},
            {"NAZIVMASINE", "Presa " + machine}};
}

Row receiptLine(const QString& number, const QString& code)
{
    return {{"OTPREMNICA", "0"},          {"ULAZ", number},      {"SIFRAROBE", code},
            {"NAZIV", "Artikal " + code}, {"KOLICINA", "5"},     {"KORISNIK", "Jovan"},
            {"SIFRAGRUPE", "02"},         {"NAZIVGRUPE", "Boje"}};
}

const QString kIssueColumns = "Select OTPREMNICA, SIFRAROBE, NAZIV, KOLICINA, SIFRAKUPCA, DATUM, "
                              "VALUTA, KORISNIK, NAZIVGRUPE, SIFRAGRUPE, KOMENTAR, KOMENTAR2, "
                              "SIFRAMASINE, SIFRAMASINE2, NAZIVMASINE from podaci\\prometx where ";

// A started program logged in as the administrator, with issues 11 and 12 (two lines for
// machine M1) and receipt 3 in the ledger; the issue counter at 12, the receipt counter at 3.
struct Program
{
    explicit Program(const QByteArray& lastIssue = "12", const QByteArray& lastReceipt = "3")
    {
        folder.writeStandardTextFiles();
        folder.write("otpremnica.txt", lastIssue + "\r\n");
        folder.write("ulaz.txt", lastReceipt + "\r\n");
        createAllTables();
        assembly = std::make_unique<Assembly>(messages, &previewer);
        addRows(window().workplace().engine(), "podaci/prometx.db",
                {issueLine("12", "A", "3", "M1"), receiptLine("3", "R"),
                 issueLine("12", "B", "1.5", "M1"), issueLine("11", "C", "2", "M2")});
        addRows(window().workplace().engine(), "podaci/korisnici.db",
                {{{"SIFRA", "123"}, {"KORISNIK", "Administrator"}}});
        assembly->start();
        auto* field = window().findChild<QLineEdit*>("passwordField");
        QTest::keyClicks(field, "123");
        QTest::keyClick(field, Qt::Key_Return);
    }

    MainWindow& window() const { return assembly->window(); }
    DocumentPrintPage* page() const
    {
        return qobject_cast<DocumentPrintPage*>(window().page(PageKey::DocumentPrint));
    }
    template <typename T> T* child(const QString& name) const
    {
        auto* widget = page()->findChild<T*>(name);
        if (!widget)
            qFatal("no widget %s", qPrintable(name));
        return widget;
    }
    QLineEdit* number() const { return child<QLineEdit>("printNumber"); }
    void up() const { QTest::mouseClick(child<QToolButton>("printNumberUp"), Qt::LeftButton); }
    void down() const { QTest::mouseClick(child<QToolButton>("printNumberDown"), Qt::LeftButton); }
    void print() const
    {
        QTest::mouseClick(child<QPushButton>("btnStampajDokument"), Qt::LeftButton);
    }
    void clickKind(const char* name) const
    {
        QTest::mouseClick(child<QRadioButton>(name), Qt::LeftButton);
    }
    int gridRows() const { return child<QTableView>("printGrid")->model()->rowCount(); }
    QStringList machine() const
    {
        return {child<QLabel>("printMachineCode")->text(),
                child<QLabel>("printMachineCode2")->text(),
                child<QLabel>("printMachineName")->text()};
    }
    QString sql() const { return window().workplace().documentResultSet().sql(); }
    QString firstText(const ReportPages& pages, const QString& element) const
    {
        const PageText* text = pages.pages.first().find(element);
        return text ? text->text : QStringLiteral("<none>");
    }

    TestFolder folder;
    ScriptedMessages messages;
    CapturingPreviewer previewer;
    std::unique_ptr<Assembly> assembly;
};

} // namespace

class DocumentPrintTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Regional::setCurrent(Regional::standard()); }

    void firstEntryLoadsTheLastIssue()
    {
        Program p;
        auto* before = p.window().findChild<QLabel*>("printMachineCode");
        QCOMPARE(before->text(), QStringLiteral("Sifra masine"));
        QCOMPARE(p.child<QLabel>("printMachineName")->text(), QStringLiteral("Naziv masine"));

        QWidget* menu = p.window().page(PageKey::AdminMenu);
        auto* button = menu->findChild<QPushButton*>("btnOtpremnica");
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(p.window().currentPage(), PageKey::DocumentPrint);
        QVERIFY(p.child<QRadioButton>("printKindIssue")->isChecked());
        QCOMPARE(p.child<QLabel>("printInstruction")->text(),
                 QStringLiteral("Unesite broj OTPREMNICE koju zelite da stampate..."));
        QCOMPARE(p.number()->text(), QStringLiteral("12"));
        QCOMPARE(p.sql(), kIssueColumns + "(OTPREMNICA='12')");
        QCOMPARE(p.gridRows(), 2);
        QCOMPARE(p.machine(), (QStringList{"M1", "X", "Presa M1"}));
        QVERIFY(p.window().workplace().ledgerTableView().isOpen());
        QVERIFY(p.window().workplace().documentResultSet().isReadOnly());
        QVERIFY(p.messages.texts().isEmpty());
    }

    void arrowsStepWithinTheRangeAndQueryEveryStep()
    {
        Program p;
        p.window().trigger(ActionKey::PrintIssueNotes);

        // Past the last number: the next number is queried, the field stays at the last one.
        p.up();
        QCOMPARE(p.sql(), kIssueColumns + "(OTPREMNICA='13')");
        QCOMPARE(p.number()->text(), QStringLiteral("12"));
        QCOMPARE(p.page()->position(), 12);
        QCOMPARE(p.gridRows(), 0);
        QCOMPARE(p.machine(), (QStringList{"", "", ""}));

        p.down();
        QCOMPARE(p.number()->text(), QStringLiteral("11"));
        QCOMPARE(p.gridRows(), 1);
        QCOMPARE(p.machine(), (QStringList{"M2", "X", "Presa M2"}));

        // The arrow keys in the field step too.
        p.number()->setFocus();
        for (int i = 0; i < 11; ++i)
            QTest::keyClick(p.number(), Qt::Key_Down);
        QCOMPARE(p.number()->text(), QStringLiteral("0"));
        QCOMPARE(p.sql(), kIssueColumns + "(OTPREMNICA='0')");
        // Number 0 holds the rows of the other kind.
        QCOMPARE(p.gridRows(), 1);
        QCOMPARE(p.window().workplace().documentResultSet().text("SIFRAROBE"), QStringLiteral("R"));
        QTest::keyClick(p.number(), Qt::Key_Down);
        QCOMPARE(p.number()->text(), QStringLiteral("0"));
        QCOMPARE(p.gridRows(), 0);
        QTest::keyClick(p.number(), Qt::Key_Up);
        QCOMPARE(p.number()->text(), QStringLiteral("1"));

        p.print();
        QCOMPARE(p.previewer.count(), 1);
        QCOMPARE(p.firstText(p.previewer.last(), "documentTitle"),
                 QStringLiteral("Otpremnica broj 1"));
    }

    void typedNumberCountsFromTheNextArrow()
    {
        Program p;
        p.window().trigger(ActionKey::PrintIssueNotes);
        p.number()->setText("5");
        QCOMPARE(p.sql(), kIssueColumns + "(OTPREMNICA='12')");
        QCOMPARE(p.page()->position(), 12);

        // Printing without a step prints the typed number over the rows of the last query.
        p.print();
        QCOMPARE(p.previewer.count(), 1);
        const ReportPages& typed = p.previewer.last();
        QCOMPARE(p.firstText(typed, "documentTitle"), QStringLiteral("Otpremnica broj 5"));
        QCOMPARE(typed.pages.first().textsOf("itemCode"), (QStringList{"A", "B"}));

        p.up();
        QCOMPARE(p.sql(), kIssueColumns + "(OTPREMNICA='6')");
        QCOMPARE(p.number()->text(), QStringLiteral("6"));
        p.number()->setText("11");
        p.down();
        QCOMPARE(p.number()->text(), QStringLiteral("10"));
        // Text that is no number leaves the step to the control's own position.
        p.number()->setText("abc");
        p.up();
        QCOMPARE(p.number()->text(), QStringLiteral("11"));
        QCOMPARE(p.gridRows(), 1);
    }

    void switchingKindsQueriesOnlyWhenTheLastNumbersDiffer()
    {
        Program p;
        p.window().trigger(ActionKey::PrintIssueNotes);
        p.clickKind("printKindReceipt");
        QCOMPARE(p.child<QLabel>("printInstruction")->text(),
                 QStringLiteral("Unesite broj PRIJEMNICE koji zelite da stampate..."));
        QCOMPARE(p.number()->text(), QStringLiteral("3"));
        QVERIFY(p.sql().endsWith(" from podaci\\prometx where (ULAZ='3')"));
        QVERIFY(p.sql().startsWith("Select ULAZ, SIFRAROBE, NAZIV,"));
        QCOMPARE(p.gridRows(), 1);
        // Clicking the selected kind again does nothing.
        p.down();
        p.clickKind("printKindReceipt");
        QCOMPARE(p.number()->text(), QStringLiteral("2"));

        p.clickKind("printKindIssue");
        QCOMPARE(p.sql(), kIssueColumns + "(OTPREMNICA='12')");
        QCOMPARE(p.gridRows(), 2);

        // Re-entering without a step since: nothing queried, the field keeps its text.
        p.up();
        QCOMPARE(p.sql(), kIssueColumns + "(OTPREMNICA='13')");
        p.window().trigger(ActionKey::PrintIssueNotes);
        QCOMPARE(p.sql(), kIssueColumns + "(OTPREMNICA='13')");
        // A new issue saved since: the counter is read again and its document queried.
        p.folder.write("otpremnica.txt", "11\r\n");
        p.window().trigger(ActionKey::PrintIssueNotes);
        QCOMPARE(p.sql(), kIssueColumns + "(OTPREMNICA='11')");
        QCOMPARE(p.page()->upper(), 11);

        // Both kinds at the same last number: switching queries nothing.
        p.folder.write("ulaz.txt", "11\r\n");
        p.clickKind("printKindReceipt");
        QCOMPARE(p.sql(), kIssueColumns + "(OTPREMNICA='11')");
        QCOMPARE(p.page()->selectedKind(), NoteKind::Receipt);
        QCOMPARE(p.child<QLabel>("printInstruction")->text(),
                 QStringLiteral("Unesite broj PRIJEMNICE koji zelite da stampate..."));
        // The menu's receipt action selects the receipt kind afresh, from the other kind too.
        p.window().menuItem("Otpremnica")->trigger();
        QVERIFY(p.child<QRadioButton>("printKindIssue")->isChecked());
        p.folder.write("ulaz.txt", "3\r\n");
        p.window().menuItem("Prijemnice")->trigger();
        QVERIFY(p.child<QRadioButton>("printKindReceipt")->isChecked());
        QCOMPARE(p.number()->text(), QStringLiteral("3"));
        QVERIFY(p.messages.texts().isEmpty());
    }

    void numbersBeyondSixteenBitsAreReachableAndShownGrouped()
    {
        Program p("40000");
        addRows(p.window().workplace().engine(), "podaci/prometx.db",
                {issueLine("40000", "Z", "7", "M9")});
        p.window().trigger(ActionKey::PrintIssueNotes);
        QCOMPARE(p.number()->text(), QStringLiteral("40,000"));
        QCOMPARE(p.sql(), kIssueColumns + "(OTPREMNICA='40000')");
        QCOMPARE(p.gridRows(), 1);
        p.down();
        QCOMPARE(p.number()->text(), QStringLiteral("39,999"));
        QCOMPARE(p.sql(), kIssueColumns + "(OTPREMNICA='39999')");
        // A typed grouped number steps from its value.
        p.number()->setText("1,235");
        p.down();
        QCOMPARE(p.number()->text(), QStringLiteral("1,234"));
        QCOMPARE(p.sql(), kIssueColumns + "(OTPREMNICA='1234')");
        p.print();
        QCOMPARE(p.firstText(p.previewer.last(), "documentTitle"),
                 QStringLiteral("Otpremnica broj 1,234"));
    }

    void printShowsTheNoteOnceAndWaitsForThePreview()
    {
        Program p;
        p.window().trigger(ActionKey::PrintIssueNotes);
        p.child<QCheckBox>("printComment1")->setChecked(true);
        p.child<QLineEdit>("printCommentText1")->setText("Hitno za O'Neil");
        p.child<QLineEdit>("printCommentText2")->setText("iskljucen");
        p.child<QCheckBox>("printComment3")->setChecked(true);
        p.print();
        QCOMPARE(p.previewer.count(), 1);
        QCOMPARE(p.previewer.captured().last().title, QStringLiteral("Otpremnica broj 12"));
        const ReportPages& pages = p.previewer.last();
        const ReportPage& page = pages.pages.first();
        QCOMPARE(p.firstText(pages, "storekeeperCaption"),
                 QStringLiteral("Magacioner koji je izdao robu"));
        QCOMPARE(p.firstText(pages, "storekeeper"), QStringLiteral("Marko"));
        QCOMPARE(p.firstText(pages, "machineLine1"), QStringLiteral("Sifra masine: M1"));
        QCOMPARE(p.firstText(pages, "machineLine3"), QStringLiteral("NAZIV MASINE: Presa M1"));
        QCOMPARE(page.textsOf("quantity"), (QStringList{"3.00", "1.50"}));
        QCOMPARE(page.textsOf("rowNumber"), (QStringList{"1", "2"}));
        QCOMPARE(page.textsOf("comment1"), QStringList{"Hitno za O'Neil"});
        QVERIFY(page.textsOf("comment2").isEmpty());
        QCOMPARE(page.textsOf("comment3"), QStringList{QString()});
        QCOMPARE(p.firstText(pages, "letterName"), p.window().workplace().letterhead().name);

        // While a preview is open a second press opens nothing and brings it to the front.
        p.previewer.setPreviewOpen(true);
        p.print();
        QCOMPARE(p.previewer.count(), 1);
        QCOMPARE(p.previewer.raiseCount(), 1);
        p.previewer.setPreviewOpen(false);

        // A receipt prints its own caption and no machine lines.
        p.window().trigger(ActionKey::PrintReceiptNotes);
        p.print();
        const ReportPages& receipt = p.previewer.last();
        QCOMPARE(p.firstText(receipt, "documentTitle"), QStringLiteral("Prijemnica broj 3"));
        QCOMPARE(p.firstText(receipt, "storekeeper"), QStringLiteral("Jovan"));
        QCOMPARE(p.firstText(receipt, "machineLine1"), QString());
        QVERIFY(p.messages.texts().isEmpty());
    }

    void issueAndReceiptNotesSaveAsCsvWithTheirPrintedLines()
    {
        Program p;
        const QStringList head = {"Red.br.", "Sifra grupe robe", "Naziv grupe",
                                  "Sifra",   "Naziv artikla",    "Kolicina"};
        const QStringList elements = {"rowNumber", "groupCode", "groupName",
                                      "itemCode",  "itemName",  "quantity"};
        for (const QString& kind : {ActionKey::PrintIssueNotes, ActionKey::PrintReceiptNotes}) {
            p.window().trigger(kind);
            p.print();
            const ReportPages& pages = p.previewer.last();
            const CsvFile file = readCsv(reportCsv(pages.table));
            QVERIFY2(file.error.isEmpty(), qPrintable(file.error));
            QVERIFY(file.byteOrderMark);
            QCOMPARE(file.records.first(), head);
            // One record per printed line; a note prints no total.
            QCOMPARE(file.records.mid(1), laidOutRows(pages, elements));
        }
        const CsvFile receipt = readCsv(reportCsv(p.previewer.last().table));
        QCOMPARE(receipt.records.size(), 2);
        QCOMPARE(receipt.records.at(1), QStringList({"1", "02", "Boje", "R", "Artikal R", "5.00"}));
        const CsvFile issue = readCsv(reportCsv(p.previewer.captured().first().pages.table));
        QCOMPARE(issue.records.size(), 3);
        QCOMPARE(issue.records.at(2), QStringList({"2", "01", "Alati", "B", "Artikal B", "1.50"}));
    }

    void logOutClosesTheResultSetAndPrintingThenFails()
    {
        Program p;
        p.window().trigger(ActionKey::PrintIssueNotes);
        QVERIFY(p.window().workplace().documentResultSet().isOpen());
        p.window().trigger(ActionKey::LogOut);
        QVERIFY(!p.window().workplace().documentResultSet().isOpen());
        QVERIFY(!p.window().workplace().ledgerTableView().isOpen());
        QCOMPARE(p.gridRows(), 0);

        // Back in without a new query: the same number, nothing queried, no note.
        auto* field = p.window().findChild<QLineEdit*>("passwordField");
        QTest::keyClicks(field, "123");
        QTest::keyClick(field, Qt::Key_Return);
        p.window().trigger(ActionKey::PrintIssueNotes);
        QVERIFY(!p.window().workplace().documentResultSet().isOpen());
        p.print();
        QCOMPARE(p.previewer.count(), 0);
        QCOMPARE(p.messages.errors(), QStringList{"Field 'KORISNIK' not found"});
    }

    void unreadableCounterLeavesTheControlAsItWas()
    {
        Program p;
        p.window().trigger(ActionKey::PrintIssueNotes);
        p.folder.write("ulaz.txt", "3a\r\n");
        p.clickKind("printKindReceipt");
        QCOMPARE(p.messages.errors(), QStringList{"'3a' is not a valid integer value"});
        QVERIFY(p.child<QRadioButton>("printKindReceipt")->isChecked());
        QCOMPARE(p.page()->selectedKind(), NoteKind::Receipt);
        QCOMPARE(p.page()->upper(), 12);
        QCOMPARE(p.number()->text(), QStringLiteral("12"));
        QCOMPARE(p.child<QLabel>("printInstruction")->text(),
                 QStringLiteral("Unesite broj OTPREMNICE koju zelite da stampate..."));

        p.messages.clear();
        p.folder.remove("otpremnica.txt");
        p.window().trigger(ActionKey::PrintIssueNotes);
        QCOMPARE(p.messages.errors().size(), 1);
        // A counter kept nowhere: no file, or no row of the database.
        const QString missing = test::onPostgres()
                                    ? QStringLiteral("U bazi podataka nema zapisa otpremnica.txt")
                                    : QStringLiteral("Cannot open file");
        QVERIFY2(p.messages.errors().first().startsWith(missing),
                 qPrintable(p.messages.errors().first()));
        QCOMPARE(p.window().currentPage(), PageKey::DocumentPrint);
    }
};

QTEST_MAIN(DocumentPrintTest)
#include "tst_documentprint.moc"
