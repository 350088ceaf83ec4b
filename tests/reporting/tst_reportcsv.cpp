#include "platform/Clock.h"
#include "platform/Regional.h"
#include "reporting/ReportCsv.h"
#include "reporting/ReportLayout.h"
#include "reporting/ReportPreviewWindow.h"
#include "reporting/TableRowSource.h"
#include "tests/support/CsvReading.h"
#include "tests/support/ScriptedFileQuestions.h"
#include "tests/support/ScriptedMessages.h"

#include <QAction>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <optional>
#include <sys/resource.h>

using namespace kestar;
using namespace kestar::test;

namespace {

// Columns with a heading, a masked number, a product, a switched-off column, a column without
// heading and a total under the value column.
ReportDefinition priceList()
{
    ReportDefinition d;
    d.pageHeader.height = 10;
    d.pageHeader.addText("firma", "Firma", {0, 0, 0, 5}).toRightMargin();
    d.title.height = 12;
    d.title.addText("naslov", "Cenovnik", {0, 0, 60, 6});
    d.title.addText("headRow", "Red.br.", {0, 6, 12, 5});
    d.title.addText("headName", "Naziv, opis", {14, 6, 60, 5});
    d.title.addText("headHidden", "Skriveno", {76, 6, 20, 5});
    d.title.addText("headQuantity", "Kolicina", {98, 6, 20, 5});
    d.title.addText("headValue", "Vrednost", {120, 6, 30, 5});
    d.detail.height = 5;
    d.detail.addSystem("rb", SystemValue::RowNumber, {0, 0, 12, 5}).under("headRow");
    d.detail.addField("naziv", "NAZIV", {14, 0, 60, 5}).under("headName");
    d.detail.addField("skriveno", "NAZIV", {76, 0, 20, 5}).under("headHidden").enabled = false;
    d.detail.addField("kolicina", "KOLICINA", {98, 0, 20, 5}).mask("0.00").under("headQuantity");
    d.detail.addExpression("vrednost", "KOLICINA * CENA", {120, 0, 30, 5})
        .mask("0.00")
        .under("headValue");
    d.detail.addField("napomena", "NAPOMENA", {152, 0, 30, 5}); // printed, not in the table
    d.summary.height = 6;
    d.summary.addText("ukupnoNatpis", "UKUPNO:", {0, 0, 30, 5}).under("headRow");
    d.summary.addExpression("ukupno", "SUM(KOLICINA*CENA)", {120, 0, 30, 5})
        .mask("0.00")
        .under("headValue");
    d.summary.addText("potpis", "Potpis", {150, 0, 30, 5});
    d.pageFooter.height = 6;
    d.pageFooter.addSystem("strana", SystemValue::PageNumber, {0, 0, 0, 5}).toRightMargin();
    return d;
}

// The numbers as the data hands them over: with the regional decimal separator.
TableRowSource articles(int count = 0)
{
    const QChar decimal = Regional::current().decimalSeparator;
    auto n = [&](const char* text) { return QString::fromLatin1(text).replace('.', decimal); };
    TableRowSource rows({"NAZIV", "KOLICINA", "CENA", "NAPOMENA"}, {"KOLICINA", "CENA"});
    rows.addRow({"Vijak, M8", "2", n("10.5"), "x"});
    rows.addRow({"Ploca \"Lux\"", n("1.5"), "", "y"});
    rows.addRow({"Dva\nreda", "", "3", ""});
    rows.addRow({" razmak ", n("-0.001"), "7", ""});
    rows.addRow({"Šraf ćošak", "3", n("0.1"), ""});
    for (int i = 0; i < count; ++i)
        rows.addRow({QStringLiteral("Artikal %1").arg(i), "1", "1", ""});
    return rows;
}

const QStringList kElements = {"rb", "naziv", "kolicina", "vrednost"};

RegionalSettings commaDecimals()
{
    RegionalSettings settings = Regional::standard();
    settings.decimalSeparator = QLatin1Char(',');
    settings.thousandsSeparator = QLatin1Char('.');
    return settings;
}

// While alive, no file of this process may grow beyond the limit: a write past it fails as
// on a full disk (EFBIG), without the signal that would end the process.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_signal = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        m_active = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_signal);
    }
    bool isActive() const { return m_active; }

private:
    rlimit m_saved{};
    void (*m_signal)(int) = SIG_DFL;
    bool m_active = false;
};

} // namespace

