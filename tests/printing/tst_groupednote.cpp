#include "app/Assembly.h"
#include "data/Query.h"
#include "data/controls/DataGrid.h"
#include "masterdata/MachineChooser.h"
#include "platform/Clock.h"
#include "platform/Regional.h"
#include "printing/GroupedNotePage.h"
#include "printing/GroupedNoteReport.h"
#include "reporting/ReportCsv.h"
#include "shell/MainWindow.h"
#include "shell/StatusPanels.h"
#include "shell/Workplace.h"
#include "tests/support/CapturingPreviewer.h"
#include "tests/support/CsvReading.h"
#include "tests/support/Fixture.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestFolder.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

using namespace kestar;
using namespace kestar::test;

namespace {

Row ledger(const QString& issue, const QString& code, const QString& name, const QString& quantity,
           const QString& machine, const QString& machine2)
{
    return {{"OTPREMNICA", issue},     {"ULAZ", "0"},
            {"SIFRAROBE", code},       {"NAZIV", name},
            {"KOLICINA", quantity},    {"DATUM", "0" + issue + "/12/2026"},
            {"NAZIVGRUPE", "Vijci"},   {"SIFRAGRUPE", "7"},
            {"KORISNIK", "Pera"},      {"SIFRAMASINE", machine},
            {"SIFRAMASINE2", machine2}};
}

// Issue 9 stands before issue 5 in the ledger, as posting puts new rows at the top.
const QList<Row> kLedger = {
    ledger("9", "A1", "Vijak", "3", "M7", "2"), ledger("9", "B1", "Navrtka", "1", "M7", "2"),
    ledger("5", "A1", "Vijak", "2", "M7", "2"), ledger("6", "A1", "Vijak", "40", "M7", "3"),
    ledger("7", "C1", "Ploca", "8", "O'1", "")};

// The started program with the administrator logged in and the ledger given, on page 25.
struct Program
{
    explicit Program(const QList<Row>& rows = kLedger)
    {
        folder.writeStandardTextFiles();
        createAllTables();
        assembly = std::make_unique<Assembly>(messages, &previewer);
        addRows(window().workplace().engine(), QStringLiteral("podaci/prometx.db"), rows);
        assembly->start();
        logIn();
        window().trigger(PageKey::GroupedNote);
    }

    void logIn() const
    {
        window().workplace().setUser(QStringLiteral("Administrator"));
        window().showPage(PageKey::AdminMenu);
        messages.clear();
    }
    MainWindow& window() const { return assembly->window(); }
    GroupedNotePage* page() const
    {
        return qobject_cast<GroupedNotePage*>(window().page(PageKey::GroupedNote));
    }
    template <class T> T* find(const char* name) const
    {
        T* widget = page()->findChild<T*>(QLatin1String(name));
        if (!widget)
            qFatal("no widget named %s", name);
        return widget;
    }
    QPushButton* printSummary() const { return find<QPushButton>("btnStampajZbirno"); }
    QPushButton* printDetailed() const { return find<QPushButton>("btnStampajDetaljno"); }
    void click(const char* name) const
    {
        QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton);
    }
    void summaryView() const { click("btnPrikaziPodatkeGrupneOtpremniceZbirno"); }
    void detailedView() const { click("btnPrikaziPodatkeGrupneOtpremnice"); }
    QStringList fields() const
    {
        return {find<QLineEdit>("noteMachineCode")->text(),
                find<QLineEdit>("noteMachineCode2")->text(),
                find<QLineEdit>("noteMachineName")->text()};
    }
    // Picks a machine in the chooser by typing its fields and pressing OK.
    void chooseMachine(const QString& code, const QString& code2, const QString& name) const
    {
        MachineChooser* chooser = assembly->machineChooser();
        chooser->findChild<QLineEdit*>("machineCodeField")->setText(code);
        chooser->findChild<QLineEdit*>("machineCode2Field")->setText(code2);
        chooser->findChild<QLineEdit*>("machineNameField")->setText(name);
        QTest::mouseClick(chooser->findChild<QPushButton*>("btnOk"), Qt::LeftButton);
    }
    QStringList gridColumn(const QString& field) const
    {
        QAbstractItemModel* model = find<DataGrid>("noteGrid")->model();
        int column = -1;
        for (int c = 0; c < model->columnCount(); ++c) {
            if (model->headerData(c, Qt::Horizontal).toString() == field)
                column = c;
        }
        QStringList texts;
        for (int r = 0; r < model->rowCount(); ++r)
            texts << model->index(r, column).data().toString();
        return texts;
    }
    QStringList printed(const QString& element) const
    {
        QStringList texts;
        for (const ReportPage& page : previewer.last().pages)
            texts << page.textsOf(element);
        return texts;
    }

