#include "printing/DocumentReport.h"

#include "printing/ReportParts.h"

namespace kestar::DocumentReport {

namespace {

// Columns across the 184.6 mm between the margins: x and width in mm. The quantity column
// ends at the right margin.
struct Column
{
    double x;
    double width;
};
constexpr Column kRowNumber{0, 14};
constexpr Column kGroupCode{15, 30};
constexpr Column kGroupName{46, 38};
constexpr Column kItemCode{85, 24};
constexpr Column kItemName{110, 52};
constexpr Column kQuantity{163, 21.6};

constexpr double kLine = 4.5;     // one 10 pt line
constexpr double kHeadingsY = 32; // column headings at the bottom of the title band

QRectF at(const Column& column, double y, double height = kLine)
{
    return {column.x, y, column.width, height};
}

void buildTitle(ReportBand& band, const DocumentReportInput& input)
{
    band.height = kHeadingsY + 5;
    band.ruleBelow = 2;

    band.addText(QStringLiteral("storekeeperCaption"), storekeeperCaption(input.kind),
                 {0, 0, 110, 6})
        .size(12, true);
    band.addText(QStringLiteral("storekeeper"), input.storekeeper, {0, 6, 110, kLine});
    // The third line of the left block stays empty.
    const bool issue = input.kind == NoteKind::Issue;
    band.addText(QStringLiteral("machineLine1"),
                 issue ? QStringLiteral("Sifra masine: ") + input.machineCode : QString(),
                 {0, 15, 110, kLine});
    band.addText(QStringLiteral("machineLine2"),
                 issue ? QStringLiteral("Sifra2 masine: ") + input.machineCode2 : QString(),
                 {0, 15 + kLine, 110, kLine});
    band.addText(QStringLiteral("machineLine3"),
                 issue ? QStringLiteral("NAZIV MASINE: ") + input.machineName : QString(),
                 {0, 15 + 2 * kLine, 110, kLine});

    band.addText(QStringLiteral("dateCaption"), QStringLiteral("Datum racuna"), {0, 0, 70, kLine})
        .toRightMargin();
    band.addText(QStringLiteral("documentTitle"), titlePrefix(input.kind) + input.number,
                 {0, 7, 90, 7})
        .toRightMargin()
        .size(14, true);

    band.addText(QStringLiteral("headRowNumber"), QStringLiteral("Red.br."),
                 at(kRowNumber, kHeadingsY));
    band.addText(QStringLiteral("headGroupCode"), QStringLiteral("Sifra grupe robe"),
                 at(kGroupCode, kHeadingsY))
        .alignRight();
    band.addText(QStringLiteral("headGroupName"), QStringLiteral("Naziv grupe"),
                 at(kGroupName, kHeadingsY))
        .alignCentre();
    band.addText(QStringLiteral("headCode"), QStringLiteral("Sifra"), at(kItemCode, kHeadingsY));
    band.addText(QStringLiteral("headName"), QStringLiteral("Naziv artikla"),
                 at(kItemName, kHeadingsY));
    band.addText(QStringLiteral("headQuantity"), QStringLiteral("Kolicina"),
                 at(kQuantity, kHeadingsY))
        .toRightMargin();
}

void buildDetail(ReportBand& band)
{
    band.height = 5;
    band.addSystem(QStringLiteral("rowNumber"), SystemValue::RowNumber, at(kRowNumber, 0.5))
        .alignCentre()
        .under(QStringLiteral("headRowNumber"));
    // The group columns carry the mask too; it only changes a numeric field.
    band.addField(QStringLiteral("groupCode"), QStringLiteral("SIFRAGRUPE"), at(kGroupCode, 0.5))
        .alignCentre()
        .mask(QStringLiteral("0.00"))
        .under(QStringLiteral("headGroupCode"));
    band.addField(QStringLiteral("groupName"), QStringLiteral("NAZIVGRUPE"), at(kGroupName, 0.5))
        .alignRight()
        .mask(QStringLiteral("0.00"))
        .under(QStringLiteral("headGroupName"));
    band.addField(QStringLiteral("itemCode"), QStringLiteral("SIFRAROBE"), at(kItemCode, 0.5))
        .alignCentre()
        .under(QStringLiteral("headCode"));
    band.addField(QStringLiteral("itemName"), QStringLiteral("NAZIV"), at(kItemName, 0.5))
        .under(QStringLiteral("headName"));
    band.addField(QStringLiteral("quantity"), QStringLiteral("KOLICINA"), at(kQuantity, 0.5))
        .toRightMargin()
        .mask(QStringLiteral("0.00"))
        .under(QStringLiteral("headQuantity"));
}

void buildSummary(ReportBand& band, const DocumentReportInput& input)
{
    band.ruleAbove = 2;
    band.addText(QStringLiteral("signatureLine"), QStringLiteral("_______________________________"),
                 {0, 8, 70, kLine})
        .toRightMargin();
    band.addText(QStringLiteral("signatureCaption"), QStringLiteral("Robu primio"),
                 {0, 8 + kLine, 70, kLine})
        .toRightMargin();
    double y = 8 + 3 * kLine;
    for (int i = 0; i < int(input.comments.size()); ++i) {
        const NoteComment& comment = input.comments.at(i);
        ReportElement& line =
            band.addText(QStringLiteral("comment%1").arg(i + 1), comment.text, {0, y, 150, kLine})
                .toRightMargin();
        line.enabled = comment.on;
        y += kLine;
    }
    band.height = y + 2;
}

} // namespace

QString storekeeperCaption(NoteKind kind)
{
    return kind == NoteKind::Issue ? QStringLiteral("Magacioner koji je izdao robu")
                                   : QStringLiteral("Magacioner koji je primio robu");
}

QString titlePrefix(NoteKind kind)
{
    return kind == NoteKind::Issue ? QStringLiteral("Otpremnica broj ")
                                   : QStringLiteral("Prijemnica broj ");
}

ReportDefinition definition(const Letterhead& letterhead, const DocumentReportInput& input)
{
    ReportDefinition report = ReportParts::document(letterhead);
    buildTitle(report.title, input);
    buildDetail(report.detail);
    buildSummary(report.summary, input);
    return report;
}

} // namespace kestar::DocumentReport
