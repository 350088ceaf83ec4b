#pragma once

#include "reporting/ReportDefinition.h"
#include "reporting/ReportFlow.h"
#include "reporting/ReportPages.h"
#include "reporting/RowSource.h"

namespace kestar {

// Lays the report out over every row of the source at once, every page and the whole table
// (ReportFlow says how the bands flow). For a report too long to hold at once, a
// ReportDocument lays out only the pages asked for.
ReportPages layoutReport(const ReportDefinition& definition, const RowSource& source,
                         const QString& title = {});

} // namespace kestar
