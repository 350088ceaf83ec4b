#pragma once

#include "data/Dataset.h"
#include "data/controls/DatasetModel.h"
#include "platform/Messages.h"

#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QTableView>

namespace kestar {

// A grid bound to a Dataset. The grid's current row and the dataset's current row follow each
// other; typing in a cell starts an edit, leaving the row posts it (the dataset's move does),
// and a text the dataset refuses keeps the grid on its row until it is corrected or the row
// is cancelled (Escape). Rows have one fixed height, so a million-row table costs no more to
// show than a small one.
class DataGrid : public QTableView
{
    Q_OBJECT
public:
    // messages: where engine errors of edits and moves are shown.
    explicit DataGrid(Messages& messages, QWidget* parent = nullptr);

    // The grid does not own the dataset.
    void setDataset(Dataset* dataset);
    Dataset* dataset() const { return m_model->dataset(); }
    // Field names in column order; empty for every field in field order.
    void setColumns(const QStringList& fieldNames);

    // A read-only grid edits nothing; its character keys are reported through keyTyped().
    void setReadOnly(bool readOnly);
    bool isReadOnly() const;

    DatasetModel* datasetModel() const { return m_model; }

    // Field name of the column the cursor is in; "" while the grid has no columns.
    QString selectedField() const;
    // Puts the cursor into the column of the field (case ignored); false when none shows it.
    bool setSelectedField(const QString& fieldName);

    using QTableView::edit;

    // A cell editor is open.
    bool isEditing() const { return state() == QAbstractItemView::EditingState; }

    // Writes the text of an open cell editor into the dataset, for actions that post or move
    // the dataset themselves. Returns false when the dataset refused the text.
    bool commitEdit();

signals:
    // Enter or Return while no cell is being edited.
    void enterPressed(const QString& fieldName);
    // Enter or Return (the keypad's too) that closed a cell editor after it wrote its text into
    // the row: for a page whose Enter in a column must work at the first press, whether the
    // user typed into the cell or only reached it with Tab.
    void editorEntered(const QString& fieldName);
    // A printable character typed into a read-only grid.
    void keyTyped(const QString& fieldName, const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    // Opening a cell editor puts the dataset into edit, as typing into the row does.
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Puts the grid's cursor on the dataset's current row, keeping the column.
    void followDataset();
    void onModelReset();
    void onDatasetStateChanged();
    void fitColumns();
    QWidget* openEditor() const;

    DatasetModel* m_model;
    QPointer<Dataset> m_dataset;
    Messages& m_messages;
    bool m_readOnly = false;
    bool m_following = false;  // the cursor is being moved to where the dataset is
    bool m_discarding = false; // an editor is closed because the dataset moved elsewhere
    bool m_commitRefused = false;
    int m_refusedRow = -1;
    int m_currentColumn = 0;
    QHash<QString, int> m_widths; // column widths by upper-case field name
};

} // namespace kestar
