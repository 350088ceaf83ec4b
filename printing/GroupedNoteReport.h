#pragma once

#include "reporting/ReportDefinition.h"

#include <QString>

namespace kestar {

struct Letterhead;

// The two forms of the grouped delivery note: one line per article with the summed quantity
// (UKUPNO), or one line per ledger row with its issue number and date (KOLICINA).
enum class GroupedNoteVariant
{
    Summary,
    Detailed
};

// The machine named in the title of a grouped delivery note, as the page's fields hold it.
struct NoteMachine
{
    QString code;
    QString code2;
    QString name;
};

// "Zbirna otpremnica": all goods the ledger records for one machine.
namespace GroupedNoteReport {

// The report with the shared letterhead and footer, the machine and date title blocks, the
// column headings, one detail line per row and a closing rule; set up for the detailed variant
// until prepare() says otherwise.
ReportDefinition definition(const Letterhead& letterhead);

// Fills the title lines with the machine and the date line with date (already formatted), and
// switches the issue number and date columns on (detailed) or off (summary), binding the
// quantity column to KOLICINA or UKUPNO.
void prepare(ReportDefinition& report, GroupedNoteVariant variant, const NoteMachine& machine,
             const QString& date);

// The field the quantity column shows in a variant.
QString quantityField(GroupedNoteVariant variant);

inline constexpr const char* kTitle = "Zbirna otpremnica";

} // namespace GroupedNoteReport
} // namespace kestar
