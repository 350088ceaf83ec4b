#pragma once

#include "data/Cursor.h"
#include "data/RowStore.h"
#include "data/RowUpdates.h"
#include "data/Statement.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <memory>

namespace kestar {

class Engine;
class QueryReader;
struct TableFile;

// The result of one statement of the program's SQL dialect, read into a compact row store when
// it opens: whole, or a page at a time (setInPages). A live result (one table, no grouping) can be
// edited row by row, each post writing the row back into the table by its row id; any other result
// is read only.
class Query : public Cursor
{
    Q_OBJECT
public:
    Query(Engine& engine, const QString& sql = {}, QObject* parent = nullptr);
    ~Query() override;

    // Replaces the statement; the query is closed first.
    void setSql(const QString& statement);
    QString sql() const { return m_sql; }
    // True once open on a result that writes back into its table.
    bool isLive() const { return isOpen() && m_live; }
    // Reads a statement in the table's natural order (one table, no grouping, no ORDER BY) a
    // page at a time as its rows are asked for, instead of whole when it opens: rowCount()
    // then counts the rows read so far, canReadMore() tells whether more follow. Takes effect
    // at the next open().
    void setInPages(bool inPages) { m_inPages = inPages; }

    void open() override;
    void close() override;
    bool isReadOnly() const override { return !isLive() || Cursor::isReadOnly(); }

    void first() override;
    void next() override;
    void prior() override;
    void last() override;
    bool eof() const override;
    bool bof() const override;
    bool isEmpty() const override;

    QString text(const QString& field) const override;
    void setText(const QString& field, const QString& text) override;
    double number(const QString& field) const override;
    void setNumber(const QString& field, double value) override;

    void insert() override;
    void remove() override;
    void refresh() override;

    qint64 rowCount() const override;
    qint64 position() const override;
    void moveTo(qint64 row) override;
    QString textAt(qint64 row, int column) const override;
    bool canReadMore() const override;
    void readMore() override;

signals:
    // The rows read so far, and those still to be read, are about to change or go: a table is
    // about to be written, or the query closes, reads its rows again or goes. Rows read on
    // from here still show the result as it was.
    void aboutToChange();

private:
    bool hasCurrentRow() const override { return m_current >= 0; }
    QList<QVariant> currentRow() override;
    void editWithoutRow() override;
    QVariant storedFromText(int field, const QString& text) const override;
    QVariant storedFromNumber(int field, double value) const override;
    void postPending() override;
    void afterCancel(bool wasInsert) override;
    void rereadStale() override { reread(); }
    qint64 currentPosition() const override { return m_current; }

    void run();
    // Reads pages until row exists or no rows follow.
    void readTo(qint64 row);
    void reread();
    QVariant storedValue(qint64 row, int field) const;
    const FieldDef& writeField(int field) const;
    void setCurrent(qint64 row);
    // After a refused write: the rows as they are now.
    void showRowsAsTheyAre();
    // The columns of the list that show a table field.
    QList<int> comparable(const QList<int>& columns) const;

    Engine& m_engine;
    QString m_sql;
    bool m_live = false;
    QList<FieldDef> m_writeFields; // for a live result: each column as the table defines it
    QList<std::shared_ptr<const TableFile>> m_tables;
    std::shared_ptr<const TableFile> m_liveTable;
    RowStore m_rows; // a live result keeps the row id in column 0
    int m_firstField = 0;
    qint64 m_current = -1;
    bool m_eof = true;
    bool m_bof = true;
    bool m_inPages = false;
    std::unique_ptr<QueryReader> m_reader;
    std::unique_ptr<RowUpdates> m_updates;
    // For each column of a live result, the first column writing the same table field.
    QList<int> m_writeColumn;
    // The columns of a live result that show a table field, each field once: what a write
    // compares with the row as it is before it writes.
    QList<int> m_comparedColumns;
    // The transaction the pending edit began in (0: outside any).
    quint64 m_editTransaction = 0;
    std::unique_ptr<Statement> m_delete;
};

} // namespace kestar
