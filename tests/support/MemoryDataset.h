#pragma once

#include "data/Cursor.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace kestar::test {

// A Dataset held in memory, for tests of everything that works on a cursor. It keeps the
// cursor rules of the real tables: insert before the current row, a move finishes a pending
// row (a changed one is posted, an unchanged one dropped), values converted from and to text
// through the regional settings with the engine's error texts, a read-only flag, and the
// signals the grids listen to.
//
// With a key field it behaves like a keyed table: rows are kept in key order, a posted row
// moves to its key's place, and a repeated key is refused with "Key violation".
class MemoryDataset : public Cursor
{
    Q_OBJECT
public:
    explicit MemoryDataset(const QList<FieldDef>& fields, QObject* parent = nullptr);

    // Test set-up, open or closed. Texts are converted as setText() would, in field order;
    // missing trailing values are NULL. A bad text throws EngineError.
    void addRow(const QStringList& texts);
    void setKeyField(const QString& name);
    // Every post from now on throws EngineError with this text; an empty text ends it.
    void failPostsWith(const QString& text) { m_postError = text; }

    // The stored rows, without a pending insert and without unposted edits.
    int storedRowCount() const;
    QString storedText(int row, const QString& field) const;
    QStringList storedRow(int row) const;
    int postCount() const { return m_postCount; }

    void open() override;
    void close() override;
    // Emits stateChanged so that the controls show the new mode.
    void setReadOnly(bool readOnly) override;

    void first() override;
    void next() override;
    void prior() override;
    void last() override;
    bool eof() const override { return m_eof || m_rows.isEmpty(); }
    bool bof() const override { return m_bof || m_rows.isEmpty(); }
    bool isEmpty() const override { return m_rows.isEmpty(); }

    QString text(const QString& field) const override;
    double number(const QString& field) const override;

    void insert() override;
    void cancel() override;
    void remove() override;
    // Finishes a pending row first, like a move.
    void refresh() override;

    qint64 rowCount() const override { return isOpen() ? m_rows.size() : 0; }
    qint64 position() const override { return isOpen() && !m_rows.isEmpty() ? m_position : -1; }
    // A pending insert dropped on the way shifts the rows after it up by one; the target
    // row is counted as it was before the drop.
    void moveTo(qint64 row) override;
    QString textAt(qint64 row, int column) const override;

private:
    using Row = QList<QVariant>; // an invalid QVariant is NULL

    bool hasCurrentRow() const override { return !m_rows.isEmpty(); }
    QList<QVariant> currentRow() override { return m_rows.at(m_position); }
    QVariant storedFromText(int field, const QString& text) const override
    {
        return fromText(field, text);
    }
    QVariant storedFromNumber(int field, double value) const override;
    void postPending() override;
    void afterCancel(bool wasInsert) override;
    void rereadStale() override {}
    qint64 currentPosition() const override { return m_position; }

    void requireRow() const;
    int requireField(const QString& name) const;
    QVariant fromText(int field, const QString& text) const;
    QString toText(int field, const QVariant& value) const;
    const Row& rowAt(qint64 row) const;
    // Posts a changed pending row, drops an unchanged one. Returns the position of the
    // dropped insert, or -1.
    qint64 finishPendingAt();
    int keyedPlace(const Row& row, qint64 skip) const;
    // Sets bof and eof before listeners hear of the move.
    void setPosition(qint64 row, bool bof, bool eof);

    QList<Row> m_rows; // in Insert state, m_rows[m_position] is a placeholder for m_buffer
    qint64 m_position = 0;
    bool m_bof = false;
    bool m_eof = false;
    int m_keyField = -1;
    int m_postCount = 0;
    QString m_postError;
};

} // namespace kestar::test
