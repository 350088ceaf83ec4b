#pragma once

#include "reporting/RowSource.h"

#include <QList>
#include <QSet>
#include <QStringList>

namespace kestar {

// Rows held in memory: for reports over data the program assembles itself, and for tests.
class TableRowSource : public RowSource
{
public:
    // numericFields: names of the fields a display mask applies to.
    explicit TableRowSource(const QStringList& fields, const QStringList& numericFields = {});

    // Missing trailing cells read as "".
    void addRow(const QStringList& cells);

    qint64 rowCount() const override { return m_rows.size(); }
    int fieldIndex(const QString& name) const override;
    bool isNumeric(int field) const override { return m_numeric.contains(field); }
    QString text(qint64 row, int field) const override;

private:
    QStringList m_fields;
    QSet<int> m_numeric;
    QList<QStringList> m_rows;
};

} // namespace kestar
