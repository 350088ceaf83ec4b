#pragma once

#include "data/Dataset.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

namespace kestar {

// The state machine every cursor shares, whatever holds its rows: the state (closed, browse,
// edit, insert), the pending row and what changed in it, the field lookup, the checks that the
// cursor is open and may be written, the preamble of every move ("a move first posts a changed
// pending row and drops an unchanged one"), edit, cancel, post and the change signals.
//
// A subclass keeps only its storage: how a row is read and written, how it moves, how it
// counts. Reading a cell stays the subclass's own non-virtual work (text(), number(),
// textAt()), so a walk over many rows pays no extra call per cell.
class Cursor : public Dataset
{
    Q_OBJECT
public:
    using Dataset::Dataset;

    bool isOpen() const final { return m_state != DatasetState::Closed; }
    DatasetState state() const final { return m_state; }
    bool isReadOnly() const override { return m_readOnly; }
    void setReadOnly(bool readOnly) override { m_readOnly = readOnly; }

    QList<FieldDef> fields() const override { return m_fields; }
    int fieldIndex(const QString& name) const override;

    void setText(const QString& field, const QString& text) override;
    void setNumber(const QString& field, double value) override;

    // edit() on a cursor without a current row starts an insert (editWithoutRow()).
    void edit() override;
    void post() override;
    void cancel() override;
    bool isModified() const override { return m_modified; }

protected:
    bool isPending() const
    {
        return m_state == DatasetState::Edit || m_state == DatasetState::Insert;
    }
    // The fields by index; names are found exactly first, then without regard to case.
    void setFields(const QList<FieldDef>& fields);
    const QList<FieldDef>& fieldList() const { return m_fields; }

    void checkOpen() const;
    void checkWritable() const;
    // Index of a field of an open cursor; raises "Field 'NAME' not found".
    int checkedField(const QString& name) const;
    // Posts a changed pending row, drops an unchanged one. True when an insert was dropped.
    bool finishPending();
    // What every move does first: the cursor must be open, a pending row is finished, and rows
    // another cursor wrote meanwhile are read again.
    void beginMove()
    {
        checkOpen();
        finishPending();
        refreshIfStale();
    }

    // Another cursor wrote the rows: they are read again at the next use (rereadStale()), and
    // the grids hear of it once, when the program is idle again, however many writes came.
    // While a row is pending, all that waits until it has been posted or cancelled.
    void markStale();
    void refreshIfStale() const
    {
        if (m_stale && isOpen()) {
            m_stale = false;
            const_cast<Cursor*>(this)->rereadStale();
        }
    }
    void clearStale() { m_stale = false; }

    // Enters a state and drops the pending row (closing, or after a post).
    void setState(DatasetState state) { m_state = state; }
    void clearPending();
    void markStaleAfterPending();
    // Starts an insert of row (the new row's stored values).
    void beginInsert(const QList<QVariant>& row);
    // rowChanged for the current row; its position is worked out only for a listener.
    void announceRowChanged();

    // ---- storage hooks ----
    virtual bool hasCurrentRow() const = 0;
    // The stored values of the current row, to edit.
    virtual QList<QVariant> currentRow() = 0;
    virtual void editWithoutRow() { insert(); }
    // Converts a value for the pending row's field; raises the engine's conversion texts.
    virtual QVariant storedFromText(int field, const QString& text) const = 0;
    virtual QVariant storedFromNumber(int field, double value) const = 0;
    // Writes the pending row (state Insert or Edit), then returns to browse.
    virtual void postPending() = 0;
    // Drops the pending row; state is Browse again and the pending values are gone.
    virtual void afterCancel(bool wasInsert) = 0;
    // Forgets rows it holds of another cursor's writes (markStale) and rereads them on next use.
    virtual void dropCachedRows() {}
    virtual void rereadStale() = 0;
    virtual qint64 currentPosition() const { return position(); }

    QList<QVariant> m_buffer;   // the pending row
    QList<QVariant> m_original; // the edited row as read, to write back only what changed
    bool m_modified = false;

private:
    DatasetState m_state = DatasetState::Closed;
    bool m_readOnly = false;
    mutable bool m_stale = false;
    bool m_resetQueued = false;
    bool m_staleWhilePending = false; // another cursor wrote while a row was pending
    QList<FieldDef> m_fields;
    QHash<QString, int> m_fieldByName; // exact names; other spellings are looked up by scan
};

} // namespace kestar
