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

MemoryDataset::MemoryDataset(const QList<FieldDef>& fields, QObject* parent)
    : Dataset(parent), m_fields(fields)
{
}

void MemoryDataset::addRow(const QStringList& texts)
{
    Row row(m_fields.size());
    for (int i = 0; i < m_fields.size() && i < texts.size(); ++i)
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
    return m_rows.size() - (m_state == DatasetState::Insert ? 1 : 0);
}

QString MemoryDataset::storedText(int row, const QString& field) const
{
    const int index = requireField(field);
    if (m_state == DatasetState::Insert && row >= m_position)
        ++row;
    if (row < 0 || row >= m_rows.size())
        throw EngineError(QStringLiteral("Row %1 does not exist").arg(row));
    return toText(index, m_rows.at(row).at(index));
}

QStringList MemoryDataset::storedRow(int row) const
{
    QStringList texts;
    for (const FieldDef& f : m_fields)
        texts << storedText(row, f.name);
    return texts;
}

void MemoryDataset::open()
{
    if (isOpen())
        return;
    m_state = DatasetState::Browse;
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
    if (m_state == DatasetState::Insert)
        m_rows.removeAt(m_position);
    m_buffer.clear();
    m_modified = false;
    m_state = DatasetState::Closed;
    emit stateChanged();
}

void MemoryDataset::setReadOnly(bool readOnly)
{
    if (readOnly == m_readOnly)
        return;
    m_readOnly = readOnly;
    emit stateChanged();
}

void MemoryDataset::first()
{
    requireOpen();
    finishPending();
    setPosition(0, true, false);
}

void MemoryDataset::next()
{
    requireOpen();
    const qint64 dropped = finishPending();
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
    requireOpen();
    finishPending();
    if (m_position > 0 && !m_rows.isEmpty())
        setPosition(m_position - 1, false, false);
    else
        setPosition(m_position, true, false);
}

void MemoryDataset::last()
{
    requireOpen();
    finishPending();
    setPosition(m_rows.size() - 1, false, false);
}

int MemoryDataset::fieldIndex(const QString& name) const
{
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString MemoryDataset::text(const QString& field) const
{
    requireOpen();
    const int index = requireField(field);
    if (m_rows.isEmpty())
        return QString();
    return textAt(m_position, index);
}

void MemoryDataset::setText(const QString& field, const QString& text)
{
    requireOpen();
    const int index = requireField(field);
    if (m_state != DatasetState::Edit && m_state != DatasetState::Insert)
        throw EngineError(QStringLiteral("Dataset not in edit or insert mode"));
    m_buffer[index] = fromText(index, text);
    m_modified = true;
    emit rowChanged(m_position);
}

double MemoryDataset::number(const QString& field) const
{
    requireOpen();
    const int index = requireField(field);
    if (m_rows.isEmpty())
        return 0;
    const bool pending = m_state == DatasetState::Edit || m_state == DatasetState::Insert;
    const QVariant value = pending ? m_buffer.at(index) : m_rows.at(m_position).at(index);
    if (!value.isValid())
        return 0;
    switch (m_fields.at(index).type) {
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
        QStringLiteral("Field '%1' cannot be read as a number").arg(m_fields.at(index).name));
}

void MemoryDataset::setNumber(const QString& field, double value)
{
    const int index = requireField(field);
    switch (m_fields.at(index).type) {
    case FieldType::Integer:
        setText(field, QString::number(qint64(std::llround(value))));
        return;
    case FieldType::Number:
    case FieldType::Text:
        setText(field, Regional::formatNumber(value));
        return;
    case FieldType::Date:
        break;
    }
    throw EngineError(
        QStringLiteral("Field '%1' cannot be set from a number").arg(m_fields.at(index).name));
}

void MemoryDataset::insert()
{
    requireOpen();
    requireWritable();
    finishPending();
    const qint64 place = m_rows.isEmpty() ? 0 : m_position;
    m_rows.insert(place, Row(m_fields.size()));
    m_buffer = Row(m_fields.size());
    m_position = place;
    m_bof = m_eof = false;
    m_modified = false;
    m_state = DatasetState::Insert;
    emit rowsReset();
    emit stateChanged();
    emit currentChanged();
}

void MemoryDataset::edit()
{
    requireOpen();
    requireWritable();
    if (m_state != DatasetState::Browse)
        return;
    if (m_rows.isEmpty()) {
        insert();
        return;
    }
    m_buffer = m_rows.at(m_position);
    m_modified = false;
    m_state = DatasetState::Edit;
    emit stateChanged();
}

void MemoryDataset::post()
{
    requireOpen();
    if (m_state == DatasetState::Browse)
        return;
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
    m_buffer.clear();
    m_modified = false;
    m_state = DatasetState::Browse;
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
    requireOpen();
    if (m_state == DatasetState::Browse)
        return;
    dropPending();
}

void MemoryDataset::remove()
{
    requireOpen();
    requireWritable();
    if (m_state == DatasetState::Insert) {
        dropPending();
        return;
    }
    requireRow();
    m_rows.removeAt(m_position);
    m_buffer.clear();
    m_modified = false;
    const bool wasEditing = m_state == DatasetState::Edit;
    m_state = DatasetState::Browse;
    m_position = qMax<qint64>(0, qMin<qint64>(m_position, m_rows.size() - 1));
    m_bof = m_eof = false;
    if (wasEditing)
        emit stateChanged();
    emit rowsReset();
    emit currentChanged();
}

void MemoryDataset::refresh()
{
    requireOpen();
    finishPending();
    m_position = qMax<qint64>(0, qMin<qint64>(m_position, m_rows.size() - 1));
    emit rowsReset();
    emit currentChanged();
}

void MemoryDataset::moveTo(qint64 row)
{
    requireOpen();
    const qint64 dropped = finishPending();
    if (dropped >= 0 && row > dropped)
        --row;
    setPosition(qMax<qint64>(0, qMin<qint64>(row, m_rows.size() - 1)), false, false);
}

QString MemoryDataset::textAt(qint64 row, int column) const
{
    requireOpen();
    if (column < 0 || column >= m_fields.size())
        throw EngineError(QStringLiteral("Column %1 does not exist").arg(column));
    const bool pending = m_state == DatasetState::Edit || m_state == DatasetState::Insert;
    if (pending && row == m_position)
        return toText(column, m_buffer.at(column));
    return toText(column, rowAt(row).at(column));
}

void MemoryDataset::requireOpen() const
{
    if (!isOpen())
        throw EngineError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void MemoryDataset::requireRow() const
{
    if (m_rows.isEmpty())
        throw EngineError(QStringLiteral("Cannot perform this operation on an empty dataset"));
}

void MemoryDataset::requireWritable() const
{
    if (m_readOnly)
        throw EngineError(QStringLiteral("Cannot modify a read-only dataset"));
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
    const FieldDef& def = m_fields.at(field);
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
    switch (m_fields.at(field).type) {
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

qint64 MemoryDataset::finishPending()
{
    if (m_state == DatasetState::Browse)
        return -1;
    if (m_modified) {
        post();
        return -1;
    }
    const qint64 dropped = m_state == DatasetState::Insert ? m_position : -1;
    dropPending();
    return dropped;
}

void MemoryDataset::dropPending()
{
    const bool inserted = m_state == DatasetState::Insert;
    if (inserted) {
        m_rows.removeAt(m_position);
        m_position = qMax<qint64>(0, qMin<qint64>(m_position, m_rows.size() - 1));
    }
    m_buffer.clear();
    m_modified = false;
    m_state = DatasetState::Browse;
    emit stateChanged();
    if (inserted) {
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
