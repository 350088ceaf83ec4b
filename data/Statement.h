#pragma once

#include <QBitArray>
#include <QString>
#include <QVariant>

namespace kestar {

class RowStore;

// One prepared statement of a backend. Values cross as QVariant: NULL <-> invalid QVariant,
// whole numbers <-> qint64, numbers <-> double, text <-> QString. Every failure raises
// EngineError with the backend's text.
//
// A statement is stepped to the end of what its caller wants and reset at once: no statement
// stays open between two user actions (a backend may serve one statement at a time).
class Statement
{
public:
    virtual ~Statement() = default;

    // Parameters count from 1; the text names them as Backend::parameter(n) gives.
    virtual void bind(int index, const QVariant& value) = 0;
    // Resets the statement and clears its parameters; a reset statement holds no read lock.
    virtual void reset() = 0;
    // True while a row is available; false when done.
    virtual bool step() = 0;
    // Runs the statement to its end and resets it.
    void run()
    {
        while (step()) {
        }
        reset();
    }

    virtual int columnCount() const = 0;
    virtual QVariant column(int index) const = 0;
    virtual qint64 columnInt(int index) const = 0;
    virtual QString columnName(int index) const = 0;
    // Appends the columns first..first+rows.columns()-1 of the current row to rows (with
    // wanted, only the columns whose bit is set): one call per row, however many columns.
    virtual void appendRow(RowStore& rows, int first, const QBitArray* wanted) const = 0;

    // After a write that has run: the rows it changed, and the row id an insert gave its row.
    virtual qint64 changes() const = 0;
    virtual qint64 newRowId() const = 0;
};

// Resets a statement however its use ends, so that none stays open after an error.
class ResetOnExit
{
public:
    explicit ResetOnExit(Statement& statement) : m_statement(statement) {}
    ~ResetOnExit() { m_statement.reset(); }
    ResetOnExit(const ResetOnExit&) = delete;
    ResetOnExit& operator=(const ResetOnExit&) = delete;

private:
    Statement& m_statement;
};

} // namespace kestar
