// Times of the two listings on the generated data folder (100,000 articles, 1,000,000 ledger
// rows): the stock query and the stock list report over every article (layout and PDF), and
// the two views of the busiest machine with the grouped delivery note laid out over them.
//   stocklist_bench [cache-folder] [pdf-folder]
// The PDF files are kept in pdf-folder when it is given.

#include "DataGenerator.h"

#include "data/Engine.h"
#include "data/Query.h"
#include "platform/Clock.h"
#include "platform/Regional.h"
#include "printing/GroupedNotePage.h"
#include "printing/GroupedNoteReport.h"
#include "printing/StockListPage.h"
#include "printing/StockListReport.h"
#include "reporting/DatasetRowSource.h"
#include "reporting/ReportLayout.h"
#include "reporting/ReportPainter.h"
#include "shell/Letterhead.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

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

qsizetype textCount(const ReportPages& pages)
{
    qsizetype texts = 0;
    for (const ReportPage& page : pages.pages)
        texts += page.texts.size();
    return texts;
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

void stockList(Engine& engine, const QString& pdfFolder)
{
    QElapsedTimer timer;
    timer.start();
    Query stock(engine, StockListPage::stockStatement({}, false));
    stock.open();
    out << "stock query: " << stock.rowCount() << " articles in " << timer.elapsed() << " ms"
        << Qt::endl;

    const ReportDefinition report = StockListReport::definition(sampleLetterhead());
    timer.restart();
    const ReportPages pages = layoutReport(report, DatasetRowSource(stock));
    out << "stock list layout: " << pages.pageCount() << " pages, " << textCount(pages)
        << " texts in " << timer.elapsed() << " ms" << Qt::endl;
    writeTimed(pages, QDir(pdfFolder).filePath(QStringLiteral("stocklist.pdf")),
               "stock list pdf (all)");

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
