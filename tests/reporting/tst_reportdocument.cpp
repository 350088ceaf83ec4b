#include "data/Engine.h"
#include "data/Query.h"
#include "data/Transaction.h"
#include "platform/Clock.h"
#include "platform/Regional.h"
#include "reporting/DatasetRowSource.h"
#include "reporting/ReportCsv.h"
#include "reporting/ReportDocument.h"
#include "reporting/ReportLayout.h"
#include "reporting/ReportPageView.h"
#include "reporting/ReportPainter.h"
#include "reporting/ReportPreviewWindow.h"
#include "reporting/TableRowSource.h"
#include "tests/support/Fixture.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestFolder.h"

#include <QAction>
#include <QLabel>
#include <QProcess>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <optional>
#include <stdexcept>

using namespace kestar;
using namespace kestar::test;

namespace {

// A stock list: title once, numbered rows, a value per row, the total of all rows at the end,
// and a sum of all rows in the page header as well, which the first page already needs.
ReportDefinition stockList()
{
    ReportDefinition d;
    d.pageHeader.height = 12;
    d.pageHeader.addText("firma", "KESTAR PROBA d.o.o.", {0, 0, 80, 4});
    d.pageHeader.addExpression("sveukupno", "SUM(KOLICINA*CENANABAVNA)", {0, 5, 0, 4})
        .toRightMargin()
        .prefix("Svega: ")
        .mask("0.00");
    d.title.height = 12;
    d.title.ruleBelow = 2;
    d.title.addText("naslov", "Popis robe u magacinu:", {0, 0, 70, 6});
    d.title.addSystem("datum", SystemValue::Date, {72, 0, 40, 6});
    d.title.addText("hNaziv", "Naziv artikla", {15, 6, 60, 5});
    d.title.addText("hVrednost", "Vrednost", {150, 6, 30, 5});
    d.detail.height = 5;
    d.detail.addSystem("rb", SystemValue::RowNumber, {0, 0, 10, 5});
    d.detail.addField("naziv", "NAZIV", {15, 0, 60, 5}).under("hNaziv");
    d.detail.addExpression("vrednost", "KOLICINA * CENANABAVNA", {150, 0, 30, 5})
        .mask("0.00")
        .under("hVrednost");
    d.summary.height = 8;
    d.summary.ruleAbove = 2;
    d.summary.addText("ukupnoNatpis", "UKUPNO:", {0, 1, 30, 5});
    d.summary.addExpression("ukupno", "SUM(KOLICINA*CENANABAVNA)", {150, 1, 30, 5})
        .mask("0.00")
        .under("hVrednost");
    d.summary.addSystem("redova", SystemValue::RowNumber, {40, 1, 30, 5}).prefix("Redova: ");
    d.pageFooter.height = 8;
    d.pageFooter.addField("poslednji", "NAZIV", {0, 2, 80, 4});
    d.pageFooter.addSystem("strana", SystemValue::PageNumber, {0, 2, 0, 4})
        .toRightMargin()
        .prefix("Strana: ");
    return d;
}

TableRowSource articles(int count)
{
    TableRowSource rows({"NAZIV", "KOLICINA", "CENANABAVNA"}, {"KOLICINA", "CENANABAVNA"});
    for (int i = 1; i <= count; ++i)
        rows.addRow({QStringLiteral("Artikal %1").arg(i), QString::number(i % 7),
                     QStringLiteral("%1.25").arg(i % 13)});
    return rows;
}

// Everything painting a page takes from it, as one comparable list.
QStringList described(const ReportPage& page)
{
    QStringList result{QStringLiteral("strana %1").arg(page.number)};
    for (const PageText& text : page.texts) {
        const QRectF r = text.rect;
        result.append(QStringLiteral("%1 %2 %3,%4 %5x%6 %7 f%8")
                          .arg(text.element, text.text)
                          .arg(r.x())
                          .arg(r.y())
                          .arg(r.width())
                          .arg(r.height())
                          .arg(int(text.align))
                          .arg(text.font));
    }
    for (const PageLine& line : page.lines)
        result.append(QStringLiteral("linija %1,%2 %3,%4 %5")
                          .arg(line.line.x1())
                          .arg(line.line.y1())
                          .arg(line.line.x2())
                          .arg(line.line.y2())
                          .arg(line.thickness));
    return result;
}

// The stock list without the sum in its page header, which needs every row for the first page.
ReportDefinition stockListWithoutHeaderSum()
{
    ReportDefinition d = stockList();
    for (ReportElement& element : d.pageHeader.elements) {
        if (element.name == QLatin1String("sveukupno"))
            element.enabled = false;
    }
    return d;
}

// Rows read as they are asked for, as a query read in pages, whose reading fails from row
// `failAt` on, as a disk that fails while the report is open.
class FailingSource : public RowSource
{
public:
    FailingSource(const TableRowSource& rows, qint64 failAt) : m_rows(rows), m_failAt(failAt) {}

