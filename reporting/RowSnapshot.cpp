#include "reporting/RowSnapshot.h"

namespace kestar {

RowSnapshot::RowSnapshot(const RowSource& source, const QStringList& fields)
{
    QList<int> columns;
    for (const QString& name : fields) {
        const int column = source.fieldIndex(name);
        if (column < 0 || fieldIndex(name) >= 0)
            continue;
        m_fields.append(name);
        m_numeric.append(source.isNumeric(column));
        columns.append(column);
    }
    m_rows = source.rowCount();
    if (columns.isEmpty())
        return;
    m_ends.reserve(m_rows * columns.size());
    constexpr qint64 kSample = 1000;
    for (qint64 row = 0; row < m_rows; ++row) {
        // Room for the rest as long as the first rows are: growing by doubling would hold up to
        // twice the text, and trimming afterwards would copy it all once more.
        if (row == kSample)
            m_chars.reserve(qsizetype(m_chars.size() * (double(m_rows) / kSample) * 1.05));
        for (int column : std::as_const(columns)) {
            m_chars += source.text(row, column);
            m_ends.append(m_chars.size());
        }
    }
}

int RowSnapshot::fieldIndex(const QString& name) const
{
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool RowSnapshot::isNumeric(int field) const
{
    return m_numeric.value(field, false);
}

QString RowSnapshot::text(qint64 row, int field) const
{
    if (row < 0 || row >= m_rows || field < 0 || field >= m_fields.size())
        return {};
    const qsizetype cell = row * m_fields.size() + field;
    const qsizetype start = cell > 0 ? m_ends.at(cell - 1) : 0;
    return m_chars.mid(start, m_ends.at(cell) - start);
}

} // namespace kestar
