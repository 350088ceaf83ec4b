#pragma once

#include <QStringList>

namespace kestar {

// A laid-out report as one plain table, the form in which it is saved as CSV: the printed
// column titles, one row per detail line and, where the report prints totals, a last row
// with them. Numbers carry "." as decimal separator whatever the regional settings.
struct ReportTable
{
    QStringList header;
    QStringList cells; // row after row, header.size() cells each

    bool isEmpty() const { return header.isEmpty(); }
    qsizetype rowCount() const { return header.isEmpty() ? 0 : cells.size() / header.size(); }
    QStringList row(qsizetype index) const
    {
        return cells.mid(index * header.size(), header.size());
    }
};

} // namespace kestar