    qint64 rowCount() const override { return m_read; }
    bool hasRow(qint64 row) const override
    {
        if (row >= m_failAt)
            throw std::runtime_error("disk I/O error");
        m_read = qBound(m_read, row + 1, m_rows.rowCount());
        return row >= 0 && row < m_rows.rowCount();
    }
    int fieldIndex(const QString& name) const override { return m_rows.fieldIndex(name); }
    bool isNumeric(int field) const override { return m_rows.isNumeric(field); }
    QString text(qint64 row, int field) const override { return m_rows.text(row, field); }
    bool watchChanges(QObject*, const std::function<void()>&) const override { return true; }

private:
    const TableRowSource& m_rows;
    qint64 m_failAt;
    mutable qint64 m_read = 0;
};

QString pdfText(const QString& path)
{
    QProcess process;
    process.start(QStandardPaths::findExecutable("pdftotext"), {"-layout", path, "-"});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class TestReportDocument : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_regional.emplace(Regional::standard());
        m_clock.emplace(QDateTime(QDate(2024, 3, 7), QTime(9, 30)));
    }
    void cleanup()
    {
        m_clock.reset();
        m_regional.reset();
    }

    void firstPageComesBeforeTheCount()
    {
        const TableRowSource rows = articles(3000);
        const ReportPages eager = layoutReport(stockList(), rows, "Popis");
        QVERIFY(eager.pageCount() > 50);

        ReportDocument lazy(stockList(), rows, "Popis");
        QCOMPARE(lazy.title(), QStringLiteral("Popis"));
        QCOMPARE(lazy.fonts().size(), eager.fonts.size());
        QVERIFY(!lazy.isCounted());
        QCOMPARE(lazy.knownPageCount(), 1);
        QCOMPARE(described(lazy.page(0)), described(eager.pages.first()));
        // Only the first page was laid out, and only the second one's start is known.
        QCOMPARE(lazy.laidOutPages(), 1);
        QVERIFY(!lazy.isCounted());
        QCOMPARE(lazy.knownPageCount(), 2);
        // The header's sum over all rows is right on the first page already.
        QCOMPARE(lazy.page(0).textsOf("sveukupno"), eager.pages.first().textsOf("sveukupno"));

        // Counting in slices reaches the end; pages known never shrink.
        int known = lazy.knownPageCount();
        while (!lazy.countOn(0)) {
            QVERIFY(lazy.knownPageCount() >= known);
            known = lazy.knownPageCount();
        }
        QCOMPARE(lazy.knownPageCount(), int(eager.pageCount()));
        QCOMPARE(lazy.pageCount(), int(eager.pageCount()));
        QCOMPARE(lazy.laidOutPages(), 1);
        QCOMPARE(lazy.page(int(eager.pageCount())).number, 0);
        QVERIFY(!lazy.hasPage(int(eager.pageCount())));
        QVERIFY(!lazy.hasPage(-1));
    }

    void jumpingToTheLastPageGivesTheTotal()
    {
        const TableRowSource rows = articles(2000);
        const ReportPages eager = layoutReport(stockList(), rows);
        const int last = int(eager.pageCount()) - 1;
        ReportDocument lazy(stockList(), rows);
        QCOMPARE(described(lazy.page(last)), described(eager.pages.at(last)));
        QVERIFY(lazy.isCounted());
        QCOMPARE(lazy.laidOutPages(), 1);
        QCOMPARE(lazy.page(last).textsOf("ukupno"), eager.pages.at(last).textsOf("ukupno"));
        QCOMPARE(lazy.page(last).textsOf("redova"), QStringList{"Redova: 2000"});
        // Pages in any order, again and again, are the eager layout's pages.
        for (int index : {7, 3, last - 1, 0, 7, last, 1})
            QCOMPARE(described(lazy.page(index)), described(eager.pages.at(index)));
        QCOMPARE(lazy.allPages().pageCount(), eager.pageCount());
    }

    void everyShapeOfReportMatchesTheEagerLayout()
    {
        ReportDefinition d = stockList();
        // The rows of a page and the rows that fill a page with or without room for the total.
        const double body = d.paperSize.height() - d.margins.top() - d.margins.bottom() -
                            d.pageHeader.height - d.pageFooter.height;
        const int perPage = int(body / d.detail.height);
        const int onFirst = int((body - d.title.height) / d.detail.height);
        for (int count : {0, 1, onFirst - 1, onFirst, onFirst + 1, onFirst + perPage,
                          onFirst + perPage - 1, onFirst + 2 * perPage + 3}) {
            const TableRowSource rows = articles(count);
            const ReportPages eager = layoutReport(d, rows);
            ReportDocument lazy(d, rows);
            const ReportPages all = lazy.allPages();
            QCOMPARE(all.pageCount(), eager.pageCount());
            QCOMPARE(lazy.pageCount(), int(eager.pageCount()));
            for (int i = int(eager.pageCount()) - 1; i >= 0; --i) {
                QCOMPARE(described(lazy.page(i)), described(eager.pages.at(i)));
                QCOMPARE(described(all.pages.at(i)), described(eager.pages.at(i)));
            }
            QCOMPARE(all.table.cells, eager.table.cells);
            QCOMPARE(reportCsv(all.table), reportCsv(eager.table));
        }
    }

