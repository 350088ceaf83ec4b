// Editing a table: insert, edit, post, cancel and delete of the current row.
#include "data/Table.h"

#include "data/Backend.h"
#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/FieldValue.h"
#include "data/RowUpdates.h"
#include "data/Schema.h"
#include "data/TableStatements.h"

#include <numeric>

namespace kestar {

void Table::insert()
{
    checkWritable();
    finishPending();
    refreshIfStale();
    keepRow();
    QList<QVariant> row(m_file->fields.size());
    if (m_keyField >= 0)
        row[m_keyField] = QString(QLatin1String(""));
    beginInsert(row);
    emit rowsReset();
    emit stateChanged();
}

QList<QVariant> Table::currentRow()
{
    // An edit inside a transaction writes back what it reads: where another connection may
    // write the row meanwhile, it is read again under a lock held until the transaction ends.
    if (m_sql->lockRow && m_engine.inTransaction()) {
        m_sql->lockRow->bind(1, m_row.place.rowid);
        loadRow(*m_sql->lockRow);
    }
    m_editTransaction = m_engine.transactionNumber();
    m_editRowid = m_row.place.rowid;
    keepRow();
    return m_row.values.row(0);
}

RowUpdates::Since Table::sinceRead(qint64 rowid, const QList<QVariant>& read)
{
    QList<int> all(m_file->fields.size());
    std::iota(all.begin(), all.end(), 0);
    return m_sql->updates.since(rowid, all, read);
}

RowUpdates::Since Table::sinceEditBegan(qint64 rowid, const QList<int>& changed)
{
    return m_sql->updates.since(rowid, changed, m_original);
}

void Table::showRowAsItIs(qint64 rowid)
{
    // The pending values go; the row is read anew where it stands now (or its neighbour when
    // it is gone), and every grid on the cursor shows it.
    setState(DatasetState::Browse);
    clearPending();
    seekRowid(rowid);
    markStale();
    refreshIfStale();
    m_walkingForward = m_walkingBackward = false;
    emit rowsReset();
    emit stateChanged();
    emit currentChanged();
}

void Table::afterCancel(bool wasInsert)
{
    if (wasInsert)
        emit rowsReset();
    else if (m_hasRow)
        announceRowChanged();
}

void Table::postPending()
{
    if (m_postCheck && m_modified)
        m_postCheck(*this);
    if (state() == DatasetState::Insert)
        postInsert();
    else
        postEdit();
}

QVariant Table::orderBefore(const std::optional<Place>& before)
{
    if (!before) {
        if (!loadRow(*m_sql->last))
            return QVariant(qint64(0));
        return QVariant(m_row.place.order.toLongLong() + kOrderStep);
    }
    const qint64 next = before->order.toLongLong();
    Statement& prior = *m_sql->before;
    prior.bind(1, before->order);
    prior.bind(2, before->rowid);
    const bool found = prior.step();
    const qint64 previous = found ? prior.columnInt(1) : 0;
    prior.reset();
    if (!found)
        return QVariant(next - kOrderStep);
    if (next - previous >= 2)
        return QVariant(previous + (next - previous) / 2);
    return {}; // no gap left
}

void Table::postInsert()
{
    keepRow();
    const int n = m_file->fields.size();
    const std::optional<Place> before = m_hasRow ? std::optional<Place>(m_row.place) : std::nullopt;
    const Row kept = m_row;
    const bool keptHasRow = m_hasRow;
    qint64 newRowid = 0;
    try {
        m_engine.write(m_file->path, this, [&]() {
            Statement& insert = *m_sql->insert;
            for (int i = 0; i < n; ++i)
                insert.bind(i + 1, m_buffer.at(i));
            if (m_keyField < 0) {
                QVariant order = orderBefore(before);
                if (order.isNull()) {
                    m_sql->renumber->run();
                    std::optional<Place> moved;
                    if (before && seekRowid(before->rowid))
                        moved = m_row.place;
                    order = orderBefore(moved);
                }
                insert.bind(n + 1, order);
            }
            try {
                insert.run();
            } catch (const EngineError&) {
                if (m_engine.backend().lastErrorIsKeyViolation())
                    throw EngineError(QStringLiteral("Key violation"));
                throw;
            }
            newRowid = insert.newRowId();
        });
    } catch (...) {
        m_row = kept;
        m_hasRow = keptHasRow;
        throw;
    }
    const qint64 oldPosition = m_hasRow ? knownPosition() : 0;
    const qint64 oldFromEnd = m_fromEnd;
    m_pages.clear();
    if (m_count >= 0)
        ++m_count;
    setState(DatasetState::Browse);
    clearPending();
    if (!seekRowid(newRowid))
        throw EngineError(
            QStringLiteral("Novi red tabele %1 ne moze da se procita!!!").arg(m_name));
    m_eof = m_bof = false;
    if (m_keyField >= 0) {
        m_fromStart = m_fromEnd = -1;
    } else if (!keptHasRow) {
        m_fromStart = m_fromEnd = -1;
    } else if (oldPosition >= 0) {
        setPositionFromStart(oldPosition);
    } else if (oldFromEnd >= 0) {
        setPositionFromEnd(oldFromEnd + 1);
    } else {
        m_fromStart = m_fromEnd = -1;
    }
    m_walkingForward = m_walkingBackward = false;
    emit rowsReset();
    emit stateChanged();
    emit currentChanged();
}

void Table::postEdit()
{
    // The row the edit began on, wherever rereading the table has put the cursor since.
    const qint64 rowid = m_editRowid;
    const QList<int> changed = changedColumns(m_original, m_buffer);
    // An edit the program began inside the running transaction read its row under that
    // transaction's lock. Any other first compares, under a lock, the fields it writes with
    // what it read: one that another connection changed meanwhile would be lost.
    const bool lockedAtEdit =
        m_editTransaction != 0 && m_editTransaction == m_engine.transactionNumber();
    RowUpdates::writeUnlessChanged(
        m_engine, m_file->path, this, false,
        [&]() {
            return lockedAtEdit ? RowUpdates::Since::Unchanged : sinceEditBegan(rowid, changed);
        },
        [&]() {
            int written = 0;
            try {
                written = m_sql->updates.write(rowid, changed, m_buffer);
            } catch (const EngineError&) {
                if (m_engine.backend().lastErrorIsKeyViolation())
                    throw EngineError(QStringLiteral("Key violation"));
                throw;
            }
            if (written == 0)
                throw EngineError(RowUpdates::refusal(RowUpdates::Since::Gone, false));
        },
        [&]() { showRowAsItIs(rowid); });
    const bool keyMoved = m_keyField >= 0 && changed.contains(m_keyField);
    setState(DatasetState::Browse);
    clearPending();
    m_pages.clear();
    seekRowid(rowid);
    if (keyMoved)
        m_fromStart = m_fromEnd = -1;
    m_walkingForward = m_walkingBackward = false;
    if (keyMoved)
        emit rowsReset();
    else
        announceRowChanged();
    emit stateChanged();
}

void Table::remove()
{
    checkWritable();
    if (state() == DatasetState::Insert) {
        cancel();
        return;
    }
    if (state() == DatasetState::Edit)
        cancel();
    refreshIfStale();
    if (!m_hasRow)
        throw EngineError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    keepRow();
    const Place gone = m_row.place;
    // The row goes only as the user saw it: one that another connection changed or deleted
    // since it was read is shown as it is now instead.
    const QList<QVariant> read = m_row.values.row(0);
    RowUpdates::writeUnlessChanged(
        m_engine, m_file->path, this, true, [&]() { return sinceRead(gone.rowid, read); },
        [&]() {
            m_sql->remove->bind(1, gone.rowid);
            m_sql->remove->run();
        },
        [&]() { showRowAsItIs(gone.rowid); });
    m_pages.clear();
    if (m_count >= 0)
        --m_count;
    m_walkingForward = m_walkingBackward = false;
    Statement& after = *m_sql->after;
    after.bind(1, gone.order);
    after.bind(2, gone.rowid);
    if (loadRow(after)) {
        m_eof = false;
        if (m_fromEnd >= 0)
            --m_fromEnd;
    } else {
        Statement& before = *m_sql->before;
        before.bind(1, gone.order);
        before.bind(2, gone.rowid);
        if (loadRow(before)) {
            m_eof = true;
            if (m_fromStart >= 0)
                --m_fromStart;
        } else {
            setNoRow();
        }
    }
    m_bof = !m_hasRow;
    emit rowsReset();
    emit currentChanged();
}

} // namespace kestar
