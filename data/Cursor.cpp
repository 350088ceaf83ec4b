#include "data/Cursor.h"

#include "data/EngineError.h"

#include <QMetaMethod>
#include <QMetaObject>

namespace kestar {

void Cursor::setFields(const QList<FieldDef>& fields)
{
    m_fields = fields;
    m_fieldByName.clear();
    // A result may name a column twice: the first one answers, as the scan would find it.
    for (int i = 0; i < m_fields.size(); ++i) {
        bool earlier = false;
        for (int j = 0; j < i && !earlier; ++j)
            earlier = m_fields.at(j).name.compare(m_fields.at(i).name, Qt::CaseInsensitive) == 0;
        if (!earlier)
            m_fieldByName.insert(m_fields.at(i).name, i);
    }
}

int Cursor::fieldIndex(const QString& name) const
{
    const auto exact = m_fieldByName.constFind(name);
    if (exact != m_fieldByName.cend())
        return exact.value();
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void Cursor::checkOpen() const
{
    if (!isOpen())
        throw EngineError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void Cursor::checkWritable() const
{
    checkOpen();
    if (isReadOnly())
        throw EngineError(QStringLiteral("Cannot modify a read-only dataset"));
}

int Cursor::checkedField(const QString& name) const
{
    checkOpen();
    const int index = fieldIndex(name);
    if (index < 0)
        throw EngineError(QStringLiteral("Field '%1' not found").arg(name));
    return index;
}

bool Cursor::finishPending()
{
    if (!isPending())
        return false;
    if (m_modified) {
        post();
        return false;
    }
    const bool wasInsert = m_state == DatasetState::Insert;
    cancel();
    return wasInsert;
}

void Cursor::markStale()
{
    if (isPending()) {
        // The row being typed keeps its place, and its grid keeps the open cell: the rows are
        // read again once it has been posted or cancelled.
        m_staleWhilePending = true;
        return;
    }
    m_stale = true;
    dropCachedRows();
    if (m_resetQueued)
        return;
    m_resetQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this]() {
            m_resetQueued = false;
            if (!isOpen())
                return;
            if (isPending())
                m_staleWhilePending = true;
            else
                emit rowsReset();
        },
        Qt::QueuedConnection);
}

void Cursor::markStaleAfterPending()
{
    if (m_staleWhilePending && !isPending()) {
        m_staleWhilePending = false;
        markStale();
    }
}

void Cursor::clearPending()
{
    m_buffer.clear();
    m_original.clear();
    m_modified = false;
}

void Cursor::beginInsert(const QList<QVariant>& row)
{
    m_buffer = row;
    m_original.clear();
    m_modified = false;
    m_state = DatasetState::Insert;
}

void Cursor::announceRowChanged()
{
    // Working out the position of a row found by key counts the rows before it, which over a
    // large table costs more than the edit itself: only a listener gets it.
    static const QMetaMethod signal = QMetaMethod::fromSignal(&Dataset::rowChanged);
    if (isSignalConnected(signal))
        emit rowChanged(currentPosition());
}

void Cursor::setText(const QString& field, const QString& text)
{
    const int index = checkedField(field);
    if (m_state == DatasetState::Browse)
        throw EngineError(QStringLiteral("Dataset not in edit or insert mode"));
    m_buffer[index] = storedFromText(index, text);
    m_modified = true;
    announceRowChanged();
}

void Cursor::setNumber(const QString& field, double value)
{
    const int index = checkedField(field);
    if (m_state == DatasetState::Browse)
        throw EngineError(QStringLiteral("Dataset not in edit or insert mode"));
    m_buffer[index] = storedFromNumber(index, value);
    m_modified = true;
    announceRowChanged();
}

void Cursor::edit()
{
    checkWritable();
    if (m_state != DatasetState::Browse)
        return;
    refreshIfStale();
    if (!hasCurrentRow()) {
        editWithoutRow();
        return;
    }
    m_buffer = currentRow();
    m_original = m_buffer;
    m_modified = false;
    m_state = DatasetState::Edit;
    emit stateChanged();
}

void Cursor::post()
{
    checkOpen();
    if (isPending())
        postPending();
    markStaleAfterPending();
}

void Cursor::cancel()
{
    if (!isPending())
        return;
    const bool wasInsert = m_state == DatasetState::Insert;
    m_state = DatasetState::Browse;
    clearPending();
    afterCancel(wasInsert);
    emit stateChanged();
    markStaleAfterPending();
}

} // namespace kestar
