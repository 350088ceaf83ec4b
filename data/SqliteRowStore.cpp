#include "data/SqliteRowStore.h"

#include "data/SqliteStatement.h"

#include <QVarLengthArray>

#include <cstring>
#include <sqlite3.h>

namespace kestar {

namespace {

enum Tag : char
{
    kNull = 0,
    kInteger = 1,
    kReal = 2,
    kText = 3,
    kMissing = 4
};

// A column the caller did not want, among SQLite's own type numbers.
constexpr int kMissingType = 0;

template <typename T> T readRaw(const char* p)
{
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

} // namespace

void SqliteRowStore::clear(int columns)
{
    m_columns = columns;
    m_data.resize(0);
    m_offsets.clear();
}

void SqliteRowStore::append(const SqliteStatement& statement, int first, const QBitArray* wanted)
{
    sqlite3_stmt* stmt = statement.get();
    // A walk copies every field of every row it passes, so a row takes one call into the
    // statement per column (its values are read directly; this connection serves one thread),
    // one growth of the buffer, and plain copies. Text is taken as the bytes SQLite holds
    // (UTF-8 already): asking for it as text would copy each value to end it with a zero.
    struct Cell
    {
        int type;
        sqlite3_value* value;
        const void* bytes;
        qint32 length;
    };
    QVarLengthArray<Cell, 64> cells(m_columns);
    qint64 size = 0;
    for (int c = 0; c < m_columns; ++c) {
        Cell& cell = cells[c];
        if (wanted && !wanted->testBit(c)) {
            cell.type = kMissingType;
            size += 1;
            continue;
        }
        cell.value = sqlite3_column_value(stmt, first + c);
        cell.type = sqlite3_value_type(cell.value);
        switch (cell.type) {
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            size += 1 + 8;
            break;
        case SQLITE_NULL:
            size += 1;
            break;
        default:
            cell.bytes = sqlite3_value_blob(cell.value);
            cell.length = sqlite3_value_bytes(cell.value);
            size += 1 + 4 + cell.length;
            break;
        }
    }
    const qsizetype offset = m_data.size();
    if (m_data.capacity() < offset + size)
        m_data.reserve(qMax<qsizetype>(offset + size, 2 * m_data.capacity()));
    m_data.resize(offset + size);
    m_offsets.append(offset);
    char* p = m_data.data() + offset;
    for (const Cell& cell : cells) {
        switch (cell.type) {
        case SQLITE_INTEGER: {
            const qint64 v = sqlite3_value_int64(cell.value);
            *p++ = kInteger;
            std::memcpy(p, &v, sizeof v);
            p += sizeof v;
            break;
        }
        case SQLITE_FLOAT: {
            const double v = sqlite3_value_double(cell.value);
            *p++ = kReal;
            std::memcpy(p, &v, sizeof v);
            p += sizeof v;
            break;
        }
        case SQLITE_NULL:
            *p++ = kNull;
            break;
        case kMissingType:
            *p++ = kMissing;
            break;
        default:
            *p++ = kText;
            std::memcpy(p, &cell.length, sizeof cell.length);
            p += sizeof cell.length;
            if (cell.length > 0)
                std::memcpy(p, cell.bytes, size_t(cell.length));
            p += cell.length;
            break;
        }
    }
}

void SqliteRowStore::encodeValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        m_data.append(kNull);
        break;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Bool: {
        const qint64 v = value.toLongLong();
        m_data.append(kInteger);
        m_data.append(reinterpret_cast<const char*>(&v), sizeof v);
        break;
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        const double v = value.toDouble();
        m_data.append(kReal);
        m_data.append(reinterpret_cast<const char*>(&v), sizeof v);
        break;
    }
    default: {
        const QByteArray text = value.toString().toUtf8();
        const qint32 length = qint32(text.size());
        m_data.append(kText);
        m_data.append(reinterpret_cast<const char*>(&length), sizeof length);
        m_data.append(text);
        break;
    }
    }
}

qint64 SqliteRowStore::encode(const QList<QVariant>& values)
{
    const qint64 offset = m_data.size();
    for (int c = 0; c < m_columns; ++c)
        encodeValue(c < values.size() ? values.at(c) : QVariant());
    return offset;
}

void SqliteRowStore::append(const QList<QVariant>& values)
{
    m_offsets.append(encode(values));
}

void SqliteRowStore::insert(qint64 row, const QList<QVariant>& values)
{
    m_offsets.insert(row, encode(values));
}

void SqliteRowStore::replace(qint64 row, const QList<QVariant>& values)
{
    m_offsets[row] = encode(values);
}

void SqliteRowStore::remove(qint64 row)
{
    m_offsets.remove(row);
}

const char* SqliteRowStore::skipTo(qint64 row, int column) const
{
    const char* p = m_data.constData() + m_offsets.at(row);
    for (int c = 0; c < column; ++c) {
        switch (*p) {
        case kInteger:
        case kReal:
            p += 1 + 8;
            break;
        case kText:
            p += 1 + 4 + readRaw<qint32>(p + 1);
            break;
        default:
            p += 1;
            break;
        }
    }
    return p;
}

QVariant SqliteRowStore::value(qint64 row, int column, bool* present) const
{
    const char* p = skipTo(row, column);
    if (present)
        *present = *p != kMissing;
    switch (*p) {
    case kInteger:
        return QVariant(readRaw<qint64>(p + 1));
    case kReal:
        return QVariant(readRaw<double>(p + 1));
    case kText:
        return QVariant(QString::fromUtf8(p + 5, readRaw<qint32>(p + 1)));
    default:
        return {};
    }
}

bool SqliteRowStore::has(qint64 row, int column) const
{
    return *skipTo(row, column) != kMissing;
}

QList<QVariant> SqliteRowStore::row(qint64 row) const
{
    QList<QVariant> values;
    values.reserve(m_columns);
    for (int c = 0; c < m_columns; ++c)
        values.append(value(row, c));
    return values;
}

} // namespace kestar
