// Times of the report engine on a large report of 100,000 rows (about 2,500 pages): the
// preview window up to its first painted page with the peak resident set, counting the pages,
// the whole layout at once, and the PDF export of the first pages; beside raw SQLite reading
// the same rows.
//   report_bench [rows] [pdf-path]
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "ResidentMemory.h"

#include "data/controls/BoxMessages.h"
#include "platform/Regional.h"
#include "reporting/ReportDocument.h"
#include "reporting/ReportLayout.h"
#include "reporting/ReportPageView.h"
#include "reporting/ReportPainter.h"
#include "reporting/ReportPreviewWindow.h"
#include "reporting/TableRowSource.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <sqlite3.h>

using namespace kestar;
using namespace kestar::bench;

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

// The least work for the same rows: raw SQLite reading them back from a table file written
// beforehand (the writing is not timed).
double rawRead(const TableRowSource& rows)
{
    QTemporaryDir dir;
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(dir.filePath("rows.db")).constData(), &db);
    sqlite3_exec(db,
                 "CREATE TABLE t (SIFRA TEXT, NAZIVGRUPE TEXT, NAZIV TEXT, KOLICINA REAL, "
                 "CENANABAVNA REAL); BEGIN",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO t VALUES (?1, ?2, ?3, ?4, ?5)", -1, &insert, nullptr);
    for (qint64 row = 0; row < rows.rowCount(); ++row) {
        for (int field = 0; field < 5; ++field) {
            const QByteArray text = rows.text(row, field).toUtf8();
            sqlite3_bind_text(insert, field + 1, text.constData(), int(text.size()),
                              SQLITE_TRANSIENT);
        }
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);

    QElapsedTimer timer;
    timer.start();
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, "SELECT SIFRA, NAZIVGRUPE, NAZIV, KOLICINA, CENANABAVNA FROM t", -1,
                       &select, nullptr);
    qint64 bytes = 0;
    double total = 0;
    while (sqlite3_step(select) == SQLITE_ROW) {
        for (int i = 0; i < 3; ++i)
            bytes += sqlite3_column_bytes(select, i);
        total += sqlite3_column_double(select, 3) * sqlite3_column_double(select, 4);
    }
    sqlite3_finalize(select);
    const double ms = timer.nsecsElapsed() / 1e6;
    sqlite3_close(db);
    std::printf("raw sqlite: %lld rows (%lld bytes of text, total %.2f) in %.1f ms\n",
                qlonglong(rows.rowCount()), qlonglong(bytes), total, ms);
    return ms;
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
    const double raw = rawRead(rows);

    // The preview of a report laid out as its pages are asked for: from the rows to the
    // first painted page, and the peak resident set meanwhile.
    resetPeak();
    QElapsedTimer timer;
    timer.start();
    auto document = std::make_unique<ReportDocument>(definition, rows, QStringLiteral("Popis"));
    ReportDocument& lazy = *document;
    BoxMessages messages; // nothing fails to print or save here, so no box ever shows
    auto* window = new ReportPreviewWindow(std::move(document), messages);
    double firstPaintMs = -1;
    QObject::connect(window->pageView(), &ReportPageView::firstPaint, window, [&] {
        firstPaintMs = timer.nsecsElapsed() / 1e6;
        QTimer::singleShot(0, window, &QWidget::close);
    });
    QObject::connect(window, &ReportPreviewWindow::closed, &app, &QApplication::quit);
    window->show();
    QTimer::singleShot(10000, &app, &QApplication::quit);
    app.exec();
    const double previewPeak = statusMb("VmHWM:");
    std::printf("preview: first page painted %.1f ms after the rows were handed over (%d page "
                "laid out), peak %.1f MB\n",
                firstPaintMs, lazy.laidOutPages(), previewPeak);

    timer.restart();
    ReportDocument counted(definition, rows);
    const int pageCount = counted.pageCount();
    const double countMs = timer.nsecsElapsed() / 1e6;
    std::printf("count: %d pages in %.1f ms\n", pageCount, countMs);

    timer.restart();
    ReportPages pages = layoutReport(definition, rows, QStringLiteral("Popis robe"));
    const double layoutMs = timer.nsecsElapsed() / 1e6;
    qsizetype texts = 0;
    for (const ReportPage& page : pages.pages)
        texts += page.texts.size();
    std::printf("whole layout: %d rows -> %lld pages, %lld texts in %.1f ms, peak %.1f MB\n",
                rowCount, qlonglong(pages.pageCount()), qlonglong(texts), layoutMs,
                statusMb("VmHWM:"));

    ReportPages first = std::move(pages);
    first.pages.resize(qMin<qsizetype>(first.pages.size(), 50));
    QTemporaryDir dir;
    const QString path = argc > 2 ? QString::fromLocal8Bit(argv[2]) : dir.filePath("bench.pdf");
    timer.restart();
    QString error;
    const bool written = writePdf(first, path, &error);
    const double pdfMs = timer.nsecsElapsed() / 1e6;
    std::printf("pdf: %lld pages in %.1f ms%s\n", qlonglong(first.pageCount()), pdfMs,
                written ? "" : qPrintable(" FAILED: " + error));

    std::printf("RESULT report_first_page %.3f ms\n", firstPaintMs);
    std::printf("RESULT report_peak %.1f MB\n", previewPeak);
    std::printf("RESULT report_raw_read %.3f ms\n", raw);
    std::printf("RESULT report_count %.3f ms\n", countMs);
    std::printf("RESULT report_layout_all %.3f ms\n", layoutMs);
    std::printf("RESULT report_pdf_50_pages %.3f ms\n", pdfMs);
    return written && firstPaintMs >= 0 ? 0 : 1;
}
