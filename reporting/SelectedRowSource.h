#pragma once

#include "reporting/RowSource.h"

#include <QList>

namespace kestar {

// Some rows of another source, in the order given: for a report over the rows that pass a
// test the table engine's dialect cannot state. The other source must outlive this one.
class SelectedRowSource : public RowSource
{
public:
    SelectedRowSource(const RowSource& source, QList<qint64> rows)
        : m_source(source), m_rows(std::move(rows))
    {
    }

    qint64 rowCount() const override { return m_rows.size(); }
    int fieldIndex(const QString& name) const override { return m_source.fieldIndex(name); }
    bool isNumeric(int field) const override { return m_source.isNumeric(field); }
    QString text(qint64 row, int field) const override
    {
        return m_source.text(m_rows.at(row), field);
    }

private:
    const RowSource& m_source;
    QList<qint64> m_rows;
};

} // namespace kestar
