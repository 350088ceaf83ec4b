#pragma once

#include <QBitArray>
#include <QByteArray>
#include <QList>
#include <QVariant>

namespace kestar {

class Statement;

// Rows of a fixed number of columns packed into one byte buffer (a tag byte and the value per
// cell), so that a result of 100,000 rows costs about the size of its data and not one heap
// object per cell. Replaced and removed rows leave their old bytes behind until clear().
class RowStore
{
public:
    explicit RowStore(int columns = 0) : m_columns(columns) {}

    int columns() const { return m_columns; }
    qint64 size() const { return m_offsets.size(); }
    void clear(int columns);

    // Appends the columns first..first+columns()-1 of the statement's current row; with wanted,
    // only the columns whose bit is set, the others stored as missing (has() is false).
    void append(const Statement& statement, int first, const QBitArray* wanted = nullptr);
    // One cell of a row as a backend hands it over: text as UTF-8 bytes it still owns.
    struct Cell
    {
        enum Kind : char
        {
            Null = 0,
            Integer = 1,
            Real = 2,
            Text = 3,
            Missing = 4
        };
        Kind kind;
        qint64 integer;
        double real;
        const void* bytes;
        qint32 length;
    };
    // Appends a row of columns() cells with one growth of the buffer and plain copies.
    void appendCells(const Cell* cells);
    void append(const QList<QVariant>& values);
    void insert(qint64 row, const QList<QVariant>& values);
    void replace(qint64 row, const QList<QVariant>& values);
    void remove(qint64 row);

    // NULL for a missing value; present, when given, tells whether it is missing.
    QVariant value(qint64 row, int column, bool* present = nullptr) const;
    bool has(qint64 row, int column) const;
    QList<QVariant> row(qint64 row) const;

private:
    qint64 encode(const QList<QVariant>& values);
    void encodeValue(const QVariant& value);
    const char* skipTo(qint64 row, int column) const;

    int m_columns = 0;
    QByteArray m_data;
    QList<qint64> m_offsets;
};

} // namespace kestar
