// Times of the report engine on a large report: layout of 100,000 rows (about 2,500 pages),
// the preview window up to its first painted page, and the PDF export of the first pages.
//   report_bench [rows] [pdf-path]
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "platform/Regional.h"
#include "reporting/ReportLayout.h"
#include "reporting/ReportPageView.h"
#include "reporting/ReportPainter.h"
#include "reporting/ReportPreviewWindow.h"
#include "reporting/TableRowSource.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

using namespace kestar;

namespace {

ReportDefinition stockList()
{
    ReportDefinition d;
    d.pageHeader.height = 16;
    d.pageHeader.addText("ime", "KESTAR d.o.o.", {0, 0, 0, 4}).toRightMargin().size(8, true);
    d.pageHeader.addText("adresa", "Glavna 1, Beograd", {0, 4, 0, 3.5}).toRightMargin().size(7);
    d.pageHeader.addText("mb", "MB 1234567 PIB 100200300", {0, 7.5, 0, 3.5})
        .toRightMargin()
        .size(7);
    d.pageHeader.addText("tel", "Tel. 011 123 456", {0, 11, 0, 3.5}).toRightMargin().size(7);
    d.title.height = 22;
    d.title.ruleBelow = 2;
    d.title.addText("naslov", "Popis robe u magacinu:", {0, 0, 60, 6}).size(12, true);
    d.title.addSystem("datum", SystemValue::Date, {60, 0, 30, 6}).size(12, true);
    const char* headings[] = {"Red.br.", "Sifra", "Naziv grupe", "Naziv artikla"};
    const double x[] = {0, 14, 34, 64};
    for (int i = 0; i < 4; ++i)
        d.title.addText(QStringLiteral("h%1").arg(i), headings[i], {x[i], 16, 30, 5});
    d.title.addText("hKolicina", "Kolicina", {118, 16, 20, 5}).alignRight();
    d.title.addText("hCena", "Cena", {140, 16, 20, 5}).alignRight();
    d.title.addText("hVrednost", "Vrednost", {164, 16, 20.6, 5}).alignCentre();
    d.detail.height = 5;
    d.detail.addSystem("rb", SystemValue::RowNumber, {0, 0, 12, 5}).alignCentre();
    d.detail.addField("sifra", "SIFRA", {14, 0, 20, 5});
    d.detail.addField("grupa", "NAZIVGRUPE", {34, 0, 30, 5});
    d.detail.addField("naziv", "NAZIV", {64, 0, 54, 5});
    d.detail.addField("kolicina", "KOLICINA", {118, 0, 20, 5}).alignRight().mask("0.00");
    d.detail.addField("cena", "CENANABAVNA", {140, 0, 20, 5}).alignRight().mask("0.00");
    d.detail.addExpression("vrednost", "Query5.KOLICINA * Query5.CENANABAVNA", {0, 0, 0, 5})
        .toRightMargin()
        .mask("0.00");
    d.summary.height = 8;
    d.summary.ruleAbove = 2;
    d.summary.addText("ukupnoNatpis", "UKUPNO:", {0, 1, 30, 5}).bold();
    d.summary.addExpression("ukupno", "SUM(Query5.KOLICINA*Query5.CENANABAVNA)", {0, 1, 0, 5})
        .toRightMargin()
        .mask("0.00");
    d.pageFooter.height = 8;
    d.pageFooter.addSystem("vreme", SystemValue::DateTime, {0, 3, 60, 4}).size(8);
    d.pageFooter.addSystem("strana", SystemValue::PageNumber, {0, 3, 0, 4})
        .toRightMargin()
        .prefix("Strana: ")
        .size(8);
    return d;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Regional::setCurrent(Regional::standard());
    const int rowCount = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;

    TableRowSource rows({"SIFRA", "NAZIVGRUPE", "NAZIV", "KOLICINA", "CENANABAVNA"},
                        {"KOLICINA", "CENANABAVNA"});
    for (int i = 0; i < rowCount; ++i)
        rows.addRow({QStringLiteral("S%1").arg(i, 6, 10, QLatin1Char('0')), QStringLiteral("Vijci"),
                     QStringLiteral("Vijak M%1 x %2").arg(4 + i % 8).arg(10 + i % 90),
                     QString::number(i % 50), QStringLiteral("%1.25").arg(i % 300)});

    const ReportDefinition definition = stockList();
    QElapsedTimer timer;
    timer.start();
    ReportPages pages = layoutReport(definition, rows, QStringLiteral("Popis robe"));
    const qint64 layoutMs = timer.elapsed();
    qsizetype texts = 0;
    for (const ReportPage& page : pages.pages)
        texts += page.texts.size();
    std::printf("layout: %d rows -> %lld pages, %lld texts in %lld ms\n", rowCount,
                qlonglong(pages.pageCount()), qlonglong(texts), qlonglong(layoutMs));

    timer.restart();
    auto* window = new ReportPreviewWindow(std::move(pages));
    qint64 firstPaintMs = -1;
    QObject::connect(window->pageView(), &ReportPageView::firstPaint, window, [&] {
        firstPaintMs = timer.elapsed();
        QTimer::singleShot(0, window, &QWidget::close);
    });
    QObject::connect(window, &ReportPreviewWindow::closed, &app, &QApplication::quit);
    window->show();
    QTimer::singleShot(10000, &app, &QApplication::quit);
    app.exec();
    std::printf("preview: first page painted %lld ms after the window was made\n",
                qlonglong(firstPaintMs));

    ReportPages first = layoutReport(definition, rows);
    first.pages.resize(qMin<qsizetype>(first.pages.size(), 50));
    QTemporaryDir dir;
    const QString path = argc > 2 ? QString::fromLocal8Bit(argv[2]) : dir.filePath("bench.pdf");
    timer.restart();
    QString error;
    const bool written = writePdf(first, path, &error);
    std::printf("pdf: %lld pages in %lld ms%s\n", qlonglong(first.pageCount()),
                qlonglong(timer.elapsed()), written ? "" : qPrintable(" FAILED: " + error));
    return written && firstPaintMs >= 0 ? 0 : 1;
}
