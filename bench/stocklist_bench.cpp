// Times of the two listings on the generated data folder (100,000 articles, 1,000,000 ledger
// rows): the stock list over every article as the print button shows it (the stock query and
// the preview window up to its first painted page, with the peak resident set), then counting
// its pages, its PDF and its CSV, beside raw SQLite reading the same rows; and
// the two views of the busiest machine with the grouped delivery note laid out over them.
//   stocklist_bench [cache-folder] [pdf-folder]
// The PDF files are kept in pdf-folder when it is given.

#include "DataGenerator.h"
#include "ResidentMemory.h"

#include "data/Engine.h"
#include "data/Query.h"
#include "data/controls/BoxMessages.h"
#include "platform/Clock.h"
#include "platform/Regional.h"
#include "printing/GroupedNotePage.h"
#include "printing/GroupedNoteReport.h"
#include "printing/StockListPage.h"
#include "printing/StockListReport.h"
#include "reporting/DatasetRowSource.h"
#include "reporting/ReportCsv.h"
#include "reporting/ReportDocument.h"
#include "reporting/ReportLayout.h"
#include "reporting/ReportPageView.h"
#include "reporting/ReportPainter.h"
#include "reporting/ReportPreviewWindow.h"
#include "shell/Letterhead.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <memory>
#include <sqlite3.h>
#include <stdexcept>

using namespace kestar;
using namespace kestar::bench;

namespace {

QTextStream out(stdout);

Letterhead sampleLetterhead()
{
    Letterhead head;
    head.name = QStringLiteral("Kestar d.o.o.");
    head.address = QStringLiteral("Glavna 1, 11000 Beograd");
    head.registration = QStringLiteral("MB 1234567  PIB 100200300");
    head.telephone = QStringLiteral("Tel. 011 123 456");
    return head;
}

void result(const char* name, double value, const char* unit)
{
    out << "RESULT " << name << ' ' << QString::number(value, 'f', 3) << ' ' << unit << Qt::endl;
}

void writeTimed(const ReportPages& pages, const QString& path, const char* what)
{
    QElapsedTimer timer;
    timer.start();
    QString error;
    const bool written = writePdf(pages, path, &error);
    out << what << ": " << pages.pageCount() << " pages to PDF in " << timer.elapsed() << " ms"
        << (written ? QString() : QStringLiteral(" FAILED: ") + error) << Qt::endl;
}

// The least work for the stock list's rows: raw SQLite reading the printed fields of every
// article and summing the values, in the table's order.
double rawStockRead()
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2("podaci/magacin.db", &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    QElapsedTimer timer;
    timer.start();
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, "SELECT SIFRA, NAZIVGRUPE, NAZIV, KOLICINA, CENANABAVNA FROM magacin",
                       -1, &select, nullptr);
    qint64 rows = 0;
    qint64 bytes = 0;
    double total = 0;
    while (sqlite3_step(select) == SQLITE_ROW) {
        for (int i = 0; i < 3; ++i)
            bytes += sqlite3_column_bytes(select, i);
        total += sqlite3_column_double(select, 3) * sqlite3_column_double(select, 4);
        ++rows;
    }
    sqlite3_finalize(select);
    const double ms = timer.nsecsElapsed() / 1e6;
    sqlite3_close(db);
    out << "raw sqlite: " << rows << " articles (" << bytes << " bytes of text, total "
        << QString::number(total, 'f', 2) << ") in " << ms << " ms" << Qt::endl;
    return ms;
}

struct Preview
{
    double firstPage = 0; // seconds
    double counted = 0;   // seconds, until the page count shows
};

// What the print button does: the stock query (read in pages, as the page's own), then the
// preview window up to its first painted page, and on until the window has counted every
// page (reading the rest of the rows as it goes).
Preview previewFirstPage(Engine& engine, const ReportDefinition& report)
{
    QElapsedTimer timer;
    timer.start();
    Query stock(engine, StockListPage::stockStatement({}, false));
    stock.setInPages(true);
    stock.open();
    const double queried = timer.nsecsElapsed() / 1e6;
    // Lives as long as the preview, as on the page.
    const DatasetRowSource rows(stock);
    auto document =
        std::make_unique<ReportDocument>(report, rows, QStringLiteral("Popis robe u magacinu"));
    const double copied = timer.nsecsElapsed() / 1e6;
    ReportDocument& pages = *document;
    BoxMessages messages; // nothing fails to print or save here, so no box ever shows
    auto* window = new ReportPreviewWindow(std::move(document), messages);
    double painted = -1;
    QEventLoop loop;
    QObject::connect(window->pageView(), &ReportPageView::firstPaint, &loop, [&] {
        painted = timer.nsecsElapsed() / 1e6;
        loop.quit();
    });
    window->show();
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
    out << "stock list preview: query " << queried << " ms, document made at " << copied
        << " ms, first page painted at " << painted << " ms (" << pages.laidOutPages()
        << " pages laid out, " << stock.rowCount() << " rows read)" << Qt::endl;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (pages.isCounted())
            loop.quit();
    });
    poll.start(1);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    const double counted = timer.nsecsElapsed() / 1e6;
    out << "stock list preview: " << pages.knownPageCount() << " pages counted at " << counted
        << " ms" << Qt::endl;
    window->close();
    delete window;
    return {painted / 1000.0, counted / 1000.0};
}

