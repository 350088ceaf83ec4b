#pragma once

#include "data/Dataset.h"
#include "reporting/RowSource.h"

#include <QList>

namespace kestar {

// A report's rows read from a table or query without moving its cursor. Integer and number
// fields count as numeric. Errors of the dataset (a closed one, say) pass through as they are.
class DatasetRowSource : public RowSource
{
public:
    explicit DatasetRowSource(const Dataset& dataset);

    qint64 rowCount() const override;
    int fieldIndex(const QString& name) const override;
    bool isNumeric(int field) const override;
    QString text(qint64 row, int field) const override;

private:
    const Dataset& m_dataset;
    QList<FieldDef> m_fields;
};

} // namespace kestar
