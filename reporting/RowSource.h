#pragma once

#include <QString>

namespace kestar {

// The rows a report runs over, read by position. Fields are found by name once per report;
// cells are then read by field index.
class RowSource
{
public:
    virtual ~RowSource() = default;

    virtual qint64 rowCount() const = 0;
    // Index of the field, letter case ignored; -1 when the data has no such field.
    virtual int fieldIndex(const QString& name) const = 0;
    // True when the field holds numbers, so that a display mask applies to it.
    virtual bool isNumeric(int field) const = 0;
    // The cell as text ("" for an empty value).
    virtual QString text(qint64 row, int field) const = 0;
};

} // namespace kestar