void stockList(Engine& engine, const QString& pdfFolder)
{
    const ReportDefinition report = StockListReport::definition(sampleLetterhead());
    const double raw = rawStockRead();
    out << "resident before the preview: " << statusMb("VmRSS:") << " MB" << Qt::endl;
    resetPeak();
    const Preview preview = previewFirstPage(engine, report);
    const double peak = statusMb("VmHWM:");

    // Counting every page, the PDF and the CSV of the whole list, each with its own peak.
    Query stock(engine, StockListPage::stockStatement({}, false));
    stock.open();
    QElapsedTimer timer;
    timer.start();
    const DatasetRowSource rows(stock);
    ReportDocument document(report, rows, QStringLiteral("Popis robe"));
    const int pages = document.pageCount();
    const double countMs = timer.nsecsElapsed() / 1e6;
    out << "stock list: " << stock.rowCount() << " articles, " << pages << " pages counted in "
        << countMs << " ms" << Qt::endl;
    resetPeak();
    timer.restart();
    QString error;
    const bool pdf =
        writePdf(document, QDir(pdfFolder).filePath(QStringLiteral("stocklist.pdf")), &error);
    const double pdfMs = timer.nsecsElapsed() / 1e6;
    const double pdfPeak = statusMb("VmHWM:");
    out << "stock list pdf (all): " << pages << " pages in " << pdfMs << " ms, peak " << pdfPeak
        << " MB" << (pdf ? QString() : QStringLiteral(" FAILED: ") + error) << Qt::endl;
    timer.restart();
    const bool csv =
        writeReportCsv(document, QDir(pdfFolder).filePath(QStringLiteral("stocklist.csv")), &error);
    const double csvMs = timer.nsecsElapsed() / 1e6;
    out << "stock list csv: " << csvMs << " ms, peak " << statusMb("VmHWM:") << " MB"
        << (csv ? QString() : QStringLiteral(" FAILED: ") + error) << Qt::endl;

    result("stocklist_first_page", preview.firstPage, "s");
    result("stocklist_peak", peak, "MB");
    result("stocklist_raw_read", raw, "ms");
    result("stocklist_first_page_ratio", preview.firstPage * 1000.0 / raw, "x");
    result("stocklist_preview_counted", preview.counted, "s");
    result("stocklist_count", countMs, "ms");
    result("stocklist_pdf", pdfMs, "ms");
    result("stocklist_pdf_peak", pdfPeak, "MB");
    result("stocklist_csv", csvMs, "ms");

    timer.restart();
    Query group(engine, StockListPage::stockStatement(QStringLiteral("Lezajevi"), true));
    group.open();
    out << "stock query of one group: " << group.rowCount() << " articles in " << timer.elapsed()
        << " ms" << Qt::endl;
}

void groupedNote(Engine& engine, const QString& pdfFolder)
{
    const QString code = DataGenerator::busyMachine();
    const QString code2 = DataGenerator::busyMachine2();
    const NoteMachine machine{code, code2, QStringLiteral("Bager")};
    const QString today = Regional::formatDate(Clock::today());
    const struct
    {
        GroupedNoteVariant variant;
        QString statement;
        const char* name;
    } views[] = {
        {GroupedNoteVariant::Summary, GroupedNotePage::summaryStatement(code, code2), "summary"},
        {GroupedNoteVariant::Detailed, GroupedNotePage::detailedStatement(code, code2), "detailed"},
    };
    for (const auto& view : views) {
        QElapsedTimer timer;
        timer.start();
        Query result(engine, view.statement);
        result.open();
        out << view.name << " view of machine " << code << "/" << code2 << ": " << result.rowCount()
            << " rows in " << timer.elapsed() << " ms" << Qt::endl;
        ReportDefinition report = GroupedNoteReport::definition(sampleLetterhead());
        GroupedNoteReport::prepare(report, view.variant, machine, today);
        timer.restart();
        const ReportPages pages = layoutReport(report, DatasetRowSource(result));
        out << view.name << " note layout: " << pages.pageCount() << " pages in " << timer.elapsed()
            << " ms" << Qt::endl;
        writeTimed(pages, QDir(pdfFolder).filePath(QStringLiteral("note-%1.pdf").arg(view.name)),
                   "grouped note pdf");
    }
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Regional::setCurrent(Regional::standard());
    const QStringList args = QApplication::arguments();
    const QString cache = args.size() > 1 && !args.at(1).isEmpty()
                              ? args.at(1)
                              : QString::fromUtf8(KESTAR_BENCH_DATA);
    QTemporaryDir scratch;
    const QString pdfFolder = args.size() > 2 ? args.at(2) : scratch.path();
    try {
        const QString data = DataGenerator::ensure(cache, out);
        // Only reads: the cached folder itself is used.
        QDir::setCurrent(data);
        Engine engine;
        stockList(engine, pdfFolder);
        groupedNote(engine, pdfFolder);
    } catch (const std::exception& error) {
        out << "benchmark failed: " << error.what() << Qt::endl;
        return 1;
    }
    return 0;
}
