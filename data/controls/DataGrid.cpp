#include "data/controls/DataGrid.h"

#include "data/controls/ActionGuard.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScopedValueRollback>

namespace kestar {

namespace {

constexpr QAbstractItemView::EditTriggers kEditTriggers = QAbstractItemView::AnyKeyPressed |
                                                          QAbstractItemView::DoubleClicked |
                                                          QAbstractItemView::EditKeyPressed;

// Room for a typical value of each kind, in average characters.
int typicalChars(FieldType type)
{
    switch (type) {
    case FieldType::Integer:
        return 7;
    case FieldType::Number:
        return 9;
    case FieldType::Date:
        return 10;
    case FieldType::Text:
        break;
    }
    return 14;
}

} // namespace

DataGrid::DataGrid(Messages& messages, QWidget* parent)
    : QTableView(parent), m_model(new DatasetModel(messages, this)), m_messages(messages)
{
    setModel(m_model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(kEditTriggers);
    setWordWrap(false);
    setCornerButtonEnabled(false);

    // One fixed row height: the view then never measures rows, however many there are.
    QHeaderView* rows = verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(fontMetrics().height());
    rows->setDefaultSectionSize(fontMetrics().height() + 6);
    rows->hide();

    QHeaderView* columns = horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setHighlightSections(false);
    columns->setStretchLastSection(false);

    // The header forgets its widths on every reset; keep those the user set, by field name.
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        for (int i = 0; i < m_model->columnCount(); ++i)
            m_widths.insert(m_model->fieldName(i).toUpper(), columnWidth(i));
    });
    connect(m_model, &QAbstractItemModel::modelReset, this, &DataGrid::onModelReset);
    connect(m_model, &DatasetModel::editRefused, this, [this](int row) {
        m_commitRefused = true;
        m_refusedRow = row;
    });
}

void DataGrid::setDataset(Dataset* dataset)
{
    if (m_dataset)
        disconnect(m_dataset, nullptr, this, nullptr);
    m_dataset = dataset;
    m_refusedRow = -1;
    if (m_dataset) {
        connect(m_dataset, &Dataset::currentChanged, this, &DataGrid::followDataset);
        connect(m_dataset, &Dataset::stateChanged, this, &DataGrid::onDatasetStateChanged);
    }
    m_model->setDataset(dataset);
}

void DataGrid::setColumns(const QStringList& fieldNames)
{
    m_model->setColumns(fieldNames);
}

void DataGrid::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    m_model->setReadOnly(readOnly);
    setEditTriggers(readOnly ? QAbstractItemView::NoEditTriggers : kEditTriggers);
}

bool DataGrid::isReadOnly() const
{
    return m_model->isReadOnly();
}

QString DataGrid::selectedField() const
{
    const int count = m_model->columnCount();
    if (count == 0)
        return QString();
    const QModelIndex current = currentIndex();
    const int column = current.isValid() ? current.column() : qBound(0, m_currentColumn, count - 1);
    return m_model->fieldName(column);
}

bool DataGrid::setSelectedField(const QString& fieldName)
{
    const int column = m_model->columnOf(fieldName);
    if (column < 0)
        return false;
    m_currentColumn = column;
    const QModelIndex current = currentIndex();
    if (current.isValid() && current.column() != column)
        setCurrentIndex(m_model->index(current.row(), column));
    return true;
}

bool DataGrid::commitEdit()
{
    QWidget* editor = openEditor();
    if (!editor)
        return true;
    m_commitRefused = false;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    return !m_commitRefused;
}

