#include "platform/Clock.h"
#include "platform/Regional.h"
#include "reporting/DatasetRowSource.h"
#include "reporting/ReportDefinition.h"
#include "reporting/ReportLayout.h"
#include "reporting/TableRowSource.h"
#include "tests/support/MemoryDataset.h"

#include <QtTest>
#include <optional>

using namespace kestar;

namespace {

const QDateTime kMoment(QDate(2024, 3, 7), QTime(14, 5, 9));

// A stock list as the program prints it: letterhead, title with headings, one line per
// article with its value, the total, date and page number in the footer.
ReportDefinition stockList()
{
    ReportDefinition d;
    d.pageHeader.height = 20;
    d.pageHeader.addText("firma", "Firma d.o.o.", {0, 0, 0, 4}).toRightMargin().size(8, true);
    d.title.height = 20;
    d.title.ruleBelow = 2;
    d.title.addText("naslov", "Popis robe u magacinu:", {0, 0, 60, 6}).size(12, true);
    d.title.addSystem("datum", SystemValue::Date, {62, 0, 30, 6}).size(12, true);
    d.title.addText("hKolicina", "Kolicina", {100, 15, 20, 5}).alignRight();
    d.detail.height = 5;
    d.detail.addSystem("rb", SystemValue::RowNumber, {0, 0, 10, 5}).alignCentre();
    d.detail.addField("sifra", "SIFRA", {12, 0, 20, 5});
    d.detail.addField("kolicina", "KOLICINA", {100, 0, 20, 5}).alignRight().mask("0.00");
    d.detail.addField("cena", "CENANABAVNA", {122, 0, 20, 5}).alignRight().mask("0.00");
    d.detail.addExpression("vrednost", "Query5.KOLICINA * Query5.CENANABAVNA", {0, 0, 0, 5})
        .toRightMargin()
        .mask("0.00");
    d.summary.height = 8;
    d.summary.ruleAbove = 2;
    d.summary.addText("ukupnoNatpis", "UKUPNO:", {0, 1, 30, 5}).bold();
    d.summary.addExpression("ukupno", "SUM(Query5.KOLICINA*Query5.CENANABAVNA)", {0, 1, 0, 5})
        .toRightMargin()
        .mask("0.00");
    d.pageFooter.height = 10;
    d.pageFooter.addSystem("vreme", SystemValue::DateTime, {0, 2, 60, 4}).size(8);
    d.pageFooter.addSystem("strana", SystemValue::PageNumber, {0, 2, 0, 4})
        .toRightMargin()
        .prefix("Strana: ")
        .size(8);
    return d;
}

TableRowSource articles(int count)
{
    TableRowSource rows({"SIFRA", "NAZIV", "KOLICINA", "CENANABAVNA"}, {"KOLICINA", "CENANABAVNA"});
    for (int i = 1; i <= count; ++i)
        rows.addRow({QStringLiteral("A%1").arg(i), QStringLiteral("Artikal %1").arg(i), "1", "2"});
    return rows;
}

QStringList allTextsOf(const ReportPages& pages, const QString& element)
{
    QStringList result;
    for (const ReportPage& page : pages.pages)
        result += page.textsOf(element);
    return result;
}

} // namespace

