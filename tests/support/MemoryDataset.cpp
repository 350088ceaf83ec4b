#include "tests/support/MemoryDataset.h"

#include "data/EngineError.h"
#include "platform/Regional.h"

#include <QDate>
#include <cmath>

namespace kestar::test {

namespace {

// Orders two stored values of one field; NULL comes first.
int compareValues(const QVariant& a, const QVariant& b)
{
    if (!a.isValid() || !b.isValid())
        return int(a.isValid()) - int(b.isValid());
    if (a.userType() == QMetaType::QString)
        return a.toString().compare(b.toString());
    if (a.userType() == QMetaType::QDate)
        return a.toDate() < b.toDate() ? -1 : (b.toDate() < a.toDate() ? 1 : 0);
    const double x = a.toDouble();
    const double y = b.toDouble();
    return x < y ? -1 : (y < x ? 1 : 0);
}

} // namespace

MemoryDataset::MemoryDataset(const QList<FieldDef>& fields, QObject* parent) : Cursor(parent)
{
    setFields(fields);
}

void MemoryDataset::addRow(const QStringList& texts)
{
    Row row(fieldList().size());
    for (int i = 0; i < fieldList().size() && i < texts.size(); ++i)
        row[i] = fromText(i, texts.at(i));
    if (m_keyField >= 0) {
        const int place = keyedPlace(row, -1);
        if (place < 0)
            throw EngineError(QStringLiteral("Key violation"));
        m_rows.insert(place, row);
        if (isOpen() && place <= m_position && m_rows.size() > 1)
            ++m_position;
    } else {
        m_rows.append(row);
    }
    if (isOpen())
        emit rowsReset();
}

void MemoryDataset::setKeyField(const QString& name)
{
    m_keyField = requireField(name);
    std::stable_sort(m_rows.begin(), m_rows.end(), [this](const Row& a, const Row& b) {
        return compareValues(a.at(m_keyField), b.at(m_keyField)) < 0;
    });
}

int MemoryDataset::storedRowCount() const
{
    return m_rows.size() - (state() == DatasetState::Insert ? 1 : 0);
}

QString MemoryDataset::storedText(int row, const QString& field) const
{
    const int index = requireField(field);
    if (state() == DatasetState::Insert && row >= m_position)
        ++row;
    if (row < 0 || row >= m_rows.size())
        throw EngineError(QStringLiteral("Row %1 does not exist").arg(row));
    return toText(index, m_rows.at(row).at(index));
}

QStringList MemoryDataset::storedRow(int row) const
{
    QStringList texts;
    for (const FieldDef& f : fieldList())
        texts << storedText(row, f.name);
    return texts;
}

void MemoryDataset::open()
{
    if (isOpen())
        return;
    setState(DatasetState::Browse);
    m_position = 0;
    m_bof = true;
    m_eof = false;
    m_modified = false;
    emit stateChanged();
    emit rowsReset();
    emit currentChanged();
}

void MemoryDataset::close()
{
    if (!isOpen())
        return;
    if (state() == DatasetState::Insert)
        m_rows.removeAt(m_position);
    clearPending();
    setState(DatasetState::Closed);
    emit stateChanged();
}

void MemoryDataset::setReadOnly(bool readOnly)
{
    if (readOnly == isReadOnly())
        return;
    Cursor::setReadOnly(readOnly);
    emit stateChanged();
}

void MemoryDataset::first()
{
    checkOpen();
    finishPendingAt();
    setPosition(0, true, false);
}

void MemoryDataset::next()
{
    checkOpen();
    const qint64 dropped = finishPendingAt();
    // A dropped row is not a row to step over: the row after it now sits at its position.
    if (dropped >= 0 && dropped < m_rows.size())
        setPosition(dropped, false, false);
    else if (m_position + 1 < m_rows.size())
        setPosition(m_position + 1, false, false);
    else
        setPosition(m_position, false, true);
}

void MemoryDataset::prior()
{
    checkOpen();
    finishPendingAt();
    if (m_position > 0 && !m_rows.isEmpty())
        setPosition(m_position - 1, false, false);
    else
        setPosition(m_position, true, false);
}

void MemoryDataset::last()
{
    checkOpen();
    finishPendingAt();
    setPosition(m_rows.size() - 1, false, false);
}

QString MemoryDataset::text(const QString& field) const
{
    const int index = checkedField(field);
    if (m_rows.isEmpty())
        return QString();
    return textAt(m_position, index);
}

double MemoryDataset::number(const QString& field) const
{
    const int index = checkedField(field);
    if (m_rows.isEmpty())
        return 0;
    const QVariant value = isPending() ? m_buffer.at(index) : m_rows.at(m_position).at(index);
    if (!value.isValid())
        return 0;
    switch (fieldList().at(index).type) {
    case FieldType::Integer:
    case FieldType::Number:
        return value.toDouble();
    case FieldType::Text: {
        bool ok = false;
        const double number = Regional::parseNumber(value.toString(), &ok);
        if (!ok) {
            throw EngineError(
                QStringLiteral("'%1' is not a valid floating point value").arg(value.toString()));
        }
        return number;
    }
    case FieldType::Date:
        break;
    }
    throw EngineError(
        QStringLiteral("Field '%1' cannot be read as a number").arg(fieldList().at(index).name));
}

QVariant MemoryDataset::storedFromNumber(int index, double value) const
{
    switch (fieldList().at(index).type) {
    case FieldType::Integer:
        return fromText(index, QString::number(qint64(std::llround(value))));
    case FieldType::Number:
    case FieldType::Text:
        return fromText(index, Regional::formatNumber(value));
    case FieldType::Date:
        break;
    }
    throw EngineError(
        QStringLiteral("Field '%1' cannot be set from a number").arg(fieldList().at(index).name));
}

void MemoryDataset::insert()
{
    checkOpen();
    checkWritable();
    finishPendingAt();
    const qint64 place = m_rows.isEmpty() ? 0 : m_position;
    m_rows.insert(place, Row(fieldList().size()));
    beginInsert(Row(fieldList().size()));
    m_position = place;
    m_bof = m_eof = false;
    emit rowsReset();
    emit stateChanged();
    emit currentChanged();
}

void MemoryDataset::postPending()
{
    if (!m_postError.isEmpty())
        throw EngineError(m_postError);
    qint64 place = m_position;
    if (m_keyField >= 0) {
        place = keyedPlace(m_buffer, m_position);
        if (place < 0)
            throw EngineError(QStringLiteral("Key violation"));
    }
    m_rows.removeAt(m_position);
    m_rows.insert(place, m_buffer);
    const bool moved = place != m_position;
    m_position = place;
    setState(DatasetState::Browse);
    clearPending();
    ++m_postCount;
    emit stateChanged();
    if (moved) {
        emit rowsReset();
        emit currentChanged();
    } else {
        emit rowChanged(m_position);
    }
}

void MemoryDataset::cancel()
{
    checkOpen();
    Cursor::cancel();
}

void MemoryDataset::remove()
{
    checkOpen();
    checkWritable();
    if (state() == DatasetState::Insert) {
        cancel();
        return;
    }
    requireRow();
    m_rows.removeAt(m_position);
    clearPending();
    const bool wasEditing = state() == DatasetState::Edit;
    setState(DatasetState::Browse);
    m_position = qMax<qint64>(0, qMin<qint64>(m_position, m_rows.size() - 1));
    m_bof = m_eof = false;
    if (wasEditing)
        emit stateChanged();
    emit rowsReset();
    emit currentChanged();
}

void MemoryDataset::refresh()
{
    checkOpen();
    finishPendingAt();
    m_position = qMax<qint64>(0, qMin<qint64>(m_position, m_rows.size() - 1));
    emit rowsReset();
    emit currentChanged();
}

void MemoryDataset::moveTo(qint64 row)
{
    checkOpen();
    const qint64 dropped = finishPendingAt();
    if (dropped >= 0 && row > dropped)
        --row;
    setPosition(qMax<qint64>(0, qMin<qint64>(row, m_rows.size() - 1)), false, false);
}

QString MemoryDataset::textAt(qint64 row, int column) const
{
    checkOpen();
    if (column < 0 || column >= fieldList().size())
        throw EngineError(QStringLiteral("Column %1 does not exist").arg(column));
    if (isPending() && row == m_position)
        return toText(column, m_buffer.at(column));
    return toText(column, rowAt(row).at(column));
}

void MemoryDataset::requireRow() const
{
    if (m_rows.isEmpty())
        throw EngineError(QStringLiteral("Cannot perform this operation on an empty dataset"));
}

int MemoryDataset::requireField(const QString& name) const
{
    const int index = fieldIndex(name);
    if (index < 0)
        throw EngineError(QStringLiteral("Field '%1' not found").arg(name));
    return index;
}

QVariant MemoryDataset::fromText(int field, const QString& text) const
{
    if (text.isEmpty())
        return QVariant();
    const FieldDef& def = fieldList().at(field);
    switch (def.type) {
    case FieldType::Text:
        return text;
    case FieldType::Integer: {
        bool ok = false;
        const qint64 value = text.trimmed().toLongLong(&ok);
        if (!ok) {
            throw EngineError(QStringLiteral("'%1' is not a valid integer value for field '%2'")
                                  .arg(text, def.name));
        }
        return QVariant::fromValue(value);
    }
    case FieldType::Number: {
        bool ok = false;
        const double value = Regional::parseNumber(text, &ok);
        if (!ok) {
            throw EngineError(
                QStringLiteral("'%1' is not a valid floating point value for field '%2'")
                    .arg(text, def.name));
        }
        return value;
    }
    case FieldType::Date: {
        const QDate date = Regional::parseDate(text);
        if (!date.isValid()) {
            throw EngineError(QStringLiteral("'%1' is not a valid date value for field '%2'")
                                  .arg(text, def.name));
        }
        return date;
    }
    }
    return QVariant();
}

QString MemoryDataset::toText(int field, const QVariant& value) const
{
    if (!value.isValid())
        return QString();
    switch (fieldList().at(field).type) {
    case FieldType::Text:
        return value.toString();
    case FieldType::Integer:
        return QString::number(value.toLongLong());
    case FieldType::Number:
        return Regional::formatNumber(value.toDouble());
    case FieldType::Date:
        return Regional::formatDate(value.toDate());
    }
    return QString();
}

const MemoryDataset::Row& MemoryDataset::rowAt(qint64 row) const
{
    if (row < 0 || row >= m_rows.size())
        throw EngineError(QStringLiteral("Row %1 does not exist").arg(row));
    return m_rows.at(row);
}

qint64 MemoryDataset::finishPendingAt()
{
    const qint64 at = m_position;
    return finishPending() ? at : -1;
}

void MemoryDataset::afterCancel(bool wasInsert)
{
    if (wasInsert) {
        m_rows.removeAt(m_position);
        m_position = qMax<qint64>(0, qMin<qint64>(m_position, m_rows.size() - 1));
        emit rowsReset();
        emit currentChanged();
    } else {
        emit rowChanged(m_position);
    }
}

int MemoryDataset::keyedPlace(const Row& row, qint64 skip) const
{
    int place = 0;
    for (int i = 0; i < m_rows.size(); ++i) {
        if (i == skip)
            continue;
        const int order = compareValues(m_rows.at(i).at(m_keyField), row.at(m_keyField));
        if (order == 0)
            return -1;
        if (order < 0)
            ++place;
    }
    return place;
}

void MemoryDataset::setPosition(qint64 row, bool bof, bool eof)
{
    const qint64 target = m_rows.isEmpty() ? 0 : row;
    m_bof = bof;
    m_eof = eof;
    if (target == m_position)
        return;
    m_position = target;
    emit currentChanged();
}

} // namespace kestar::test