    void rowsChangedLaterDoNotChangeTheReport()
    {
        TableRowSource rows = articles(500);
        const ReportPages before = layoutReport(stockList(), rows);
        ReportDocument lazy(stockList(), rows);
        for (int i = 0; i < 100; ++i)
            rows.addRow({"Kasnije", "1000", "1000"});
        for (int i = int(before.pageCount()) - 1; i >= 0; --i)
            QCOMPARE(described(lazy.page(i)), described(before.pages.at(i)));
        QCOMPARE(lazy.pageCount(), int(before.pageCount()));
    }

    void queryRowsStayAsTheyWereWhenTheReportWasAsked()
    {
        TestFolder folder;
        createAllTables();
        Engine engine;
        QList<Row> articles;
        for (int i = 1; i <= 3000; ++i)
            articles.append({{"SIFRA", QStringLiteral("A%1").arg(i, 5, 10, QLatin1Char('0'))},
                             {"NAZIVGRUPE", "Vijci"},
                             {"NAZIV", QStringLiteral("Artikal %1").arg(i)},
                             {"KOLICINA", QString::number(i % 7)},
                             {"CENANABAVNA", QStringLiteral("%1.25").arg(i % 13)}});
        {
            Transaction adding(engine);
            addRows(engine, "podaci/magacin.db", articles);
            adding.commit();
        }
        const QString statement = QStringLiteral("select * from podaci\\magacin");
        const ReportDefinition definition = stockListWithoutHeaderSum();
        Query whole(engine, statement);
        whole.open();
        const ReportPages before = layoutReport(definition, DatasetRowSource(whole));
        whole.close();
        const auto sameAsBefore = [&](ReportDocument& report) {
            QCOMPARE(report.pageCount(), int(before.pageCount()));
            for (int i = 0; i < int(before.pageCount()); ++i)
                QCOMPARE(described(report.page(i)), described(before.pages.at(i)));
        };

        // What can happen while the first page is shown: the source goes, the query runs
        // another statement, a table is written (last, as it changes the table).
        const std::function<void(Query&)> changes[] = {
            [](Query&) {},
            [&](Query& stock) {
                stock.setSql(statement + QStringLiteral(" where NAZIVGRUPE='Ekseri'"));
                stock.open();
            },
            [&](Query&) {
                Query edit(engine, statement);
                edit.open();
                edit.last();
                edit.edit();
                edit.setText("NAZIV", "Promenjeno");
                edit.post();
                edit.first();
                edit.remove();
            },
        };
        for (const auto& change : changes) {
            Query stock(engine, statement);
            stock.setInPages(true);
            stock.open();
            std::unique_ptr<ReportDocument> report;
            {
                const DatasetRowSource rows(stock);
                report = std::make_unique<ReportDocument>(definition, rows);
                report->page(0);
                // The first page needs only the first rows.
                QVERIFY(stock.rowCount() < 3000);
                change(stock);
            }
            sameAsBefore(*report);
            if (QTest::currentTestFailed())
                return;
            QVERIFY(report->readError().isEmpty());
        }
        QCOMPARE(readRows(engine, "podaci/magacin.db").size(), 2999);
    }

    void rowsThatCannotBeReadLaterLeaveNoFileAndClosePreview()
    {
        const TableRowSource rows = articles(3000);
        const ReportDefinition definition = stockListWithoutHeaderSum();
        const FailingSource failing(rows, 2000);
        ReportDocument report(definition, failing);
        const ReportPages eager = layoutReport(definition, rows);
        QCOMPARE(described(report.page(0)), described(eager.pages.first()));
        QVERIFY(report.readError().isEmpty());

        QTemporaryDir dir;
        const QString csvPath = dir.filePath("popis.csv");
        QFile old(csvPath);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("stari sadrzaj\r\n");
        old.close();
        QString error;
        QVERIFY(!writeReportCsv(report, csvPath, &error));
        QVERIFY2(error.contains("disk I/O error"), qPrintable(error));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("stari sadrzaj\r\n"));
        error.clear();
        QVERIFY(!writePdf(report, dir.filePath("popis.pdf"), &error));
        QVERIFY2(error.contains("disk I/O error"), qPrintable(error));
        QVERIFY(!QFile::exists(dir.filePath("popis.pdf")));
        // The pages end where the rows read end: never a total of part of the rows as if it
        // were the whole report.
        QVERIFY(!report.readError().isEmpty());

