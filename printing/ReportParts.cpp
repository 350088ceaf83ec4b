#include "printing/ReportParts.h"

#include "shell/Letterhead.h"

namespace kestar::ReportParts {

ReportDefinition document(const Letterhead& letterhead)
{
    ReportDefinition report;
    report.paperSize = {210, 297};
    report.margins = {12.7, 12.7, 12.7, 12.7};
    report.baseFont = FontSpec{QStringLiteral("Arial"), 10, false};

    ReportBand& header = report.pageHeader;
    header.height = kHeaderHeight;
    header.addText(QStringLiteral("letterName"), letterhead.name, {0, 0, 100, 4.2})
        .toRightMargin()
        .size(8, true);
    header.addText(QStringLiteral("letterAddress"), letterhead.address, {0, 4.2, 100, 3.6})
        .toRightMargin()
        .size(7);
    header
        .addText(QStringLiteral("letterRegistration"), letterhead.registration, {0, 7.8, 100, 3.6})
        .toRightMargin()
        .size(7);
    header.addText(QStringLiteral("letterTelephone"), letterhead.telephone, {0, 11.4, 100, 3.6})
        .toRightMargin()
        .size(7);

    ReportBand& footer = report.pageFooter;
    footer.height = 6;
    footer.addSystem(QStringLiteral("footerDateTime"), SystemValue::DateTime, {0, 1.5, 80, 4})
        .size(8);
    footer.addSystem(QStringLiteral("footerPage"), SystemValue::PageNumber, {0, 1.5, 40, 4})
        .prefix(QStringLiteral("Strana: "))
        .toRightMargin()
        .size(8);
    return report;
}

void addColumns(ReportDefinition& report, const QList<Column>& columns, double headY,
                double lineHeight)
{
    for (const Column& column : columns) {
        const double width = column.width > 0 ? column.width : report.contentWidth() - column.x;
        ReportElement& heading = report.title.addText(column.heading, column.title,
                                                      {column.x, headY, width, lineHeight});
        const QRectF at(column.x, 0, width, lineHeight);
        ReportElement& value =
            column.kind == Column::Value::RowNumber
                ? report.detail.addSystem(column.element, SystemValue::RowNumber, at)
            : column.kind == Column::Value::Expression
                ? report.detail.addExpression(column.element, column.value, at)
                : report.detail.addField(column.element, column.value, at);
        value.under(column.heading);
        if (column.masked)
            value.mask(QStringLiteral("0.00"));
        if (column.width > 0) {
            heading.setAlign(column.headingAlign);
            value.setAlign(column.valueAlign);
        } else {
            heading.toRightMargin();
            value.toRightMargin();
        }
    }
}

} // namespace kestar::ReportParts