class TestReportLayout : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_regional.emplace(Regional::standard());
        m_clock.emplace(kMoment);
    }
    void cleanup()
    {
        m_clock.reset();
        m_regional.reset();
    }

    void headerAndFooterOnEveryPageTitleOnceRowsInOrder()
    {
        // Body: 297 - 25.4 - 20 - 10 = 241.6 mm; the first page loses 20 mm to the title, so
        // it holds 44 rows of 5 mm and the next pages 48 each: 100 rows make three pages.
        const ReportPages pages = layoutReport(stockList(), articles(100));
        QCOMPARE(pages.pageCount(), 3);
        for (int i = 0; i < 3; ++i) {
            const ReportPage& page = pages.pages.at(i);
            QCOMPARE(page.number, i + 1);
            QCOMPARE(page.textsOf("firma"), QStringList{"Firma d.o.o."});
            QCOMPARE(page.textsOf("strana"), QStringList{QStringLiteral("Strana: %1").arg(i + 1)});
            QCOMPARE(page.textsOf("vreme"), QStringList{"07/03/2024 14:05:09"});
            QCOMPARE(page.find("firma")->rect.top(), 12.7);
            QCOMPARE(page.find("strana")->rect.top(), 297 - 12.7 - 10 + 2);
        }
        QCOMPARE(pages.pages.at(0).textsOf("naslov"), QStringList{"Popis robe u magacinu:"});
        QCOMPARE(allTextsOf(pages, "naslov").size(), 1);
        QCOMPARE(pages.pages.at(0).textsOf("rb").size(), 44);
        QCOMPARE(pages.pages.at(1).textsOf("rb").size(), 48);
        QCOMPARE(pages.pages.at(2).textsOf("rb").size(), 8);

        QStringList expectedNumbers, expectedCodes;
        for (int i = 1; i <= 100; ++i) {
            expectedNumbers << QString::number(i);
            expectedCodes << QStringLiteral("A%1").arg(i);
        }
        QCOMPARE(allTextsOf(pages, "rb"), expectedNumbers);
        QCOMPARE(allTextsOf(pages, "sifra"), expectedCodes);
        // The first row sits right under the title, the rows of later pages under the header.
        QCOMPARE(pages.pages.at(0).find("sifra")->rect.top(), 12.7 + 20 + 20);
        QCOMPARE(pages.pages.at(1).find("sifra")->rect.top(), 12.7 + 20);
        for (const ReportPage& page : pages.pages) {
            for (const PageText& text : page.texts) {
                if (text.band == BandKind::Detail)
                    QVERIFY(text.rect.bottom() <= 297 - 12.7 - 10 + 1e-9);
            }
        }
        QCOMPARE(allTextsOf(pages, "ukupno"), QStringList{"200.00"});
        QCOMPARE(pages.pages.at(2).textsOf("ukupno").size(), 1);
    }

    void masksApplyToNumericFieldsOnly()
    {
        ReportDefinition d;
        d.detail.height = 5;
        d.detail.addField("kolicina", "KOLICINA", {0, 0, 20, 5}).mask("0.00");
        d.detail.addField("grupa", "SIFRAGRUPE", {20, 0, 20, 5}).mask("0.00");
        d.detail.addField("plain", "KOLICINA", {40, 0, 20, 5});
        TableRowSource rows({"KOLICINA", "SIFRAGRUPE"}, {"KOLICINA"});
        rows.addRow({"2", "001"});
        rows.addRow({"1.005", "7"});
        rows.addRow({"", "abc"});
        rows.addRow({"-0.001", ""});
        const ReportPages pages = layoutReport(d, rows);
        QCOMPARE(allTextsOf(pages, "kolicina"), (QStringList{"2.00", "1.00", "", "0.00"}));
        QCOMPARE(allTextsOf(pages, "grupa"), (QStringList{"001", "7", "abc", ""}));
        QCOMPARE(allTextsOf(pages, "plain"), (QStringList{"2", "1.005", "", "-0.001"}));

        // The regional decimal separator, and no grouping of thousands.
        RegionalSettings comma = Regional::standard();
        comma.decimalSeparator = QLatin1Char(',');
        comma.thousandsSeparator = QLatin1Char('.');
        const ScopedRegional scoped(comma);
        TableRowSource local({"KOLICINA", "SIFRAGRUPE"}, {"KOLICINA"});
        local.addRow({"1234,5", "x"});
        QCOMPARE(allTextsOf(layoutReport(d, local), "kolicina"), QStringList{"1234,50"});
        QCOMPARE(formatMasked(1234567.891, 2), QStringLiteral("1234567,89"));
    }

    void productAndSumCountEmptyValuesAsZero()
    {
        TableRowSource rows({"SIFRA", "KOLICINA", "CENANABAVNA"}, {"KOLICINA", "CENANABAVNA"});
        rows.addRow({"A", "2", "10.50"});
        rows.addRow({"B", "0", "99"});
        rows.addRow({"C", "1.5", ""});
        const ReportPages pages = layoutReport(stockList(), rows);
        QCOMPARE(pages.pageCount(), 1);
        QCOMPARE(allTextsOf(pages, "vrednost"), (QStringList{"21.00", "0.00", "0.00"}));
        QCOMPARE(allTextsOf(pages, "ukupno"), QStringList{"21.00"});
        QCOMPARE(allTextsOf(pages, "cena"), (QStringList{"10.50", "99.00", ""}));

        // Without a mask the value prints as the shortest number.
        ReportDefinition d;
        d.detail.height = 5;
        d.detail.addExpression("p", "kolicina*cenanabavna", {0, 0, 20, 5});
        d.summary.addExpression("s", "sum( KOLICINA * CENANABAVNA )", {0, 0, 20, 5});
        const ReportPages plain = layoutReport(d, rows);
        QCOMPARE(allTextsOf(plain, "p"), (QStringList{"21", "0", "0"}));
        QCOMPARE(allTextsOf(plain, "s"), QStringList{"21"});
    }

    void badExpressionsAndMasksAreRefused()
    {
        ReportBand band;
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, band.addExpression("x", "A + B", {}));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, band.addExpression("x", "SUM(A*)", {}));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, band.addExpression("x", "", {}));
        QCOMPARE(band.elements.size(), 0);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                                 band.addField("f", "A", {}).mask("#,##0.00"));
        const ReportExpression e = ReportExpression::parse("SUM(Query5.KOLICINA*Query5.CENA)");
        QVERIFY(e.sum);
        QCOMPARE(e.factors, (QStringList{"KOLICINA", "CENA"}));
    }

    void switchedOffElementsAreNotPrinted()
    {
        ReportDefinition d = stockList();
        d.detail.addField("otpremnica", "SIFRA", {50, 0, 20, 5});
        d.title.addText("hOtpremnica", "Otpremnica", {50, 15, 20, 5});
        d.setEnabled("otpremnica", false);
        d.setEnabled("hOtpremnica", false);
        const ReportPages off = layoutReport(d, articles(3));
        QVERIFY(allTextsOf(off, "otpremnica").isEmpty());
        QVERIFY(allTextsOf(off, "hOtpremnica").isEmpty());

        d.setEnabled("otpremnica", true);
        d.setEnabled("hOtpremnica", true);
        const ReportPages on = layoutReport(d, articles(3));
        QCOMPARE(allTextsOf(on, "otpremnica"), (QStringList{"A1", "A2", "A3"}));
        QCOMPARE(allTextsOf(on, "hOtpremnica"), QStringList{"Otpremnica"});
    }

    void settingTextsAndRebindingFields()
    {
        ReportDefinition d = stockList();
        d.setText("naslov", "MASINA: Presa");
        d.bindField("kolicina", "UKUPNO");
        TableRowSource rows({"SIFRA", "KOLICINA", "CENANABAVNA", "UKUPNO"}, {"UKUPNO"});
        rows.addRow({"A", "1", "1", "5"});
        rows.addRow({"B", "1", "1", "1"});
        const ReportPages pages = layoutReport(d, rows);
        QCOMPARE(allTextsOf(pages, "naslov"), QStringList{"MASINA: Presa"});
        QCOMPARE(allTextsOf(pages, "kolicina"), (QStringList{"5.00", "1.00"}));
        QVERIFY(pages.notes.isEmpty());

        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, d.bindField("naslov", "X"));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, d.setText("nepostoji", "X"));
        QVERIFY(!d.hasElement("nepostoji"));
    }

    void fieldTheDataLacksPrintsEmptyWithANote()
    {
        ReportDefinition d = stockList();
        d.bindField("kolicina", "UKUPNO");
        const ReportPages pages = layoutReport(d, articles(2));
        QCOMPARE(allTextsOf(pages, "kolicina"), (QStringList{"", ""}));
        QCOMPARE(allTextsOf(pages, "sifra"), (QStringList{"A1", "A2"}));
        QCOMPARE(pages.notes.size(), 1);
        QVERIFY(pages.notes.first().contains("UKUPNO"));

        // An expression over a missing field counts it as 0.
        TableRowSource noPrice({"SIFRA", "KOLICINA"}, {"KOLICINA"});
        noPrice.addRow({"A", "3"});
        const ReportPages partial = layoutReport(stockList(), noPrice);
        QCOMPARE(allTextsOf(partial, "vrednost"), QStringList{"0.00"});
        QCOMPARE(allTextsOf(partial, "ukupno"), QStringList{"0.00"});
        QVERIFY(partial.notes.join(' ').contains("CENANABAVNA"));
    }

    void alignmentToTheRightMargin()
    {
        const ReportPages pages = layoutReport(stockList(), articles(1));
        const ReportPage& page = pages.pages.first();
        for (const QString& name : {QStringLiteral("firma"), QStringLiteral("vrednost"),
                                    QStringLiteral("ukupno"), QStringLiteral("strana")}) {
            const PageText* text = page.find(name);
            QVERIFY2(text, qPrintable(name));
            QCOMPARE(text->align, Align::Right);
            QCOMPARE(text->rect.left(), 12.7);
            QCOMPARE(text->rect.right(), 210 - 12.7);
        }
        // Elements inside their own rectangle keep it, shifted by the left margin.
        const PageText* quantity = page.find("kolicina");
        QCOMPARE(quantity->rect, QRectF(12.7 + 100, 12.7 + 20 + 20, 20, 5));
        QCOMPARE(quantity->align, Align::Right);
        QCOMPARE(page.find("rb")->align, Align::Centre);
        // Fonts: the element's size and weight over the base family.
        QCOMPARE(pages.fonts.at(page.find("naslov")->font),
                 (FontSpec{QStringLiteral("Arial"), 12, true}));
        QCOMPARE(pages.fonts.at(page.find("sifra")->font),
                 (FontSpec{QStringLiteral("Arial"), 10, false}));
    }

    void rulesUnderTheTitleAndAboveTheSummary()
    {
        const ReportPages pages = layoutReport(stockList(), articles(2));
        const ReportPage& page = pages.pages.first();
        QCOMPARE(page.lines.size(), 2);
        const double titleBottom = 12.7 + 20 + 20;
        QCOMPARE(page.lines.at(0).line, QLineF(12.7, titleBottom, 210 - 12.7, titleBottom));
        QCOMPARE(page.lines.at(0).thickness, 2.0);
        const double summaryTop = titleBottom + 2 * 5;
        QCOMPARE(page.lines.at(1).line, QLineF(12.7, summaryTop, 210 - 12.7, summaryTop));
    }

    void emptyResultStillPrintsHeaderTitleSummaryAndFooter()
    {
        const ReportPages pages = layoutReport(stockList(), articles(0));
        QCOMPARE(pages.pageCount(), 1);
        const ReportPage& page = pages.pages.first();
        QCOMPARE(page.textsOf("firma").size(), 1);
        QCOMPARE(page.textsOf("naslov").size(), 1);
        QCOMPARE(page.textsOf("datum"), QStringList{"07/03/2024"});
        QCOMPARE(page.textsOf("ukupno"), QStringList{"0.00"});
        QCOMPARE(page.textsOf("strana"), QStringList{"Strana: 1"});
        QVERIFY(page.textsOf("rb").isEmpty());
        QVERIFY(page.textsOf("sifra").isEmpty());
    }

    void summaryMovesToANewPageWhenItDoesNotFit()
    {
        // 44 rows fill the first page to the last millimetre that a row needs.
        ReportDefinition d = stockList();
        d.summary.height = 30;
        const ReportPages pages = layoutReport(d, articles(44));
        QCOMPARE(pages.pageCount(), 2);
        QCOMPARE(pages.pages.at(0).textsOf("rb").size(), 44);
        QVERIFY(pages.pages.at(0).textsOf("ukupno").isEmpty());
        QCOMPARE(pages.pages.at(1).textsOf("ukupno"), QStringList{"88.00"});
        QCOMPARE(pages.pages.at(1).find("ukupno")->rect.top(), 12.7 + 20 + 1);
        QCOMPARE(pages.pages.at(1).textsOf("strana"), QStringList{"Strana: 2"});
        QCOMPARE(pages.pages.at(1).textsOf("firma").size(), 1);
    }

    void bandTallerThanAPageDoesNotLoop()
    {
        ReportDefinition d = stockList();
        d.detail.height = 400;
        const ReportPages pages = layoutReport(d, articles(3));
        // The title alone on the first page, then one row per page, then the summary.
        QCOMPARE(allTextsOf(pages, "rb"), (QStringList{"1", "2", "3"}));
        QCOMPARE(pages.pageCount(), 5);
        QCOMPARE(pages.pages.at(1).textsOf("rb"), QStringList{"1"});
        QCOMPARE(pages.pages.at(4).textsOf("ukupno"), QStringList{"6.00"});
    }

    void systemValuesOutsideTheDetailBand()
    {
        ReportDefinition d = stockList();
        d.summary.addSystem("broj", SystemValue::RowNumber, {40, 1, 20, 5});
        d.pageFooter.addSystem("sat", SystemValue::Time, {70, 2, 20, 4});
        d.pageHeader.addField("prvi", "SIFRA", {0, 5, 30, 4});
        const ReportPages pages = layoutReport(d, articles(50));
        QCOMPARE(allTextsOf(pages, "broj"), QStringList{"50"});
        QCOMPARE(allTextsOf(pages, "sat"), (QStringList{"14:05:09", "14:05:09"}));
        // Data fields around the rows show the last row printed before them.
        QCOMPARE(allTextsOf(pages, "prvi"), (QStringList{"A1", "A44"}));
    }

    void datasetRowsMaskByFieldType()
    {
        test::MemoryDataset dataset({{"SIFRAGRUPE", FieldType::Text},
                                     {"KOLICINA", FieldType::Number},
                                     {"OTPREMNICA", FieldType::Integer}});
        dataset.addRow({"12", "2.5", "7"});
        dataset.addRow({"", "", "8"});
        dataset.open();
        dataset.first();
        ReportDefinition d;
        d.detail.height = 5;
        d.detail.addField("grupa", "sifragrupe", {0, 0, 20, 5}).mask("0.00");
        d.detail.addField("kolicina", "KOLICINA", {20, 0, 20, 5}).mask("0.00");
        d.detail.addField("broj", "OTPREMNICA", {40, 0, 20, 5}).mask("0.00");
        d.summary.addExpression("suma", "SUM(KOLICINA*OTPREMNICA)", {0, 0, 20, 5}).mask("0.00");
        const ReportPages pages = layoutReport(d, DatasetRowSource(dataset));
        QCOMPARE(allTextsOf(pages, "grupa"), (QStringList{"12", ""}));
        QCOMPARE(allTextsOf(pages, "kolicina"), (QStringList{"2.50", ""}));
        QCOMPARE(allTextsOf(pages, "broj"), (QStringList{"7.00", "8.00"}));
        QCOMPARE(allTextsOf(pages, "suma"), QStringList{"17.50"});
        QCOMPARE(dataset.position(), 0); // the report reads without moving the cursor
    }

private:
    std::optional<ScopedRegional> m_regional;
    std::optional<ScopedClock> m_clock;
};

QTEST_GUILESS_MAIN(TestReportLayout)
#include "tst_reportlayout.moc"
