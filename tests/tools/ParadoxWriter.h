#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>

namespace kestar::test {

// One field of an old table to be written. length 0 takes the type's own size (alpha 20,
// memo 20: 10 leading bytes and the 10-byte pointer).
struct ParadoxColumn
{
    QString name;
    int type = 0; // pxlib's field type: pxfAlpha, pxfLong, pxfMemoBLOb, ...
    int length = 0;
    int decimals = 2; // digits after the point of a BCD field
};

// Writes old tables (.DB, through pxlib) and their memo files (.MB, by hand from the same format
// knowledge the importer reads it with) for the tests.
//
// A row is a list of cells in column order. An invalid QVariant is NULL. Alpha and memo fields
// take QString (written in the table's code page); short, long, autoincrement and time take int
// (time: milliseconds since midnight); number and money double; date QDate, or int for the
// stored day number itself (day 1 is 1 January of the year 1); timestamp
// QDateTime; logical bool; BCD QString digits ("-12.50"); bytes QByteArray.
class ParadoxWriter
{
public:
    ParadoxWriter(QList<ParadoxColumn> columns, int codePage = 1250, int primaryKeyFields = 0);

    void addRow(const QVariantList& cells) { m_rows.append(cells); }
    // Memos up to this many bytes share blocks of the memo file; longer ones get blocks of
    // their own.
    void setSharedMemoLimit(int bytes) { m_sharedLimit = bytes; }

    // Writes path (a .DB) and, when a memo does not fit its record, the .MB beside it with the
    // same base name. Throws std::runtime_error when pxlib refuses.
    void write(const QString& path) const;
    // The same with rows rows given one at a time by rowAt instead of the rows added, for a
    // table too large to hold in memory; a large table is written straight into its file.
    void write(const QString& path, int rows, const std::function<QVariantList(int)>& rowAt) const;

    // A small table of the given fields, all alpha of 20 characters, from rows of texts.
    static void writeTexts(const QString& path, const QStringList& fields,
                           const QList<QStringList>& rows, int codePage = 1250);

private:
    void patchDecimals(const QString& path) const;

    QList<ParadoxColumn> m_columns;
    int m_codePage;
    int m_primaryKeyFields;
    int m_sharedLimit = 1000;
    QList<QVariantList> m_rows;
};

} // namespace kestar::test
