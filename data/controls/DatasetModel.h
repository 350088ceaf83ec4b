#pragma once

#include "data/Dataset.h"
#include "platform/Messages.h"

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>
#include <QStringList>

namespace kestar {

// A table model over a Dataset: one row per dataset row, one column per field in field order
// titled by the field name, or the fields of a column list in its order. A closed or missing
// dataset gives no rows and no columns. The row count the dataset has is reported at once (a
// dataset read a page at a time gets its next page when the view scrolls to the end, through
// fetchMore); cell texts are read from the dataset on demand, which pages and caches its rows
// itself.
//
// Editing a cell moves the dataset to the row, starts an edit and sets the field's text; the
// row stays pending until the dataset moves or posts. A text the dataset refuses is shown
// through the Messages object and never leaves the model as an exception.
class DatasetModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // messages: where refused edits are reported.
    explicit DatasetModel(Messages& messages, QObject* parent = nullptr);

    // The model does not own the dataset; a dataset destroyed while shown leaves the model empty.
    void setDataset(Dataset* dataset);
    Dataset* dataset() const { return m_dataset; }

    // Field names in the order the columns show them; empty for every field in field order.
    // A name the dataset does not know shows an empty column.
    void setColumns(const QStringList& fieldNames);
    QStringList columns() const { return m_columnList; }

    // Read-only here or read-only in the dataset: no cell is editable.
    void setReadOnly(bool readOnly);
    bool isReadOnly() const;

    // Field name of a column, "" outside the columns.
    QString fieldName(int column) const;
    FieldType fieldType(int column) const;
    // Column that shows the field (case ignored), -1 when none does.
    int columnOf(const QString& fieldName) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Returns false when the dataset refused the text (the error has been shown by then).
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    // The dataset refused a text typed into this row; the row keeps its earlier pending values.
    void editRefused(int row);

private:
    struct Column
    {
        QString name;
        int field = -1; // index in the dataset's fields, -1 when it has no such field
        FieldType type = FieldType::Text;
    };

    void rebuild();
    void reset();
    void onStateChanged();
    void onRowChanged(qint64 row);
    void onRowsAdded(qint64 first, qint64 last);
    void onDatasetDestroyed();

    QPointer<Dataset> m_dataset;
    QStringList m_columnList;
    QList<Column> m_columns;
    int m_rowCount = 0;
    bool m_open = false;
    bool m_readOnly = false;
    Messages& m_messages;
};

} // namespace kestar
