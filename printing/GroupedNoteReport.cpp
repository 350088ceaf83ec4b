#include "printing/GroupedNoteReport.h"

#include "printing/ReportParts.h"

#include <QStringList>

namespace kestar::GroupedNoteReport {

namespace {
// Columns left to right, mm from the left margin. The quantity column ends at the right
// margin.
constexpr double kRowX = 0, kRowW = 11;
constexpr double kGroupCodeX = 12, kGroupCodeW = 27;
constexpr double kGroupNameX = 40, kGroupNameW = 28;
constexpr double kCodeX = 69, kCodeW = 18;
constexpr double kNameX = 88, kNameW = 44;
constexpr double kIssueX = 133, kIssueW = 18;
constexpr double kDateX = 152, kDateW = 18;
constexpr double kQuantityX = 171;
constexpr double kLine = 5;

const QString kMachineName = QStringLiteral("titleMachineName");
const QString kMachineCode = QStringLiteral("titleMachineCode");
const QString kMachineCode2 = QStringLiteral("titleMachineCode2");
const QString kDateLine = QStringLiteral("titleDate");
const QString kQuantity = QStringLiteral("quantity");
// The elements only the detailed variant prints.
const QStringList kDetailedOnly = {QStringLiteral("headIssue"), QStringLiteral("headDate"),
                                   QStringLiteral("issue"), QStringLiteral("date")};
} // namespace

ReportDefinition definition(const Letterhead& letterhead)
{
    ReportDefinition report = ReportParts::document(letterhead);
    const double quantityW = report.contentWidth() - kQuantityX;

    ReportBand& title = report.title;
    title.height = 24;
    title.ruleBelow = 2;
    title.addText(kMachineName, QStringLiteral("MASINA: "), {0, 0, 110, 6}).size(12, true);
    title.addText(kMachineCode, QStringLiteral("Sifra masine: "), {0, 6.5, 110, kLine});
    title.addText(kMachineCode2, QStringLiteral("Sifra 2 masine: "), {0, 11.5, 110, kLine});
    title
        .addText(QStringLiteral("titleDateCaption"),
                 QStringLiteral("Datum formiranja zbirne otpremnice:"), {0, 0, 70, kLine})
        .toRightMargin();
    title.addText(kDateLine, QString(), {0, kLine, 40, kLine}).toRightMargin();
    title.addText(QStringLiteral("titleNote"), QLatin1String(kTitle), {0, 10, 60, 7})
        .toRightMargin()
        .size(14, true);

    constexpr double headY = 18.5;
    title.addText(QStringLiteral("headRow"), QStringLiteral("Red.br."),
                  {kRowX, headY, kRowW + 1, kLine});
    title
        .addText(QStringLiteral("headGroupCode"), QStringLiteral("Sifra grupe robe"),
                 {kGroupCodeX, headY, kGroupCodeW, kLine})
        .alignRight();
    title
        .addText(QStringLiteral("headGroupName"), QStringLiteral("Naziv grupe"),
                 {kGroupNameX, headY, kGroupNameW, kLine})
        .alignCentre();
    title.addText(QStringLiteral("headCode"), QStringLiteral("Sifra"),
                  {kCodeX, headY, kCodeW, kLine});
    title.addText(QStringLiteral("headName"), QStringLiteral("Naziv artikla"),
                  {kNameX, headY, kNameW, kLine});
    title.addText(QStringLiteral("headIssue"), QStringLiteral("Otpremnica"),
                  {kIssueX, headY, kIssueW, kLine});
    title.addText(QStringLiteral("headDate"), QStringLiteral("Datum"),
                  {kDateX, headY, kDateW, kLine});
    title
        .addText(QStringLiteral("headQuantity"), QStringLiteral("Kolicina"),
                 {kQuantityX, headY, quantityW, kLine})
        .toRightMargin();

    ReportBand& detail = report.detail;
    detail.height = kLine;
    detail.addSystem(QStringLiteral("rowNumber"), SystemValue::RowNumber, {kRowX, 0, kRowW, kLine})
        .alignCentre()
        .under(QStringLiteral("headRow"));
    // The group columns carry the mask as well; it only shows on a numeric field.
    detail
        .addField(QStringLiteral("groupCode"), QStringLiteral("SIFRAGRUPE"),
                  {kGroupCodeX, 0, kGroupCodeW, kLine})
        .alignCentre()
        .mask(QStringLiteral("0.00"))
        .under(QStringLiteral("headGroupCode"));
    detail
        .addField(QStringLiteral("groupName"), QStringLiteral("NAZIVGRUPE"),
                  {kGroupNameX, 0, kGroupNameW, kLine})
        .alignRight()
        .mask(QStringLiteral("0.00"))
        .under(QStringLiteral("headGroupName"));
    detail.addField(QStringLiteral("code"), QStringLiteral("SIFRAROBE"), {kCodeX, 0, kCodeW, kLine})
        .alignCentre()
        .under(QStringLiteral("headCode"));
    detail.addField(QStringLiteral("name"), QStringLiteral("NAZIV"), {kNameX, 0, kNameW, kLine})
        .under(QStringLiteral("headName"));
    detail
        .addField(QStringLiteral("issue"), QStringLiteral("OTPREMNICA"),
                  {kIssueX, 0, kIssueW, kLine})
        .alignCentre()
        .under(QStringLiteral("headIssue"));
    detail.addField(QStringLiteral("date"), QStringLiteral("DATUM"), {kDateX, 0, kDateW, kLine})
        .alignCentre()
        .under(QStringLiteral("headDate"));
    detail
        .addField(kQuantity, quantityField(GroupedNoteVariant::Detailed),
                  {kQuantityX, 0, quantityW, kLine})
        .toRightMargin()
        .mask(QStringLiteral("0.00"))
        .under(QStringLiteral("headQuantity"));

    ReportBand& summary = report.summary;
    summary.height = 2;
    summary.ruleAbove = 2;
    return report;
}

QString quantityField(GroupedNoteVariant variant)
{
    return variant == GroupedNoteVariant::Summary ? QStringLiteral("UKUPNO")
                                                  : QStringLiteral("KOLICINA");
}

void prepare(ReportDefinition& report, GroupedNoteVariant variant, const NoteMachine& machine,
             const QString& date)
{
    report.setText(kMachineName, QStringLiteral("MASINA: ") + machine.name);
    report.setText(kMachineCode, QStringLiteral("Sifra masine: ") + machine.code);
    report.setText(kMachineCode2, QStringLiteral("Sifra 2 masine: ") + machine.code2);
    report.setText(kDateLine, date);
    const bool detailed = variant == GroupedNoteVariant::Detailed;
    for (const QString& name : kDetailedOnly)
        report.setEnabled(name, detailed);
    report.bindField(kQuantity, quantityField(variant));
}

} // namespace kestar::GroupedNoteReport
