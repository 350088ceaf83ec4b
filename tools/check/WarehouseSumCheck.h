#pragma once

#include "tools/check/StoredTable.h"

#include <QList>
#include <QString>

namespace kestar::check {

class CheckReport;

// Articles whose KOLICINA is not MAGACIN1 + ... + MAGACIN5. Postings keep the two equal, but
// editing in the item grid may part them, so this is information, not a fault.
class WarehouseSumCheck
{
public:
    // Before the walk of the article table.
    void prepare(const StoredTable& articles);
    void takeRow(sqlite3_stmt* row);
    void report(CheckReport& report) const;

private:
    int m_code = -1;
    int m_quantity = -1;
    QList<int> m_warehouses;
    QStringList m_lines;
    qint64 m_count = 0;
};

} // namespace kestar::check
