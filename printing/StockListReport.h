#pragma once

#include "reporting/ReportDefinition.h"

namespace kestar {

struct Letterhead;

// The stock list: one line per article of the stock result set with its quantity, purchase
// price and value, and the total value of all lines at the end.
namespace StockListReport {

// The full report over rows of magacin: the shared letterhead and footer, the title "Popis
// robe u magacinu:" with the current date, the seven column headings, one detail line per row
// and "UKUPNO:" with the summed value. Empty quantities or prices count as 0.
ReportDefinition definition(const Letterhead& letterhead);

// How the report names the stock result set in its expressions.
inline constexpr const char* kDatasetName = "Query5";

} // namespace StockListReport
} // namespace kestar
