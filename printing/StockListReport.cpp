#include "printing/StockListReport.h"

#include "printing/ReportParts.h"

namespace kestar::StockListReport {

namespace {
// Columns left to right, mm from the left margin. The value column ends at the right margin.
constexpr double kRowX = 0, kRowW = 12;
constexpr double kCodeX = 13, kCodeW = 20;
constexpr double kGroupX = 34, kGroupW = 30;
constexpr double kNameX = 65, kNameW = 50;
constexpr double kQuantityX = 116, kQuantityW = 18;
constexpr double kPriceX = 136, kPriceW = 20;
constexpr double kValueX = 158;
constexpr double kLine = 5;
} // namespace

ReportDefinition definition(const Letterhead& letterhead)
{
    ReportDefinition report = ReportParts::document(letterhead);
    const double valueW = report.contentWidth() - kValueX;

    ReportBand& title = report.title;
    title.height = 17;
    title.ruleBelow = 2;
    title
        .addText(QStringLiteral("stockTitle"), QStringLiteral("Popis robe u magacinu:"),
                 {0, 0, 52, 6})
        .size(12, true);
    title.addSystem(QStringLiteral("stockDate"), SystemValue::Date, {52, 0, 40, 6}).size(12, true);
    constexpr double headY = 11;
    title.addText(QStringLiteral("headRow"), QStringLiteral("Red.br."),
                  {kRowX, headY, kRowW, kLine});
    title.addText(QStringLiteral("headCode"), QStringLiteral("Sifra"),
                  {kCodeX, headY, kCodeW, kLine});
    title.addText(QStringLiteral("headGroup"), QStringLiteral("Naziv grupe"),
                  {kGroupX, headY, kGroupW, kLine});
    title.addText(QStringLiteral("headName"), QStringLiteral("Naziv artikla"),
                  {kNameX, headY, kNameW, kLine});
    title
        .addText(QStringLiteral("headQuantity"), QStringLiteral("Kolicina"),
                 {kQuantityX, headY, kQuantityW, kLine})
        .alignRight();
    title
        .addText(QStringLiteral("headPrice"), QStringLiteral("Cena"),
                 {kPriceX, headY, kPriceW, kLine})
        .alignRight();
    title
        .addText(QStringLiteral("headValue"), QStringLiteral("Vrednost"),
                 {kValueX, headY, valueW, kLine})
        .alignCentre();

    const QString quantity = QStringLiteral("%1.KOLICINA").arg(QLatin1String(kDatasetName));
    const QString price = QStringLiteral("%1.CENANABAVNA").arg(QLatin1String(kDatasetName));

    ReportBand& detail = report.detail;
    detail.height = kLine;
    detail.addSystem(QStringLiteral("rowNumber"), SystemValue::RowNumber, {kRowX, 0, kRowW, kLine})
        .alignCentre()
        .under(QStringLiteral("headRow"));
    detail.addField(QStringLiteral("code"), QStringLiteral("SIFRA"), {kCodeX, 0, kCodeW, kLine})
        .under(QStringLiteral("headCode"));
    detail
        .addField(QStringLiteral("groupName"), QStringLiteral("NAZIVGRUPE"),
                  {kGroupX, 0, kGroupW, kLine})
        .under(QStringLiteral("headGroup"));
    detail.addField(QStringLiteral("name"), QStringLiteral("NAZIV"), {kNameX, 0, kNameW, kLine})
        .under(QStringLiteral("headName"));
    detail
        .addField(QStringLiteral("quantity"), QStringLiteral("KOLICINA"),
                  {kQuantityX, 0, kQuantityW, kLine})
        .alignRight()
        .mask(QStringLiteral("0.00"))
        .under(QStringLiteral("headQuantity"));
    detail
        .addField(QStringLiteral("price"), QStringLiteral("CENANABAVNA"),
                  {kPriceX, 0, kPriceW, kLine})
        .alignRight()
        .mask(QStringLiteral("0.00"))
        .under(QStringLiteral("headPrice"));
    detail
        .addExpression(QStringLiteral("value"), quantity + QStringLiteral(" * ") + price,
                       {kValueX, 0, valueW, kLine})
        .toRightMargin()
        .mask(QStringLiteral("0.00"))
        .under(QStringLiteral("headValue"));

    ReportBand& summary = report.summary;
    summary.height = 7;
    summary.ruleAbove = 2;
    summary.addText(QStringLiteral("totalCaption"), QStringLiteral("UKUPNO:"), {0, 1, 40, kLine})
        .bold()
        .under(QStringLiteral("headRow"));
    summary
        .addExpression(QStringLiteral("total"), QStringLiteral("SUM(%1*%2)").arg(quantity, price),
                       {kValueX, 1, valueW, kLine})
        .toRightMargin()
        .mask(QStringLiteral("0.00"))
        .under(QStringLiteral("headValue"));
    return report;
}

} // namespace kestar::StockListReport
