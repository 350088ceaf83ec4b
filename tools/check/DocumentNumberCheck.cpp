#include "tools/check/DocumentNumberCheck.h"

#include "tools/check/CheckReport.h"

#include <algorithm>
#include <sqlite3.h>

namespace kestar::check {

void DocumentNumberCheck::prepare(const StoredTable& ledger)
{
    m_number = ledger.fieldIndex(QStringLiteral("BROJDOKUMENTA"));
    m_header.clear();
    for (const char* field : {"OTPREMNICA", "ULAZ", "DATUM", "KORISNIK"})
        m_header.append(ledger.fieldIndex(QString::fromLatin1(field)));
    m_documents.clear();
    m_previous.reset();
}

void DocumentNumberCheck::takeRow(qint64 rowNumber, sqlite3_stmt* row)
{
    if (m_number < 0)
        return;
    if (sqlite3_column_type(row, m_number) != SQLITE_INTEGER) {
        m_previous.reset();
        return;
    }
    const qint64 number = sqlite3_column_int64(row, m_number);
    QByteArray header;
    for (const int column : std::as_const(m_header)) {
        if (column >= 0) {
            header += char('0' + sqlite3_column_type(row, column));
            header += QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(row, column)),
                                 sqlite3_column_bytes(row, column));
        }
        header += '\0';
    }
    const auto found = m_documents.find(number);
    if (found == m_documents.end()) {
        m_documents.insert(number, {header, rowNumber, 1, 0, 0});
    } else {
        Document& document = found.value();
        if (m_previous != number && ++document.runs == 2)
            document.otherRunRow = rowNumber;
        if (document.differingRow == 0 && header != document.header)
            document.differingRow = rowNumber;
    }
    m_previous = number;
}

void DocumentNumberCheck::report(bool ledgerRead, CheckReport& report) const
{
    if (!ledgerRead || m_number < 0)
        return;
    QList<qint64> shared;
    for (auto it = m_documents.cbegin(); it != m_documents.cend(); ++it) {
        if (it.value().runs > 1 || it.value().differingRow != 0)
            shared.append(it.key());
    }
    std::sort(shared.begin(), shared.end());
    for (const qint64 number : std::as_const(shared)) {
        const Document& document = m_documents.value(number);
        if (document.runs > 1) {
            report.problem(QStringLiteral("BROJDOKUMENTA %1 is held by more than one posting: its "
                                          "rows stand in %2 separate runs of the ledger (the "
                                          "first from row %3, the second from row %4)")
                               .arg(number)
                               .arg(document.runs)
                               .arg(document.firstRow)
                               .arg(document.otherRunRow));
        } else {
            report.problem(QStringLiteral("BROJDOKUMENTA %1 is held by more than one posting: "
                                          "rows %2 and %3 differ in OTPREMNICA, ULAZ, DATUM or "
                                          "KORISNIK")
                               .arg(number)
                               .arg(document.firstRow)
                               .arg(document.differingRow));
        }
    }
}

} // namespace kestar::check
