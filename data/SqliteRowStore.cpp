#include "data/SqliteRowStore.h"

#include "data/SqliteStatement.h"

#include <cstring>
#include <sqlite3.h>

namespace kestar {

namespace {

enum Tag : char
{
    kNull = 0,
    kInteger = 1,
    kReal = 2,
    kText = 3
};

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

void SqliteRowStore::append(const SqliteStatement& statement, int first)
{
    m_offsets.append(m_data.size());
    sqlite3_stmt* stmt = statement.get();
    for (int c = first; c < first + m_columns; ++c) {
        switch (sqlite3_column_type(stmt, c)) {
        case SQLITE_INTEGER: {
            const qint64 v = sqlite3_column_int64(stmt, c);
            m_data.append(kInteger);
            m_data.append(reinterpret_cast<const char*>(&v), sizeof v);
            break;
        }
        case SQLITE_FLOAT: {
            const double v = sqlite3_column_double(stmt, c);
            m_data.append(kReal);
            m_data.append(reinterpret_cast<const char*>(&v), sizeof v);
            break;
        }
        case SQLITE_NULL:
            m_data.append(kNull);
            break;
        default: {
            const char* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
            const qint32 length = sqlite3_column_bytes(stmt, c);
            m_data.append(kText);
            m_data.append(reinterpret_cast<const char*>(&length), sizeof length);
            m_data.append(text, length);
            break;
        }
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

QVariant SqliteRowStore::value(qint64 row, int column) const
{
    const char* p = skipTo(row, column);
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

QList<QVariant> SqliteRowStore::row(qint64 row) const
{
    QList<QVariant> values;
    values.reserve(m_columns);
    for (int c = 0; c < m_columns; ++c)
        values.append(value(row, c));
    return values;
}

} // namespace kestar
