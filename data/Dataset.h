#pragma once

#include <QList>
#include <QObject>
#include <QString>

namespace kestar {

enum class FieldType
{
    Text,
    Integer,
    Number,
    Date
};

struct FieldDef
{
    QString name; // as the table names it (upper case for the program's tables)
    FieldType type = FieldType::Text;
};

enum class DatasetState
{
    Closed,
    Browse,
    Edit,
    Insert
};

// A cursor over a table or a query result: the operations the pages and the data-aware
// controls rely on. Every failure raises EngineError with the engine's text.
//
// Values are handled as text: reading converts the stored value to text through the regional
// settings (decimal separator, short date form), NULL reads as ""; writing converts text to the
// field's type, "" writes NULL, and text that does not convert raises e.g.
//   '17a' is not a valid integer value for field 'OTPREMNICA'
//   'abc' is not a valid floating point value for field 'KOLICINA'
//
// Any move (first, next, prior, last, moveTo, findNearest) first finishes a pending insert or
// edit: a changed row is posted, an unchanged one dropped.
class Dataset : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~Dataset() override = default;

    // Opening an open dataset or closing a closed one does nothing; closing drops an edit
    // that was not posted.
    virtual void open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual DatasetState state() const = 0;
    // True when rows cannot be inserted, edited or deleted (grouped queries, read-only views).
    virtual bool isReadOnly() const = 0;
    virtual void setReadOnly(bool readOnly) = 0;

    virtual void first() = 0;
    virtual void next() = 0;
    virtual void prior() = 0;
    virtual void last() = 0;
    // eof: a next() ran past the last row, or the dataset is empty. bof: a prior() ran
    // before the first row, or the dataset is empty, or first() was just called.
    virtual bool eof() const = 0;
    virtual bool bof() const = 0;
    virtual bool isEmpty() const = 0;

    // Fields in field order (hidden columns of the storage are never listed).
    virtual QList<FieldDef> fields() const = 0;
    // Index of a field by name, case ignored; -1 when there is none.
    virtual int fieldIndex(const QString& name) const = 0;

    // Current row's field by name, case ignored. A name that is not a field raises
    // "Field 'NAME' not found". Reading a closed dataset raises an engine error too.
    virtual QString text(const QString& field) const = 0;
    virtual void setText(const QString& field, const QString& text) = 0;
    // Floating-point access; NULL reads as 0.
    virtual double number(const QString& field) const = 0;
    virtual void setNumber(const QString& field, double value) = 0;

    // insert(): a new empty row before the current row (a keyed table places it by its key
    // when posted). edit(): the current row. post(): writes the pending row at once (or at the
    // commit of the surrounding Transaction); a repeated primary key raises an engine error.
    // cancel(): drops the pending change. remove(): deletes the current row; during an insert
    // it only drops the new row.
    virtual void insert() = 0;
    virtual void edit() = 0;
    virtual void post() = 0;
    virtual void cancel() = 0;
    virtual void remove() = 0;
    // The pending row has had a value set since insert() or edit().
    virtual bool isModified() const = 0;
    // Rereads the rows (after another cursor changed the table); keeps the position if it can.
    virtual void refresh() = 0;

    // Positional access for the grids. rowCount() counts a pending inserted row, which sits
    // at position(). position() is -1 when there is no row.
    virtual qint64 rowCount() const = 0;
    virtual qint64 position() const = 0;
    virtual void moveTo(qint64 row) = 0;
    // The text of a cell for display, without moving the cursor.
    virtual QString textAt(qint64 row, int column) const = 0;
    // A result read a page at a time has rows after the rowCount() read so far when this is
    // true; readMore() reads the next page and announces its rows with rowsAdded. Moving past
    // the last row read reads on by itself.
    virtual bool canReadMore() const { return false; }
    virtual void readMore() {}

signals:
    // Opened, closed, or the state between browse, edit and insert changed.
    void stateChanged();
    // The current row moved.
    void currentChanged();
    // Rows were added or removed, or everything was reread: counts and positions changed.
    void rowsReset();
    // The values of one row changed.
    void rowChanged(qint64 row);
    // Rows first to last (positions) were read and added after the others.
    void rowsAdded(qint64 first, qint64 last);
};

} // namespace kestar
