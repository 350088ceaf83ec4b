#include "data/controls/DatasetModel.h"

#include "data/controls/ActionGuard.h"

#include <exception>
#include <limits>

namespace kestar {

DatasetModel::DatasetModel(Messages& messages, QObject* parent)
    : QAbstractTableModel(parent), m_messages(messages)
{
}

void DatasetModel::setDataset(Dataset* dataset)
{
    if (dataset == m_dataset)
        return;
    if (m_dataset)
        disconnect(m_dataset, nullptr, this, nullptr);
    m_dataset = dataset;
    if (m_dataset) {
        connect(m_dataset, &Dataset::rowsReset, this, &DatasetModel::reset);
        connect(m_dataset, &Dataset::stateChanged, this, &DatasetModel::onStateChanged);
        connect(m_dataset, &Dataset::rowChanged, this, &DatasetModel::onRowChanged);
        connect(m_dataset, &Dataset::rowsAdded, this, &DatasetModel::onRowsAdded);
        connect(m_dataset, &QObject::destroyed, this, &DatasetModel::onDatasetDestroyed);
    }
    reset();
}

void DatasetModel::setColumns(const QStringList& fieldNames)
{
    m_columnList = fieldNames;
    reset();
}

void DatasetModel::setReadOnly(bool readOnly)
{
    if (readOnly == m_readOnly)
        return;
    m_readOnly = readOnly;
    // Views ask for flags when they draw and when an edit starts, so nothing else to announce.
}

bool DatasetModel::isReadOnly() const
{
    return m_readOnly || (m_dataset && m_dataset->isReadOnly());
}

QString DatasetModel::fieldName(int column) const
{
    return column >= 0 && column < m_columns.size() ? m_columns.at(column).name : QString();
}

FieldType DatasetModel::fieldType(int column) const
{
    return column >= 0 && column < m_columns.size() ? m_columns.at(column).type : FieldType::Text;
}

int DatasetModel::columnOf(const QString& fieldName) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns.at(i).name.compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int DatasetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rowCount;
}

int DatasetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !m_dataset || index.row() >= m_rowCount ||
        index.column() >= m_columns.size())
        return QVariant();
    const Column& column = m_columns.at(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (column.field < 0)
            return QString();
        try {
            return m_dataset->textAt(index.row(), column.field);
        } catch (const std::exception&) {
            // A row that vanished under the view (another cursor deleted it) reads as
            // empty until the dataset announces the change.
            return QString();
        }
    case Qt::TextAlignmentRole:
        if (column.type == FieldType::Integer || column.type == FieldType::Number)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return fieldName(section);
    return QVariant();
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    if (!isReadOnly() && index.column() < m_columns.size() &&
        m_columns.at(index.column()).field >= 0)
        result |= Qt::ItemIsEditable;
    return result;
}

bool DatasetModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !m_dataset || index.row() >= m_rowCount ||
        !(flags(index) & Qt::ItemIsEditable))
        return false;
    const Column column = m_columns.at(index.column());
    const int row = index.row();
    const QString text = value.toString();
    const bool done = guarded(m_messages, [&] {
        // An editor closed without a change writes nothing, so an untouched new row stays
        // untouched and is dropped when the cursor leaves it.
        if (m_dataset->textAt(row, column.field) == text)
            return;
        if (m_dataset->position() != row)
            m_dataset->moveTo(row);
        if (m_dataset->state() == DatasetState::Browse)
            m_dataset->edit();
        m_dataset->setText(column.name, text);
    });
    if (!done) {
        emit editRefused(row);
        return false;
    }
    // The move may have reset the rows (a dropped new row), so the index is taken afresh.
    if (row < m_rowCount && index.column() < m_columns.size()) {
        const QModelIndex cell = this->index(row, index.column());
        emit dataChanged(cell, cell);
    }
    return true;
}

void DatasetModel::rebuild()
{
    m_columns.clear();
    m_rowCount = 0;
    m_open = m_dataset && m_dataset->isOpen();
    if (!m_open)
        return;
    const QList<FieldDef> fields = m_dataset->fields();
    if (m_columnList.isEmpty()) {
        for (int i = 0; i < fields.size(); ++i)
            m_columns.append({fields.at(i).name, i, fields.at(i).type});
    } else {
        for (const QString& name : m_columnList) {
            const int field = m_dataset->fieldIndex(name);
            const FieldType type = field >= 0 ? fields.at(field).type : FieldType::Text;
            m_columns.append({field >= 0 ? fields.at(field).name : name, field, type});
        }
    }
    m_rowCount =
        int(qBound<qint64>(0, m_dataset->rowCount(), qint64(std::numeric_limits<int>::max())));
}

void DatasetModel::reset()
{
    beginResetModel();
    rebuild();
    endResetModel();
}

void DatasetModel::onStateChanged()
{
    // Browse, edit and insert come and go while a cell is being edited; only opening and
    // closing change what the model shows.
    const bool open = m_dataset && m_dataset->isOpen();
    if (open != m_open)
        reset();
}

void DatasetModel::onRowChanged(qint64 row)
{
    if (!m_dataset || m_columns.isEmpty())
        return;
    if (m_dataset->rowCount() != m_rowCount) {
        reset();
        return;
    }
    if (row < 0 || row >= m_rowCount)
        return;
    emit dataChanged(index(int(row), 0), index(int(row), int(m_columns.size()) - 1));
}

bool DatasetModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && m_open && m_dataset && m_dataset->canReadMore();
}

void DatasetModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent))
        return;
    // The rows read come back through rowsAdded.
    guarded(m_messages, [this] { m_dataset->readMore(); });
}

void DatasetModel::onRowsAdded(qint64 first, qint64 last)
{
    if (!m_open || first != m_rowCount || last < first ||
        last >= qint64(std::numeric_limits<int>::max())) {
        reset();
        return;
    }
    beginInsertRows({}, int(first), int(last));
    m_rowCount = int(last) + 1;
    endInsertRows();
}

void DatasetModel::onDatasetDestroyed()
{
    beginResetModel();
    m_dataset = nullptr;
    m_columns.clear();
    m_rowCount = 0;
    m_open = false;
    endResetModel();
}

} // namespace kestar