        // The preview says so as soon as it comes to the rows it cannot read, and closes.
        const FailingSource again(rows, 2000);
        ScriptedMessages messages;
        ReportPreviewWindow window(std::make_unique<ReportDocument>(definition, again), messages);
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(!messages.errors().isEmpty(), 20000);
        QCOMPARE(messages.errors().size(), 1);
        QVERIFY2(messages.errors().first().contains("disk I/O error"),
                 qPrintable(messages.errors().first()));
        QTRY_VERIFY(!window.isVisible());
    }

    void pdfAndCsvHoldEveryPage()
    {
        const TableRowSource rows = articles(400);
        const ReportPages eager = layoutReport(stockList(), rows, "Popis");
        ReportDocument lazy(stockList(), rows, "Popis");
        lazy.page(0);
        QVERIFY(!lazy.isCounted());

        QTemporaryDir dir;
        QString error;
        QVERIFY2(writeReportCsv(lazy, dir.filePath("lazy.csv"), &error), qPrintable(error));
        QFile csv(dir.filePath("lazy.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll(), reportCsv(eager.table));
        QVERIFY(eager.table.rowCount() == 401);

        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        QVERIFY2(writePdf(lazy, dir.filePath("lazy.pdf"), &error), qPrintable(error));
        QVERIFY2(writePdf(eager, dir.filePath("eager.pdf"), &error), qPrintable(error));
        const QString text = pdfText(dir.filePath("lazy.pdf"));
        QCOMPARE(text.count(QLatin1Char('\f')), int(eager.pageCount()));
        QVERIFY(text.contains(QStringLiteral("Strana: %1").arg(eager.pageCount())));
        QVERIFY(text.contains(eager.pages.last().textsOf("ukupno").value(0)));
        QCOMPARE(text, pdfText(dir.filePath("eager.pdf")));
    }

    void previewShowsTheCountWhenKnown()
    {
        const TableRowSource rows = articles(20000);
        auto document = std::make_unique<ReportDocument>(stockList(), rows, "Popis");
        ReportDocument& report = *document;
        ScriptedMessages messages;
        ReportPreviewWindow window(std::move(document), messages);
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        auto* count = window.findChild<QLabel*>("PreviewPageCount");
        auto* number = window.findChild<QSpinBox*>("PreviewPageNumber");
        QVERIFY(count && number);
        // Nothing is counted before the first page is on the screen.
        QCOMPARE(count->text().trimmed(), QStringLiteral("od ..."));
        QVERIFY(window.findChild<QAction*>("PreviewLast")->isEnabled());
        QSignalSpy painted(window.pageView(), &ReportPageView::firstPaint);
        window.show();
        QVERIFY(painted.count() == 1 || painted.wait(5000));
        QVERIFY(report.laidOutPages() <= 3);

        QTRY_VERIFY_WITH_TIMEOUT(report.isCounted(), 60000);
        const int pages = report.pageCount();
        QVERIFY(pages > 400);
        QTRY_COMPARE(count->text().trimmed(), QStringLiteral("od %1").arg(pages));
        QCOMPARE(number->maximum(), pages);
        window.findChild<QAction*>("PreviewLast")->trigger();
        QCOMPARE(number->value(), pages);
        QVERIFY(!window.findChild<QAction*>("PreviewNext")->isEnabled());
        QTRY_VERIFY(window.pageView()->paintedPageCount() <= 6);
        QVERIFY(report.laidOutPages() <= 8);
    }

    void lastPageBeforeTheCountEnds()
    {
        const TableRowSource rows = articles(20000);
        auto document = std::make_unique<ReportDocument>(stockList(), rows);
        ReportDocument& report = *document;
        ScriptedMessages messages;
        ReportPreviewWindow window(std::move(document), messages);
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        // The user asks for the last page before the window has counted anything.
        window.findChild<QAction*>("PreviewLast")->trigger();
        QVERIFY(report.isCounted());
        auto* count = window.findChild<QLabel*>("PreviewPageCount");
        QCOMPARE(count->text().trimmed(), QStringLiteral("od %1").arg(report.pageCount()));
        QCOMPARE(window.pageView()->currentPage(), report.pageCount() - 1);
        QCOMPARE(window.findChild<QSpinBox*>("PreviewPageNumber")->value(), report.pageCount());
    }

private:
    std::optional<ScopedRegional> m_regional;
    std::optional<ScopedClock> m_clock;
};

QTEST_MAIN(TestReportDocument)
#include "tst_reportdocument.moc"
