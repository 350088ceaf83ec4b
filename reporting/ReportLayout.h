#pragma once

#include "reporting/ReportDefinition.h"
#include "reporting/ReportPages.h"
#include "reporting/RowSource.h"

namespace kestar {

// Lays the report out over every row of the source: page header and page footer on every
// page, the title once under the first page header, one detail band per row flowing onto as
// many pages as needed, the summary after the last row (on a new page when it does not fit).
// An empty source still gives one page with header, title, summary and footer.
//
// The date and time printed are read from the clock once, at the start. A field the source
// lacks prints empty and adds a note to the result. Errors of the source pass through.
ReportPages layoutReport(const ReportDefinition& definition, const RowSource& source,
                         const QString& title = {});

// The text a mask gives a number: its decimals, the regional decimal separator, no grouping.
QString formatMasked(double value, int decimals);

} // namespace kestar
