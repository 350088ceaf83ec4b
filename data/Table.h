#pragma once

#include "data/Cursor.h"
#include "data/RowStore.h"
#include "data/RowUpdates.h"
#include "data/Schema.h"
#include "data/Statement.h"
#include "data/TablePages.h"

#include <QBitArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>

namespace kestar {

class Engine;
struct TableFile;
struct TableStatements;

// A cursor over one table file: a keyed table (magacin on SIFRA) is read in key order, any
// other table in its stored order (the hidden order column). Moves are indexed seeks, so a
// cursor on a million-row ledger never reads more than the rows it shows.
class Table : public Cursor
{
    Q_OBJECT
public:
    // A closed cursor over the table named by a path relative to the working folder
    // ("podaci/magacin.db", "podaci\\masina.db", "podaci/prometx.DB"); the name resolves when
    // the cursor opens, against the working folder of that moment.
    Table(Engine& engine, const QString& name, QObject* parent = nullptr);
    ~Table() override;

    // The name as given to the engine.
    QString name() const { return m_name; }
    // A check that every changed row must pass before post() writes it (also the post a move
    // makes): it raises EngineError with its reason to refuse the row, which then stays
    // pending, as typed, for correction. Without one, every row may be written.
    void setPostCheck(std::function<void(const Table&)> check) { m_postCheck = std::move(check); }
    // Goes to the first row whose key is equal or greater, else to the last row; in an empty
    // table the key field then reads "". Raises an engine error on a table without key.
    void findNearest(const QString& key);

    void open() override;
    void close() override;

    void first() override;
    void next() override;
    void prior() override;
    void last() override;
    bool eof() const override;
    bool bof() const override;
    bool isEmpty() const override;

    QString text(const QString& field) const override;
    double number(const QString& field) const override;
    // Sets every field of the pending row, by field index, to a value in the form
    // FieldValue::fromText gives for that field: a caller that converted and checked a whole
    // row before its first write converts each value once.
    void setValues(const QList<QVariant>& stored);

    void insert() override;
    void remove() override;
    void refresh() override;

    qint64 rowCount() const override;
    qint64 position() const override;
    void moveTo(qint64 row) override;
    QString textAt(qint64 row, int column) const override;

private:
    static constexpr qint64 kOrderStep = Schema::kOrderStep;

    // Where a row stands in the table's order.
    using Place = TablePages::Place;
    struct Row
    {
        Place place;
        RowStore values; // one row
    };

    bool hasCurrentRow() const override { return m_hasRow; }
    QList<QVariant> currentRow() override;
    QVariant storedFromText(int field, const QString& text) const override;
    QVariant storedFromNumber(int field, double value) const override;
    void postPending() override;
    void afterCancel(bool wasInsert) override;
    void dropCachedRows() override;
    void rereadStale() override;

    void forgetRows();
    void prepare();

    // Reads the current row of the statement (rowid, order, fields) into m_row.
    void takeRow(const Statement& statement);
    // Stands on the row m_walkRow of the walk's page, reading its fields in place.
    void takeWalkRow();
    // Copies the fields of a row read in place (reading the row whole when the page left some
    // out), before the walk's page is dropped.
    void keepRow();
    // One step of a walk forward (next) or backward (prior).
    void step(bool forward);
    // Makes m_walkRow the row after (before) the current one, reading the next page of the
    // walk when needed; false at the end.
    bool walkTo(bool forward);
    void resetWalks();
    QVariant currentValue(int field) const;
    bool loadRow(Statement& statement);
    bool seekRowid(qint64 rowid);
    void setNoRow();
    void afterMove();

    void postInsert();
    void postEdit();
    // What became of the row since it was read as read (locked until the write ends); of the
    // fields changed by the pending edit since the edit began.
    RowUpdates::Since sinceRead(qint64 rowid, const QList<QVariant>& read);
    RowUpdates::Since sinceEditBegan(qint64 rowid, const QList<int>& changed);
    // After a refused write: the cursor stands on the row as it is now.
    void showRowAsItIs(qint64 rowid);
    QVariant orderBefore(const std::optional<Place>& before);
    QVariant valueInBuffer(int field) const;

    qint64 knownPosition() const; // -1 when unknown
    void setPositionFromStart(qint64 position);
    void setPositionFromEnd(qint64 position);
    void shiftPosition(qint64 delta);
    QVariant cachedValue(qint64 row, int column) const;

    Engine& m_engine;
    QString m_name;
    std::shared_ptr<const TableFile> m_file;
    std::unique_ptr<TableStatements> m_sql;
    QString m_orderColumn; // the key field or the hidden order column
    int m_keyField = -1;

    bool m_hasRow = false;
    Row m_row;
    // A walk (next, prior) reads the rows after the current one a page at a time, small at
    // first and doubling while it goes on, and resets its statement before it returns: no read
    // stays open between moves. A page holds only the fields a walk of this cursor has read so
    // far (a walk that reads one field copies one); the first read of another one reads that
    // row whole. While it walks, the current row's fields are read from the page (m_row.values
    // is then empty and m_rowInPage set).
    static constexpr qint64 kFirstWalkPage = 16;
    static constexpr qint64 kLastWalkPage = 512;
    RowStore m_walk;        // rowid, order value, then the fields
    QBitArray m_walkFields; // the columns of m_walk that the pages take
    qint64 m_walkRow = -1;  // the current row's place in the page while walking
    bool m_rowInPage = false;
    qint64 m_walkPage = kFirstWalkPage;
    bool m_eof = true;
    bool m_bof = true;
    // Position of the current row, counted from the first row or from the last; -1 unknown.
    mutable qint64 m_fromStart = -1;
    mutable qint64 m_fromEnd = -1;
    mutable qint64 m_count = -1;

    std::function<void(const Table&)> m_postCheck;
    // The transaction the pending edit began in (0: outside any).
    quint64 m_editTransaction = 0;
    qint64 m_editRowid = 0; // the row the pending edit began on

    mutable bool m_walkingForward = false;
    mutable bool m_walkingBackward = false;
    TablePages m_pages;
};

} // namespace kestar
