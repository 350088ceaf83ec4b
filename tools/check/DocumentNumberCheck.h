#pragma once

#include "tools/check/StoredTable.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <optional>

namespace kestar::check {

class CheckReport;

// BROJDOKUMENTA is the program's own running number: each posting takes one no other posting
// has. A posting writes its lines as one run of rows at the front of the ledger, every row with
// the same BROJDOKUMENTA, the same issue and receipt numbers (OTPREMNICA, ULAZ), date and user.
// So the rows of one BROJDOKUMENTA belong to more than one posting when they stand in separate
// runs in ledger order, or when they differ in one of those fields. Two postings alike in all of
// them that stand next to each other cannot be told from one posting of more lines.
class DocumentNumberCheck
{
public:
    void prepare(const StoredTable& ledger);
    // One ledger row of the walk in ledger order.
    void takeRow(qint64 rowNumber, sqlite3_stmt* row);
    void report(bool ledgerRead, CheckReport& report) const;

private:
    struct Document
    {
        QByteArray header; // the fields one posting writes alike on every row
        qint64 firstRow = 0;
        int runs = 1;
        qint64 otherRunRow = 0;  // first row of the second run
        qint64 differingRow = 0; // first row whose header differs from the first row's
    };

    int m_number = -1;
    QList<int> m_header;
    QHash<qint64, Document> m_documents;
    std::optional<qint64> m_previous; // BROJDOKUMENTA of the row before
};

} // namespace kestar::check
