#include "platform/Clock.h"
#include "platform/Regional.h"
#include "reporting/ReportFonts.h"
#include "reporting/ReportLayout.h"
#include "reporting/ReportPainter.h"
#include "reporting/TableRowSource.h"

#include <QFontInfo>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace kestar;

namespace {

ReportDefinition stockList()
{
    ReportDefinition d;
    d.pageHeader.height = 15;
    d.pageHeader.addText("firma", "KESTAR PROBA d.o.o.", {0, 0, 0, 4})
        .toRightMargin()
        .size(8, true);
    d.title.height = 12;
    d.title.ruleBelow = 2;
    d.title.addText("naslov", "Popis robe u magacinu:", {0, 0, 70, 6}).size(12, true);
    d.title.addSystem("datum", SystemValue::Date, {72, 0, 40, 6}).size(12, true);
    d.detail.height = 5;
    d.detail.addSystem("rb", SystemValue::RowNumber, {0, 0, 10, 5}).alignCentre();
    d.detail.addField("naziv", "NAZIV", {15, 0, 60, 5});
    d.detail.addExpression("vrednost", "KOLICINA * CENANABAVNA", {0, 0, 0, 5})
        .toRightMargin()
        .mask("0.00");
    d.summary.height = 8;
    d.summary.ruleAbove = 2;
    d.summary.addText("ukupnoNatpis", "UKUPNO:", {0, 1, 30, 5}).bold();
    d.summary.addExpression("ukupno", "SUM(KOLICINA*CENANABAVNA)", {0, 1, 0, 5})
        .toRightMargin()
        .mask("0.00");
    d.pageFooter.height = 8;
    d.pageFooter.addSystem("strana", SystemValue::PageNumber, {0, 2, 0, 4})
        .toRightMargin()
        .prefix("Strana: ")
        .size(8);
    return d;
}

} // namespace

class TestReportPdf : public QObject
{
    Q_OBJECT

private slots:
    void pdfHoldsTheReportsTexts()
    {
        const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
        if (pdftotext.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        const ScopedRegional regional(Regional::standard());
        const ScopedClock clock(QDateTime(QDate(2024, 3, 7), QTime(9, 30)));
        TableRowSource rows({"NAZIV", "KOLICINA", "CENANABAVNA"}, {"KOLICINA", "CENANABAVNA"});
        rows.addRow({"Vijak M8", "2", "10.50"});
        rows.addRow({"Matica M8", "0", "99"});
        rows.addRow({"Podloska", "1.5", ""});
        for (int i = 0; i < 60; ++i)
            rows.addRow({QStringLiteral("Zavrtanj %1").arg(i), "1", "1"});
        const ReportPages pages = layoutReport(stockList(), rows, "Popis robe");
        QCOMPARE(pages.pageCount(), 2);

        QTemporaryDir dir;
        const QString path = dir.filePath("popis.pdf");
        QString error;
        QVERIFY2(writePdf(pages, path, &error), qPrintable(error));

        QProcess process;
        process.start(pdftotext, {"-layout", path, "-"});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        const QString text = QString::fromUtf8(process.readAllStandardOutput());
        for (const QString& expected :
             {QStringLiteral("KESTAR PROBA d.o.o."), QStringLiteral("Popis robe u magacinu:"),
              QStringLiteral("07/03/2024"), QStringLiteral("Vijak M8"), QStringLiteral("21.00"),
              QStringLiteral("Zavrtanj 59"), QStringLiteral("UKUPNO:"), QStringLiteral("81.00"),
              QStringLiteral("Strana: 1"), QStringLiteral("Strana: 2")})
            QVERIFY2(text.contains(expected), qPrintable(expected));
        // Two pages, separated by a form feed.
        QCOMPARE(text.count(QLatin1Char('\f')), 2);

        QProcess fonts;
        fonts.start(QStandardPaths::findExecutable("pdffonts"), {path});
        if (fonts.waitForFinished(30000) && fonts.exitCode() == 0)
            QVERIFY(QString::fromUtf8(fonts.readAllStandardOutput()).contains("LiberationSans"));
    }

    void printerPrintsTheChosenPageRange()
    {
        const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
        if (pdftotext.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        const ScopedRegional regional(Regional::standard());
        TableRowSource rows({"NAZIV", "KOLICINA", "CENANABAVNA"}, {"KOLICINA", "CENANABAVNA"});
        for (int i = 1; i <= 120; ++i)
            rows.addRow({QStringLiteral("Red %1").arg(i), "1", "1"});
        const ReportPages pages = layoutReport(stockList(), rows);
        QCOMPARE(pages.pageCount(), 3);

        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath("stampa.pdf"));
        printer.setPageSize(QPageSize(QPageSize::Letter));
        QVERIFY(paintReport(pages, printer, 2, 2));
        QCOMPARE(printer.pageLayout().pageSize().id(), QPageSize::A4);

        QProcess process;
        process.start(pdftotext, {"-layout", dir.filePath("stampa.pdf"), "-"});
        QVERIFY(process.waitForFinished(30000));
        const QString text = QString::fromUtf8(process.readAllStandardOutput());
        QCOMPARE(text.count(QLatin1Char('\f')), 1);
        QVERIFY(text.contains("Strana: 2"));
        QVERIFY(!text.contains("Strana: 1"));
        QVERIFY(!text.contains("Popis robe u magacinu:"));
    }

    void unwritablePathIsReported()
    {
        const ReportPages pages = layoutReport(stockList(), TableRowSource({"NAZIV"}));
        QString error;
        QVERIFY(!writePdf(pages, "/nonexistent-folder/x/popis.pdf", &error));
        QVERIFY(error.contains("/nonexistent-folder/x/popis.pdf"));
        QVERIFY(!writePdf(pages, QString(), &error));
        QVERIFY(!error.isEmpty());
    }

    void arialIsDrawnWithItsMetricTwin()
    {
        QCOMPARE(printedFamily("Arial"), QStringLiteral("Liberation Sans"));
        QCOMPARE(printedFamily("Times New Roman"), QStringLiteral("Liberation Serif"));
        QCOMPARE(printedFamily("Liberation Mono"), QStringLiteral("Liberation Mono"));
        const QFont font = reportFont(FontSpec{QStringLiteral("Arial"), 10, true}, 10);
        QCOMPARE(QFontInfo(font).family(), QStringLiteral("Liberation Sans"));
        QVERIFY(QFontInfo(font).bold());
    }
};

QTEST_MAIN(TestReportPdf)
#include "tst_reportpdf.moc"
