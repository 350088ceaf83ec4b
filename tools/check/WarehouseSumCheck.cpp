#include "tools/check/WarehouseSumCheck.h"

#include "platform/Regional.h"
#include "tools/check/CheckReport.h"
#include "tools/check/ValueCheck.h"

#include <algorithm>
#include <cmath>

namespace kestar::check {

namespace {

// One line short of what the report lists, so that the count of the rest shows.
constexpr qsizetype kKeptLines = CheckReport::kListed - 1;

} // namespace

void WarehouseSumCheck::prepare(const StoredTable& articles)
{
    m_code = articles.fieldIndex(QStringLiteral("SIFRA"));
    m_quantity = articles.fieldIndex(QStringLiteral("KOLICINA"));
    m_warehouses.clear();
    for (int i = 1; i <= 5; ++i)
        m_warehouses.append(articles.fieldIndex(QStringLiteral("MAGACIN%1").arg(i)));
    m_lines.clear();
    m_count = 0;
}

void WarehouseSumCheck::takeRow(sqlite3_stmt* row)
{
    if (m_code < 0 || m_quantity < 0)
        return;
    const double quantity = ValueCheck::number(row, m_quantity);
    double sum = 0;
    for (const int column : std::as_const(m_warehouses)) {
        if (column >= 0)
            sum += ValueCheck::number(row, column);
    }
    const double scale = std::max({1.0, std::abs(quantity), std::abs(sum)});
    if (std::abs(quantity - sum) <= 1e-6 * scale)
        return;
    ++m_count;
    if (m_lines.size() < kKeptLines)
        m_lines.append(QStringLiteral("%1: KOLICINA %2, MAGACIN1+...+MAGACIN5 %3")
                           .arg(ValueCheck::display(row, m_code, FieldType::Text),
                                Regional::formatNumber(quantity), Regional::formatNumber(sum)));
}

void WarehouseSumCheck::report(CheckReport& report) const
{
    if (m_count == 0) {
        report.note(QStringLiteral("Every article's KOLICINA equals MAGACIN1+...+MAGACIN5."));
        return;
    }
    for (const QString& line : m_lines)
        report.note(line);
    if (m_count > m_lines.size())
        report.note(QStringLiteral("... and %1 more articles").arg(m_count - m_lines.size()));
}

} // namespace kestar::check
