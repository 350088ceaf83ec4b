#pragma once

#include "reporting/ReportDefinition.h"

namespace kestar {

struct Letterhead;

// The parts every printed document shares.
namespace ReportParts {

// A4 portrait, 12.7 mm margins, Arial 10 pt, with the letterhead as page header (four lines
// right-aligned to the right margin: the name line in 8 pt bold, the others in 7 pt) and the
// page footer (date and time at the left, "Strana:" and the page number at the right, 8 pt).
ReportDefinition document(const Letterhead& letterhead);

// Height of the letterhead band, mm.
inline constexpr double kHeaderHeight = 16;

// One column of a listing: its heading in the title band and its value in the detail band,
// tied together for the table the report is also saved as.
struct Column
{
    enum class Value
    {
        Field,
        Expression,
        RowNumber
    };
    QString heading; // element name of the heading
    QString title;   // the heading's text
    QString element; // element name of the value
    Value kind = Value::Field;
    QString value; // field name or expression
    double x = 0;
    double width = 0; // mm; 0: up to the right margin (heading and value right-aligned there)
    Align headingAlign = Align::Left;
    Align valueAlign = Align::Left;
    bool masked = false; // mask "0.00"
};

// Adds the columns: headings at headY in the title band, values at the top of the detail band,
// each lineHeight high.
void addColumns(ReportDefinition& report, const QList<Column>& columns, double headY,
                double lineHeight);

} // namespace ReportParts
} // namespace kestar
