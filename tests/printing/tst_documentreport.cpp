#include "platform/Clock.h"
#include "platform/Regional.h"
#include "printing/DocumentReport.h"
#include "reporting/ReportLayout.h"
#include "reporting/ReportPainter.h"
#include "reporting/TableRowSource.h"
#include "shell/Letterhead.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace kestar;

namespace {

const QStringList kLedgerFields = {"OTPREMNICA", "SIFRAROBE",  "NAZIV",      "KOLICINA",
                                   "KORISNIK",   "NAZIVGRUPE", "SIFRAGRUPE", "SIFRAMASINE"};

Letterhead firm()
{
    return {"KESTAR PROBA d.o.o.", "Industrijska 4, Novi Sad", "MB 1234567", "Tel. 021/555-333"};
}

// Ledger rows of one document: rows issue lines of article "A<i>" in group "01", quantity i.
TableRowSource ledgerRows(int rows)
{
    TableRowSource source(kLedgerFields, {"OTPREMNICA", "KOLICINA"});
    for (int i = 1; i <= rows; ++i)
        source.addRow({"1234", QStringLiteral("A%1").arg(i), QStringLiteral("Artikal %1").arg(i),
                       QString::number(i), "Marko", "Alati", "01", "M1"});
    return source;
}

DocumentReportInput issueInput()
{
    DocumentReportInput input;
    input.kind = NoteKind::Issue;
    input.storekeeper = "Marko";
    input.machineCode = "M1";
    input.machineCode2 = "X";
    input.machineName = "Presa";
    input.number = "1,234";
    input.comments = {NoteComment{true, "Hitno"}, NoteComment{false, "ne stampa se"},
                      NoteComment{true, ""}};
    return input;
}

QString textOf(const ReportPage& page, const QString& element)
{
    const PageText* text = page.find(element);
    return text ? text->text : QStringLiteral("<none>");
}

const FontSpec& fontOf(const ReportPages& pages, const ReportPage& page, const QString& element)
{
    return pages.fonts.at(page.find(element)->font);
}

} // namespace

class DocumentReportTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { Regional::setCurrent(Regional::standard()); }

    void issueNoteCarriesLetterheadTitleRowsAndFooterOnEveryPage()
    {
        const ScopedClock clock(QDateTime(QDate(2026, 3, 5), QTime(9, 30, 15)));
        const TableRowSource rows = ledgerRows(120);
        const ReportPages pages =
            layoutReport(DocumentReport::definition(firm(), issueInput()), rows);
        QCOMPARE(pages.pageCount(), 3);

        const double rightMargin = 210 - 12.7;
        QStringList rowNumbers;
        QStringList quantities;
        for (const ReportPage& page : pages.pages) {
            const QString at = QStringLiteral("page %1").arg(page.number);
            for (const char* name :
                 {"letterName", "letterAddress", "letterRegistration", "letterTelephone"}) {
                const PageText* line = page.find(name);
                QVERIFY2(line, qPrintable(at + " " + name));
                QCOMPARE(line->align, Align::Right);
                QVERIFY2(qAbs(line->rect.right() - rightMargin) < 0.01, qPrintable(at));
            }
            QCOMPARE(textOf(page, "letterName"), QStringLiteral("KESTAR PROBA d.o.o."));
            QCOMPARE(textOf(page, "letterTelephone"), QStringLiteral("Tel. 021/555-333"));
            QCOMPARE(textOf(page, "footerPage"), QStringLiteral("Strana: %1").arg(page.number));
            QVERIFY2(textOf(page, "footerDateTime").contains("05/03/2026"), qPrintable(at));
            rowNumbers += page.textsOf("rowNumber");
            quantities += page.textsOf("quantity");
            // The title only on the first page, the summary only on the last.
            QCOMPARE(page.find("documentTitle") != nullptr, page.number == 1);
            QCOMPARE(page.find("signatureLine") != nullptr, page.number == 3);
        }
        QCOMPARE(rowNumbers.size(), 120);
        QCOMPARE(rowNumbers.first(), QStringLiteral("1"));
        QCOMPARE(rowNumbers.last(), QStringLiteral("120"));
        QCOMPARE(quantities.first(), QStringLiteral("1.00"));
        QCOMPARE(quantities.last(), QStringLiteral("120.00"));

        const ReportPage& first = pages.pages.first();
        QCOMPARE(textOf(first, "storekeeperCaption"),
                 QStringLiteral("Magacioner koji je izdao robu"));
        QCOMPARE(fontOf(pages, first, "storekeeperCaption").pointSize, 12.0);
        QVERIFY(fontOf(pages, first, "storekeeperCaption").bold);
        QCOMPARE(textOf(first, "storekeeper"), QStringLiteral("Marko"));
        QCOMPARE(textOf(first, "machineLine1"), QStringLiteral("Sifra masine: M1"));
        QCOMPARE(textOf(first, "machineLine2"), QStringLiteral("Sifra2 masine: X"));
        QCOMPARE(textOf(first, "machineLine3"), QStringLiteral("NAZIV MASINE: Presa"));
        QCOMPARE(textOf(first, "dateCaption"), QStringLiteral("Datum racuna"));
        QCOMPARE(textOf(first, "documentTitle"), QStringLiteral("Otpremnica broj 1,234"));
        QCOMPARE(fontOf(pages, first, "documentTitle").pointSize, 14.0);
        QCOMPARE(first.find("documentTitle")->align, Align::Right);
        QCOMPARE(textOf(first, "headRowNumber"), QStringLiteral("Red.br."));
        QCOMPARE(textOf(first, "headGroupCode"), QStringLiteral("Sifra grupe robe"));
        QCOMPARE(textOf(first, "headGroupName"), QStringLiteral("Naziv grupe"));
        QCOMPARE(textOf(first, "headCode"), QStringLiteral("Sifra"));
        QCOMPARE(textOf(first, "headName"), QStringLiteral("Naziv artikla"));
        QCOMPARE(textOf(first, "headQuantity"), QStringLiteral("Kolicina"));
        // The group code is a text field: the mask leaves it as it is.
        QCOMPARE(first.textsOf("groupCode").first(), QStringLiteral("01"));
        QCOMPARE(first.textsOf("itemName").first(), QStringLiteral("Artikal 1"));
        QCOMPARE(first.textsOf("itemCode").first(), QStringLiteral("A1"));

        // The headings stand left to right without overlapping, the quantity at the margin.
        QList<QRectF> headings;
        for (const char* name : {"headRowNumber", "headGroupCode", "headGroupName", "headCode",
                                 "headName", "headQuantity"})
            headings << first.find(name)->rect;
        // The quantity heading spans the band to align at its right end.
        for (int i = 1; i < headings.size() - 1; ++i)
            QVERIFY(headings.at(i - 1).right() <= headings.at(i).left());
        QVERIFY(qAbs(headings.last().right() - rightMargin) < 0.01);
        QCOMPARE(first.find("quantity")->align, Align::Right);
        // A 2 pt rule under the title band, another above the summary.
        QVERIFY(std::any_of(first.lines.begin(), first.lines.end(),
                            [](const PageLine& l) { return l.thickness == 2; }));

        const ReportPage& last = pages.pages.last();
        QCOMPARE(textOf(last, "signatureLine"), QStringLiteral("_______________________________"));
        QCOMPARE(textOf(last, "signatureCaption"), QStringLiteral("Robu primio"));
        QCOMPARE(last.find("signatureCaption")->align, Align::Right);
        QCOMPARE(last.textsOf("comment1"), QStringList{"Hitno"});
        QVERIFY(last.textsOf("comment2").isEmpty());
        // Switched on with an empty field: an empty line, printed all the same.
        QCOMPARE(last.textsOf("comment3"), QStringList{QString()});
        QVERIFY(std::any_of(last.lines.begin(), last.lines.end(),
                            [](const PageLine& l) { return l.thickness == 2; }));
    }

    void receiptNoteHasItsCaptionAndBlankMachineLines()
    {
        DocumentReportInput input = issueInput();
        input.kind = NoteKind::Receipt;
        input.number = "7";
        input.comments = {};
        const TableRowSource rows = ledgerRows(2);
        const ReportPages pages = layoutReport(DocumentReport::definition(firm(), input), rows);
        QCOMPARE(pages.pageCount(), 1);
        const ReportPage& page = pages.pages.first();
        QCOMPARE(textOf(page, "storekeeperCaption"),
                 QStringLiteral("Magacioner koji je primio robu"));
        QCOMPARE(textOf(page, "documentTitle"), QStringLiteral("Prijemnica broj 7"));
        for (const char* name : {"machineLine1", "machineLine2", "machineLine3"})
            QVERIFY2(textOf(page, name).isEmpty(), name);
        QCOMPARE(page.textsOf("groupName"), (QStringList{"Alati", "Alati"}));
        QCOMPARE(textOf(page, "signatureCaption"), QStringLiteral("Robu primio"));
        for (const char* name : {"comment1", "comment2", "comment3"})
            QVERIFY2(page.textsOf(name).isEmpty(), name);
    }

    void noteWithoutRowsPrintsHeadingsAndNumericGroupColumnsTakeTheMask()
    {
        const TableRowSource none(kLedgerFields);
        const ReportPages empty =
            layoutReport(DocumentReport::definition(firm(), issueInput()), none);
        QCOMPARE(empty.pageCount(), 1);
        QCOMPARE(textOf(empty.pages.first(), "headQuantity"), QStringLiteral("Kolicina"));
        QVERIFY(empty.pages.first().textsOf("rowNumber").isEmpty());
        QCOMPARE(textOf(empty.pages.first(), "signatureCaption"), QStringLiteral("Robu primio"));

        // A summed result whose group columns are numbers prints them with two decimals.
        TableRowSource numeric(kLedgerFields, {"KOLICINA", "SIFRAGRUPE", "NAZIVGRUPE"});
        numeric.addRow({"0", "A", "Artikal", "2.5", "", "3", "4"});
        const ReportPages pages =
            layoutReport(DocumentReport::definition(firm(), issueInput()), numeric);
        const ReportPage& page = pages.pages.first();
        QCOMPARE(page.textsOf("groupCode"), QStringList{"4.00"});
        QCOMPARE(page.textsOf("groupName"), QStringList{"3.00"});
        QCOMPARE(page.textsOf("quantity"), QStringList{"2.50"});
    }

    void pdfOfTheNoteHoldsItsTexts()
    {
        const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
        if (pdftotext.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        const ScopedClock clock(QDateTime(QDate(2026, 3, 5), QTime(9, 30, 15)));
        const TableRowSource rows = ledgerRows(60);
        const ReportPages pages =
            layoutReport(DocumentReport::definition(firm(), issueInput()), rows);
        QCOMPARE(pages.pageCount(), 2);

        QTemporaryDir dir;
        const QString path = dir.filePath("otpremnica.pdf");
        QString error;
        QVERIFY2(writePdf(pages, path, &error), qPrintable(error));
        QProcess process;
        process.start(pdftotext, {"-layout", path, "-"});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        const QString text = QString::fromUtf8(process.readAllStandardOutput());
        for (const QString& expected :
             {QStringLiteral("KESTAR PROBA d.o.o."),
              QStringLiteral("Magacioner koji je izdao robu"),
              QStringLiteral("Otpremnica broj 1,234"), QStringLiteral("NAZIV MASINE: Presa"),
              QStringLiteral("Sifra grupe robe"), QStringLiteral("Artikal 60"),
              QStringLiteral("60.00"), QStringLiteral("Robu primio"), QStringLiteral("Hitno"),
              QStringLiteral("Strana: 1"), QStringLiteral("Strana: 2"),
              QStringLiteral("05/03/2026")})
            QVERIFY2(text.contains(expected), qPrintable(expected));
        QVERIFY(!text.contains("ne stampa se"));
    }
};

QTEST_MAIN(DocumentReportTest)
#include "tst_documentreport.moc"
