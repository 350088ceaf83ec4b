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

} // namespace ReportParts
} // namespace kestar
