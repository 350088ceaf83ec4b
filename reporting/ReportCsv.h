#pragma once

#include "reporting/ReportTable.h"

#include <QByteArray>
#include <QString>

namespace kestar {

class ReportDocument;

// The table of a report as CSV (RFC 4180): UTF-8 with a byte-order mark, so that spreadsheet
// programs take the letters right; fields separated by commas and quoted when they hold a
// comma, a quote, a line break or a space at either end; every record ended by CR LF; the
// header first.
QByteArray reportCsv(const ReportTable& table);

// Writes the CSV into the file, replacing it whole or not at all: a failed write leaves an
// existing file as it was. On failure returns false and sets *error to a text for the user.
bool writeReportCsv(const ReportTable& table, const QString& path, QString* error = nullptr);
// The same for the table of a whole report, written as the report is laid out again, so that
// only a page's worth of rows is held at a time.
bool writeReportCsv(ReportDocument& report, const QString& path, QString* error = nullptr);

} // namespace kestar