void DataGrid::keyPressEvent(QKeyEvent* event)
{
    if (state() != QAbstractItemView::EditingState) {
        const int key = event->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            event->accept();
            emit enterPressed(selectedField());
            return;
        }
        if (key == Qt::Key_Escape && m_dataset && !isReadOnly() &&
            (m_dataset->state() == DatasetState::Edit ||
             m_dataset->state() == DatasetState::Insert)) {
            event->accept();
            guarded(m_messages, [this] { m_dataset->cancel(); });
            return;
        }
        const QString text = event->text();
        const bool command = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
        if (isReadOnly() && !command && !text.isEmpty() && text.at(0).isPrint()) {
            event->accept();
            emit keyTyped(selectedField(), text);
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

void DataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    // The base closes an open editor of the previous cell and commits it, so a typed change
    // is in the dataset before the dataset moves.
    QTableView::currentChanged(current, previous);
    if (current.isValid())
        m_currentColumn = current.column();
    if (m_following || !current.isValid() || !m_dataset || !m_dataset->isOpen())
        return;
    if (m_refusedRow >= 0 && previous.isValid() && previous.row() == m_refusedRow &&
        current.row() != m_refusedRow) {
        // Leaving would post the row without the value the user typed.
        QScopedValueRollback following(m_following, true);
        selectionModel()->setCurrentIndex(previous, QItemSelectionModel::ClearAndSelect);
        return;
    }
    if (current.row() == m_dataset->position())
        return;
    guarded(m_messages, [&] {
        qint64 target = current.row();
        if (m_dataset->state() == DatasetState::Insert && !m_dataset->isModified() &&
            target > m_dataset->position()) {
            // The untouched new row goes first; the rows below it then move up by one.
            m_dataset->cancel();
            --target;
        }
        m_dataset->moveTo(target);
    });
    // A refused post keeps the dataset where it was; the grid goes back there too.
    followDataset();
}

void DataGrid::commitData(QWidget* editor)
{
    if (m_discarding)
        return;
    m_refusedRow = -1;
    m_commitRefused = false;
    QTableView::commitData(editor);
}

void DataGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    // The delegate closes a cell editor on Enter with this hint, after writing its text.
    const bool enter =
        hint == QAbstractItemDelegate::SubmitModelCache && !m_discarding && !m_commitRefused;
    QTableView::closeEditor(editor, hint);
    if (enter && !isEditing())
        emit editorEntered(selectedField());
}

bool DataGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    const bool wasEditing = isEditing();
    const bool opened = QTableView::edit(index, trigger, event);
    if (opened && !wasEditing && m_dataset && m_dataset->isOpen() &&
        m_dataset->state() == DatasetState::Browse && index.row() == m_dataset->position())
        guarded(m_messages, [this] { m_dataset->edit(); });
    return opened;
}

bool DataGrid::event(QEvent* event)
{
    // Cells take their hints from the model; the grid's own hint is shown over the cells too.
    if (event->type() == QEvent::ToolTipChange)
        viewport()->setToolTip(toolTip());
    return QTableView::event(event);
}

void DataGrid::followDataset()
{
    if (!m_dataset || !m_dataset->isOpen() || m_model->columnCount() == 0)
        return;
    const qint64 position = m_dataset->position();
    if (position < 0 || position >= m_model->rowCount())
        return;
    const QModelIndex current = currentIndex();
    if (current.isValid() && current.row() == position)
        return;
    const int column = qBound(0, m_currentColumn, m_model->columnCount() - 1);
    // An editor still open belongs to the row the dataset has already left.
    QScopedValueRollback following(m_following, true);
    QScopedValueRollback discarding(m_discarding, true);
    selectionModel()->setCurrentIndex(m_model->index(int(position), column),
                                      QItemSelectionModel::ClearAndSelect);
}

void DataGrid::onModelReset()
{
    fitColumns();
    followDataset();
}

void DataGrid::onDatasetStateChanged()
{
    if (!m_dataset || m_dataset->state() == DatasetState::Browse ||
        m_dataset->state() == DatasetState::Closed)
        m_refusedRow = -1;
}

void DataGrid::fitColumns()
{
    const QFontMetrics metrics = fontMetrics();
    for (int i = 0; i < m_model->columnCount(); ++i) {
        const QString name = m_model->fieldName(i);
        const auto saved = m_widths.constFind(name.toUpper());
        if (saved != m_widths.cend()) {
            setColumnWidth(i, *saved);
            continue;
        }
        const int title = metrics.horizontalAdvance(name) + 16;
        const int value = metrics.averageCharWidth() * typicalChars(m_model->fieldType(i)) + 12;
        setColumnWidth(i, qMax(title, value));
    }
}

QWidget* DataGrid::openEditor() const
{
    if (state() != QAbstractItemView::EditingState)
        return nullptr;
    // Cell editors are the only widgets this grid puts on its viewport.
    const auto children = viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        if (!child->isHidden())
            return child;
    }
    return nullptr;
}

} // namespace kestar
