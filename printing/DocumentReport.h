#pragma once

#include "reporting/ReportDefinition.h"

#include <QString>
#include <array>

namespace kestar {

struct Letterhead;

// The two kinds of printed goods note.
enum class NoteKind
{
    Issue,  // "Otpremnica", a delivery note
    Receipt // "Prijemnica"
};

// One free comment line of the note's summary.
struct NoteComment
{
    bool on = false;
    QString text;
};

// What the printed note shows besides its rows.
struct DocumentReportInput
{
    NoteKind kind = NoteKind::Issue;
    QString storekeeper; // KORISNIK of the document's current row
    // The machine the goods went to, as the print page shows it; printed for an issue only.
    QString machineCode;
    QString machineCode2;
    QString machineName;
    QString number; // the print number as the page shows it ("1,234")
    std::array<NoteComment, 3> comments;
};

namespace DocumentReport {

// "Magacioner koji je izdao robu" / "Magacioner koji je primio robu".
QString storekeeperCaption(NoteKind kind);
// "Otpremnica broj " / "Prijemnica broj ".
QString titlePrefix(NoteKind kind);

// The issue or receipt note over ledger rows (fields SIFRAGRUPE, NAZIVGRUPE, SIFRAROBE, NAZIV,
// KOLICINA): the letterhead and the page footer every document shares, the title block with
// the storekeeper, the machine lines of an issue, "Datum racuna" and the title, the column
// headings, one detail line per row with its running number, and the summary with the
// signature line and the comments that are switched on.
ReportDefinition definition(const Letterhead& letterhead, const DocumentReportInput& input);

} // namespace DocumentReport
} // namespace kestar
