#include "reporting/TableRowSource.h"

namespace kestar {

TableRowSource::TableRowSource(const QStringList& fields, const QStringList& numericFields)
    : m_fields(fields)
{
    for (const QString& name : numericFields) {
        const int index = fieldIndex(name);
        if (index >= 0)
            m_numeric.insert(index);
    }
}

void TableRowSource::addRow(const QStringList& cells)
{
    m_rows.append(cells);
}

int TableRowSource::fieldIndex(const QString& name) const
{
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString TableRowSource::text(qint64 row, int field) const
{
    if (row < 0 || row >= m_rows.size())
        return {};
    const QStringList& cells = m_rows.at(row);
    return field >= 0 && field < cells.size() ? cells.at(field) : QString();
}

} // namespace kestar