    TestFolder folder;
    mutable ScriptedMessages messages;
    CapturingPreviewer previewer;
    std::unique_ptr<Assembly> assembly;
};

} // namespace

class GroupedNoteTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Regional::setCurrent(Regional::standard()); }

    void statementsReadExactlyAsTheProgramIssuesThem()
    {
        QCOMPARE(GroupedNotePage::summaryStatement("M7", "2"),
                 QStringLiteral("select NAZIVGRUPE, SIFRAGRUPE, SIFRAROBE, NAZIV, sum(kolicina) "
                                "as ukupno from podaci\\prometx.db where siframasine='M7' and "
                                "siframasine2='2' group by NAZIVGRUPE, SIFRAGRUPE, SIFRAROBE, "
                                "NAZIV"));
        QCOMPARE(GroupedNotePage::detailedStatement("M7", "2"),
                 QStringLiteral("select OTPREMNICA, SIFRAROBE, NAZIV, KOLICINA, DATUM, KORISNIK, "
                                "NAZIVGRUPE, SIFRAGRUPE, KOMENTAR, KOMENTAR2 from "
                                "podaci\\prometx.db where siframasine='M7' and siframasine2='2' "
                                "order by otpremnica ASC"));
        QCOMPARE(GroupedNotePage::detailedStatement("O'1", ""),
                 QStringLiteral("select OTPREMNICA, SIFRAROBE, NAZIV, KOLICINA, DATUM, KORISNIK, "
                                "NAZIVGRUPE, SIFRAGRUPE, KOMENTAR, KOMENTAR2 from "
                                "podaci\\prometx.db where siframasine='O''1' and siframasine2='' "
                                "order by otpremnica ASC"));
    }

    void summaryAndDetailedViewsOfOneMachine()
    {
        ScopedClock clock(QDateTime(QDate(2026, 12, 20), QTime(10, 0)));
        Program p;
        p.click("btnIzaberiMasinu");
        QVERIFY(p.assembly->machineChooser()->isVisible());
        p.chooseMachine("M7", "2", "Bager");
        QCOMPARE(p.fields(), QStringList({"M7", "2", "Bager"}));

        p.summaryView();
        QCOMPARE(p.window().workplace().documentResultSet().sql(),
                 GroupedNotePage::summaryStatement("M7", "2"));
        QCOMPARE(p.gridColumn("SIFRAROBE"), QStringList({"A1", "B1"}));
        QCOMPARE(p.gridColumn("UKUPNO"), QStringList({"5", "1"}));
        QVERIFY(p.printSummary()->isEnabled());
        QVERIFY(!p.printDetailed()->isEnabled());

        QTest::mouseClick(p.printSummary(), Qt::LeftButton);
        QCOMPARE(p.previewer.count(), 1);
        QCOMPARE(p.previewer.captured().last().title, QStringLiteral("Zbirna otpremnica"));
        QCOMPARE(p.printed("quantity"), QStringList({"5.00", "1.00"}));
        QCOMPARE(p.printed("code"), QStringList({"A1", "B1"}));
        QCOMPARE(p.printed("groupCode"), QStringList({"7", "7"}));
        QVERIFY(p.printed("issue").isEmpty());
        QVERIFY(p.printed("headIssue").isEmpty());
        QVERIFY(p.printed("headDate").isEmpty());
        QCOMPARE(p.printed("headQuantity"), QStringList({"Kolicina"}));
        QCOMPARE(p.printed("titleMachineName"), QStringList({"MASINA: Bager"}));
        QCOMPARE(p.printed("titleMachineCode"), QStringList({"Sifra masine: M7"}));
        QCOMPARE(p.printed("titleMachineCode2"), QStringList({"Sifra 2 masine: 2"}));
        QCOMPARE(p.printed("titleDate"), QStringList({"20/12/2026"}));
        QCOMPARE(p.printed("titleNote"), QStringList({"Zbirna otpremnica"}));
        QVERIFY(p.previewer.last().notes.isEmpty());

        p.detailedView();
        QCOMPARE(p.gridColumn("OTPREMNICA"), QStringList({"5", "9", "9"}));
        QVERIFY(!p.printSummary()->isEnabled());
        QVERIFY(p.printDetailed()->isEnabled());
        QTest::mouseClick(p.printDetailed(), Qt::LeftButton);
        QCOMPARE(p.printed("issue"), QStringList({"5", "9", "9"}));
        QCOMPARE(p.printed("quantity").first(), QStringLiteral("2.00"));
        QCOMPARE(p.printed("quantity").size(), 3);
        QCOMPARE(p.printed("date").first(), QStringLiteral("05/12/2026"));
        QCOMPARE(p.printed("headIssue"), QStringList({"Otpremnica"}));
        QCOMPARE(p.printed("rowNumber"), QStringList({"1", "2", "3"}));
        QVERIFY(p.messages.texts().isEmpty());
    }

    void bothVariantsSaveAsCsvWithThePrintedColumns()
    {
        ScopedClock clock(QDateTime(QDate(2026, 12, 20), QTime(10, 0)));
        Program p;
        p.chooseMachine("M7", "2", "Bager");
        const QStringList head = {"Red.br.", "Sifra grupe robe", "Naziv grupe", "Sifra",
                                  "Naziv artikla"};
        const QStringList elements = {"rowNumber", "groupCode", "groupName", "code", "name"};
        auto csvOfLastPreview = [&] {
            const CsvFile file = readCsv(reportCsv(p.previewer.last().table));
            if (!file.error.isEmpty())
                qWarning("%s", qPrintable(file.error));
            return file.records;
        };

        p.summaryView();
        QTest::mouseClick(p.printSummary(), Qt::LeftButton);
        QList<QStringList> records = csvOfLastPreview();
        QCOMPARE(records.first(), head + QStringList({"Kolicina"}));
        QCOMPARE(records.mid(1),
                 laidOutRows(p.previewer.last(), elements + QStringList({"quantity"})));
        QCOMPARE(records.at(1), QStringList({"1", "7", "Vijci", "A1", "Vijak", "5.00"}));
        QCOMPARE(records.size(), 1 + 2);

        p.detailedView();
        QTest::mouseClick(p.printDetailed(), Qt::LeftButton);
        records = csvOfLastPreview();
        QCOMPARE(records.first(), head + QStringList({"Otpremnica", "Datum", "Kolicina"}));
        QCOMPARE(
            records.mid(1),
            laidOutRows(p.previewer.last(), elements + QStringList({"issue", "date", "quantity"})));
        QCOMPARE(records.at(3),
                 QStringList({"3", "7", "Vijci", "B1", "Navrtka", "9", "09/12/2026", "1.00"}));
        QCOMPARE(records.size(), 1 + 3);
    }

    void machineCodeWithApostropheAndEmptySecondCode()
    {
        Program p;
        p.chooseMachine("O'1", "", "Kran");
        p.detailedView();
        QVERIFY(p.messages.texts().isEmpty());
        QCOMPARE(p.gridColumn("SIFRAROBE"), QStringList({"C1"}));
    }

    void machineWithoutRowsGivesHeadingsOnly()
    {
        Program p;
        p.chooseMachine("M9", "1", "Prazna");
        p.summaryView();
        QCOMPARE(p.window().workplace().documentResultSet().rowCount(), 0);
        QTest::mouseClick(p.printSummary(), Qt::LeftButton);
        QCOMPARE(p.previewer.last().pageCount(), 1);
        QVERIFY(p.printed("code").isEmpty());
        QCOMPARE(p.printed("headName"), QStringList({"Naziv artikla"}));
        QCOMPARE(p.previewer.last().pages.first().lines.size(), 2);
    }

    void noMachineChosenShowsTheMessageAndChangesNothing()
    {
        Program p;
        p.chooseMachine("M7", "2", "Bager");
        p.summaryView();
        p.window().trigger(PageKey::AdminMenu);
        p.window().trigger(PageKey::GroupedNote);
        QCOMPARE(p.fields(), QStringList({"", "", ""}));
        p.detailedView();
        QCOMPARE(p.messages.texts(), QStringList({"PRVO IZABERITE MASINU!!!"}));
        QCOMPARE(p.window().workplace().documentResultSet().sql(),
                 GroupedNotePage::summaryStatement("M7", "2"));
        QVERIFY(p.printSummary()->isEnabled());
        QVERIFY(!p.printDetailed()->isEnabled());

        // Printing after re-opening prints the last view's rows under bare title lines.
        QTest::mouseClick(p.printSummary(), Qt::LeftButton);
        QCOMPARE(p.printed("titleMachineName"), QStringList({"MASINA: "}));
        QCOMPARE(p.printed("quantity"), QStringList({"5.00", "1.00"}));
    }

    void printButtonsFollowTheViewsAndLogOut()
    {
        Program p;
        QVERIFY(!p.printSummary()->isEnabled());
        QVERIFY(!p.printDetailed()->isEnabled());
        p.chooseMachine("M7", "2", "Bager");
        p.detailedView();
        QVERIFY(!p.printSummary()->isEnabled());
        QVERIFY(p.printDetailed()->isEnabled());
        p.summaryView();
        QVERIFY(p.printSummary()->isEnabled());
        QVERIFY(!p.printDetailed()->isEnabled());

        // Opening the page leaves them alone; log out switches both off.
        p.window().trigger(PageKey::GroupedNote);
        QVERIFY(p.printSummary()->isEnabled());
        p.window().trigger(ActionKey::LogOut);
        QVERIFY(!p.printSummary()->isEnabled());
        QVERIFY(!p.printDetailed()->isEnabled());
        QVERIFY(!p.window().workplace().documentResultSet().isOpen());
        p.logIn();
        p.window().trigger(PageKey::GroupedNote);
        QVERIFY(!p.printSummary()->isEnabled());
        QVERIFY(!p.printDetailed()->isEnabled());
    }

    void chooserDeliversOnlyWhileThisPageIsShown()
    {
        Program p;
        p.chooseMachine("M7", "2", "Bager");
        p.window().trigger(PageKey::AdminMenu);
        p.assembly->machineChooser()->open();
        p.chooseMachine("M8", "1", "Kran");
        p.window().showPage(PageKey::GroupedNote);
        QCOMPARE(p.fields(), QStringList({"M7", "2", "Bager"}));
    }

    void printOfAReplacedResultLeavesTheQuantityEmptyAndSaysSo()
    {
        Program p;
        p.chooseMachine("M7", "2", "Bager");
        p.summaryView();
        // The document print page puts its own statement into the shared result set.
        Query& shared = p.window().workplace().documentResultSet();
        shared.setSql(QStringLiteral("select OTPREMNICA, SIFRAROBE from podaci\\prometx where "
                                     "OTPREMNICA=9"));
        shared.open();
        QTest::mouseClick(p.printSummary(), Qt::LeftButton);
        QVERIFY(p.messages.texts().isEmpty());
        QCOMPARE(p.printed("quantity"), QStringList({"", ""}));
        QCOMPARE(p.printed("code"), QStringList({"A1", "B1"}));
        QVERIFY(!p.previewer.last().notes.isEmpty());
        QVERIFY(p.previewer.last().notes.join('\n').contains(QLatin1String("UKUPNO")));

        // A closed result set prints an empty note.
        shared.close();
        QTest::mouseClick(p.printSummary(), Qt::LeftButton);
        QVERIFY(p.messages.texts().isEmpty());
        QVERIFY(p.printed("code").isEmpty());
    }

    void prepareSwitchesTheVariantBothWays()
    {
        ReportDefinition report = GroupedNoteReport::definition(Letterhead{});
        GroupedNoteReport::prepare(report, GroupedNoteVariant::Summary, {"M", "2", "N"}, "d");
        QCOMPARE(report.element("quantity").field, QStringLiteral("UKUPNO"));
        QVERIFY(!report.element("date").enabled);
        GroupedNoteReport::prepare(report, GroupedNoteVariant::Detailed, {"M", "2", "N"}, "d");
        QCOMPARE(report.element("quantity").field, QStringLiteral("KOLICINA"));
        QVERIFY(report.element("date").enabled);
        QVERIFY(report.element("headIssue").enabled);
        QCOMPARE(report.fontOf(report.element("titleNote")).pointSize, 14.0);
        QCOMPARE(report.summary.ruleAbove, 2.0);
        QVERIFY(report.summary.elements.isEmpty());
    }
};

QTEST_MAIN(GroupedNoteTest)
#include "tst_groupednote.moc"
