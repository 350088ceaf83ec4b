#include "reporting/DatasetRowSource.h"

namespace kestar {

DatasetRowSource::DatasetRowSource(const Dataset& dataset)
    : m_dataset(dataset), m_fields(dataset.fields())
{
}

qint64 DatasetRowSource::rowCount() const
{
    return m_dataset.rowCount();
}

int DatasetRowSource::fieldIndex(const QString& name) const
{
    return m_dataset.fieldIndex(name);
}

bool DatasetRowSource::isNumeric(int field) const
{
    if (field < 0 || field >= m_fields.size())
        return false;
    const FieldType type = m_fields.at(field).type;
    return type == FieldType::Integer || type == FieldType::Number;
}

QString DatasetRowSource::text(qint64 row, int field) const
{
    return m_dataset.textAt(row, field);
}

} // namespace kestar