class TestReportCsv : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_regional.emplace(Regional::standard()); }
    void cleanup() { m_regional.reset(); }

    void tableHoldsThePrintedColumnsAndTheTotal()
    {
        const ReportPages pages = layoutReport(priceList(), articles(200));
        QVERIFY(pages.pageCount() > 2);
        const ReportTable& table = pages.table;
        QCOMPARE(table.header, QStringList({"Red.br.", "Naziv, opis", "Kolicina", "Vrednost"}));
        QCOMPARE(table.rowCount(), 205 + 1);
        const QList<QStringList> printed = laidOutRows(pages, kElements);
        QCOMPARE(printed.size(), 205);
        for (qsizetype r = 0; r < printed.size(); ++r)
            QCOMPARE(table.row(r), printed.at(r));
        QCOMPARE(table.row(1), QStringList({"2", "Ploca \"Lux\"", "1.50", "0.00"}));
        QCOMPARE(table.row(3), QStringList({"4", " razmak ", "0.00", "-0.01"}));
        QCOMPARE(table.row(205), QStringList({"UKUPNO:", "", "", "221.29"}));

        // A report without column headings has no table; an empty one has its headings.
        ReportDefinition plain = priceList();
        for (ReportBand* band : {&plain.detail, &plain.summary}) {
            for (ReportElement& element : band->elements)
                element.column.clear();
        }
        QVERIFY(layoutReport(plain, articles()).table.isEmpty());
        const ReportTable empty = layoutReport(priceList(), TableRowSource({"NAZIV"})).table;
        QCOMPARE(empty.header.size(), 4);
        QCOMPARE(empty.rowCount(), 1);
    }

    void csvReadsBackAsTheTableWithPointDecimals()
    {
        // The paper follows the regional separator; the file keeps "." whatever it is.
        const ScopedRegional comma(commaDecimals());
        const ReportPages pages = layoutReport(priceList(), articles());
        QCOMPARE(pages.pages.first().textsOf("kolicina").first(), QStringLiteral("2,00"));
        QCOMPARE(pages.pages.first().textsOf("ukupno").first(), QStringLiteral("21,29"));

        const QByteArray bytes = reportCsv(pages.table);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBFRed.br.,\"Naziv, opis\",Kolicina,Vrednost\r\n"));
        QVERIFY(bytes.contains("2,\"Ploca \"\"Lux\"\"\",1.50,0.00\r\n"));
        QVERIFY(bytes.contains("3,\"Dva\nreda\",,0.00\r\n"));
        QVERIFY(bytes.contains("Šraf ćošak,3.00,0.30"));

        const CsvFile file = readCsv(bytes);
        QVERIFY2(file.error.isEmpty(), qPrintable(file.error));
        QVERIFY(file.byteOrderMark);
        QCOMPARE(file.records.size(), 7);
        QCOMPARE(file.records.first(), pages.table.header);
        for (qsizetype r = 0; r < pages.table.rowCount(); ++r)
            QCOMPARE(file.records.at(r + 1), pages.table.row(r));
        QCOMPARE(file.records.last(), QStringList({"UKUPNO:", "", "", "21.29"}));
    }

    void failedWriteKeepsTheOldFileAndSaysWhy()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("popis.csv");
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("stari sadrzaj\r\n");
        }
        const ReportPages pages = layoutReport(priceList(), articles(100));
        QString error;
        {
            const FileSizeLimit limit(64);
            QVERIFY(limit.isActive());
            QVERIFY(!writeReportCsv(pages.table, path, &error));
        }
        QVERIFY2(error.contains(path), qPrintable(error));
        QFile kept(path);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("stari sadrzaj\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"popis.csv"}));

        QVERIFY(!writeReportCsv(pages.table, dir.filePath("nema/popis.csv"), &error));
        QVERIFY(!QFile::exists(dir.filePath("nema/popis.csv")));

        QVERIFY(writeReportCsv(pages.table, path, &error));
        QCOMPARE(readCsvFile(path).records.size(), 1 + 105 + 1);
    }

    void previewSavesWhereTheQuestionsSay()
    {
        QTemporaryDir dir;
        ScriptedFileQuestions questions;
        ScriptedMessages messages;
        ReportPreviewWindow window(layoutReport(priceList(), articles(), "Otpremnica broj 1/2"),
                                   messages, nullptr, &questions);
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        auto* csv = window.findChild<QAction*>("PreviewSaveCsv");
        QVERIFY(csv && csv->isEnabled());
        QCOMPARE(window.findChild<QWidget*>("PreviewSaveCsvButton")->accessibleName(),
                 QStringLiteral("Snimi kao CSV"));

        csv->trigger();                             // cancelled
        questions.answer(dir.filePath("cenovnik")); // the extension is added
        csv->trigger();
        questions.answer(dir.filePath("cenovnik.pdf"));
        window.findChild<QAction*>("PreviewSavePdf")->trigger();
        questions.answer(dir.filePath("nema/cenovnik.csv"));
        csv->trigger();

        QCOMPARE(questions.asked(), QStringList({"Snimi kao CSV: Otpremnica broj 1_2.csv",
                                                 "Snimi kao CSV: Otpremnica broj 1_2.csv",
                                                 "Snimi kao PDF: Otpremnica broj 1_2.pdf",
                                                 "Snimi kao CSV: Otpremnica broj 1_2.csv"}));
        QCOMPARE(readCsvFile(dir.filePath("cenovnik.csv")).records.size(), 7);
        QVERIFY(QFileInfo(dir.filePath("cenovnik.pdf")).size() > 0);
        QCOMPARE(messages.errors().size(), 1);
        QVERIFY(messages.errors().first().contains("nema/cenovnik.csv"));

        // A report without a table offers no CSV.
        ReportDefinition plain = priceList();
        for (ReportElement& element : plain.detail.elements)
            element.column.clear();
        ReportPreviewWindow noTable(layoutReport(plain, articles()), messages, nullptr, &questions);
        noTable.setAttribute(Qt::WA_DeleteOnClose, false);
        QVERIFY(!noTable.findChild<QAction*>("PreviewSaveCsv")->isEnabled());
    }

private:
    std::optional<ScopedRegional> m_regional;
};

QTEST_MAIN(TestReportCsv)
#include "tst_reportcsv.moc"
