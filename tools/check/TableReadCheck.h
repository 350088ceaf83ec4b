#pragma once

#include "tools/check/StoredTable.h"

#include <QString>
#include <memory>

namespace kestar {
struct TableDef;
}

namespace kestar::check {

class CheckReport;

// Reads one table file the way the program does and reports what it could not read back: a
// file that does not open, a field the program needs that is missing or not a number, every
// stored value that does not read back (ValueCheck) and, in a keyed table, every repeated key.
class TableReadCheck
{
public:
    explicit TableReadCheck(CheckReport& report) : m_report(report) {}

    // Opens the file; label names it in the report ("magacin.db"). expected is the program's
    // layout of the table, or nullptr for a file that is none of the program's tables. Returns
    // nullptr when the file cannot be opened, which is reported as a problem.
    std::unique_ptr<StoredTable> open(const QString& label, const QString& path,
                                      const TableDef* expected);

    // Walks every row in natural order and reports each unreadable value by row number, field
    // and what is wrong; visitor (if any) sees every row as well. keyField is the field whose
    // values must not repeat ("" for none). Returns false when the walk broke off (reported).
    bool walk(const QString& label, const StoredTable& table, const QString& keyField,
              const StoredTable::RowVisitor& visitor = {});

private:
    CheckReport& m_report;
};

} // namespace kestar::check
