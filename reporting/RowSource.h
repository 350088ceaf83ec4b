#pragma once

#include <QString>
#include <functional>

class QObject;

namespace kestar {

// The rows a report runs over, read by position. Fields are found by name once per report;
// cells are then read by field index.
class RowSource
{
public:
    virtual ~RowSource() = default;

    // The rows known so far: all of them, unless the source reads its rows a part at a time.
    virtual qint64 rowCount() const = 0;
    // Whether the row exists; a source that reads a part at a time reads on as far as the row.
    virtual bool hasRow(qint64 row) const { return row >= 0 && row < rowCount(); }
    // Index of the field, letter case ignored; -1 when the data has no such field.
    virtual int fieldIndex(const QString& name) const = 0;
    // True when the field holds numbers, so that a display mask applies to it.
    virtual bool isNumeric(int field) const = 0;
    // The cell as text ("" for an empty value).
    virtual QString text(qint64 row, int field) const = 0;

    // For a copy taken as its rows are asked for: calls `before` (while `receiver` lives)
    // before the rows given so far or still to come could change, and before this source
    // goes; reading the rest from it is still safe then. False when the source cannot tell,
    // so that it has to be copied whole at once.
    virtual bool watchChanges(QObject* receiver, const std::function<void()>& before) const
    {
        Q_UNUSED(receiver);
        Q_UNUSED(before);
        return false;
    }
};

} // namespace kestar
