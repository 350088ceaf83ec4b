#pragma once

#include "data/Dataset.h"
#include "reporting/RowSource.h"

#include <QList>
#include <QPointer>

namespace kestar {

// A report's rows read from a table or query without moving its cursor. Integer and number
// fields count as numeric. A query read in pages is read on as rows are asked for, and a query
// tells before its rows change. Errors of the dataset (a closed one, say) pass through as they
// are.
class DatasetRowSource : public RowSource
{
public:
    explicit DatasetRowSource(const Dataset& dataset);
    ~DatasetRowSource() override;
    DatasetRowSource(const DatasetRowSource&) = delete;
    DatasetRowSource& operator=(const DatasetRowSource&) = delete;

    qint64 rowCount() const override;
    bool hasRow(qint64 row) const override;
    int fieldIndex(const QString& name) const override;
    bool isNumeric(int field) const override;
    QString text(qint64 row, int field) const override;
    bool watchChanges(QObject* receiver, const std::function<void()>& before) const override;

private:
    struct Watcher
    {
        QPointer<QObject> receiver;
        std::function<void()> before;
    };

    const Dataset& m_dataset;
    QList<FieldDef> m_fields;
    mutable QList<Watcher> m_watchers; // told again when this source goes
};

} // namespace kestar
