#include "data/RowStore.h"

#include "data/Statement.h"

#include <cstring>

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

template <typename T> T readRaw(const char* p)
{
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

} // namespace

void RowStore::clear(int columns)
{
    m_columns = columns;
    m_data.resize(0);
    m_offsets.clear();
}

void RowStore::append(const Statement& statement, int first, const QBitArray* wanted)
{
    statement.appendRow(*this, first, wanted);
}

void RowStore::appendCells(const Cell* cells)
{
    qint64 size = 0;
    for (int c = 0; c < m_columns; ++c) {
        switch (cells[c].kind) {
        case Cell::Integer:
        case Cell::Real:
            size += 1 + 8;
            break;
        case Cell::Text:
            size += 1 + 4 + cells[c].length;
            break;
        default:
            size += 1;
            break;
        }
    }
    const qsizetype offset = m_data.size();
    if (m_data.capacity() < offset + size)
        m_data.reserve(qMax<qsizetype>(offset + size, 2 * m_data.capacity()));
    m_data.resize(offset + size);
    m_offsets.append(offset);
    char* p = m_data.data() + offset;
    for (int c = 0; c < m_columns; ++c) {
        const Cell& cell = cells[c];
        *p++ = cell.kind;
        switch (cell.kind) {
        case Cell::Integer:
            std::memcpy(p, &cell.integer, sizeof cell.integer);
            p += sizeof cell.integer;
            break;
        case Cell::Real:
            std::memcpy(p, &cell.real, sizeof cell.real);
            p += sizeof cell.real;
            break;
        case Cell::Text:
            std::memcpy(p, &cell.length, sizeof cell.length);
            p += sizeof cell.length;
            if (cell.length > 0)
                std::memcpy(p, cell.bytes, size_t(cell.length));
            p += cell.length;
            break;
        default:
            break;
        }
    }
}

void RowStore::encodeValue(const QVariant& value)
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

qint64 RowStore::encode(const QList<QVariant>& values)
{
    const qint64 offset = m_data.size();
    for (int c = 0; c < m_columns; ++c)
        encodeValue(c < values.size() ? values.at(c) : QVariant());
    return offset;
}

void RowStore::append(const QList<QVariant>& values)
{
    m_offsets.append(encode(values));
}

void RowStore::insert(qint64 row, const QList<QVariant>& values)
{
    m_offsets.insert(row, encode(values));
}

void RowStore::replace(qint64 row, const QList<QVariant>& values)
{
    m_offsets[row] = encode(values);
}

void RowStore::remove(qint64 row)
{
    m_offsets.remove(row);
}

const char* RowStore::skipTo(qint64 row, int column) const
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

QVariant RowStore::value(qint64 row, int column, bool* present) const
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

bool RowStore::has(qint64 row, int column) const
{
    return *skipTo(row, column) != kMissing;
}

QList<QVariant> RowStore::row(qint64 row) const
{
    QList<QVariant> values;
    values.reserve(m_columns);
    for (int c = 0; c < m_columns; ++c)
        values.append(value(row, c));
    return values;
}

} // namespace kestar
