#include "reporting/DatasetRowSource.h"

#include "data/Query.h"

namespace kestar {

DatasetRowSource::DatasetRowSource(const Dataset& dataset)
    : m_dataset(dataset), m_fields(dataset.fields())
{
}

DatasetRowSource::~DatasetRowSource()
{
    for (const Watcher& watcher : std::as_const(m_watchers)) {
        if (watcher.receiver)
            watcher.before();
    }
}

qint64 DatasetRowSource::rowCount() const
{
    return m_dataset.rowCount();
}

bool DatasetRowSource::hasRow(qint64 row) const
{
    if (row < 0)
        return false;
    // Reading on changes no row of the result, only how much of it is in memory.
    auto& dataset = const_cast<Dataset&>(m_dataset);
    while (row >= dataset.rowCount() && dataset.canReadMore())
        dataset.readMore();
    return row < dataset.rowCount();
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

bool DatasetRowSource::watchChanges(QObject* receiver, const std::function<void()>& before) const
{
    const auto* query = qobject_cast<const Query*>(&m_dataset);
    if (!query || !receiver)
        return false;
    QObject::connect(query, &Query::aboutToChange, receiver, before);
    m_watchers.append({receiver, before});
    return true;
}

} // namespace kestar
