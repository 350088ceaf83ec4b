#pragma once

#include "reporting/RowSource.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

class QObject;

namespace kestar {

// A copy of some fields of every row of another source, never changed afterwards: a report
// laid out page by page while its window is open keeps printing the rows as they were when it
// was asked for, whatever happens to the table or query meanwhile.
//
// A source that tells before its rows change (a query) is copied as its rows are asked for
// (hasRow), and the rest all at once when it tells; any other source is copied whole when the
// copy is made. The texts of a run of rows share one buffer, so a copy costs about the size of
// its text.
class RowSnapshot : public RowSource
{
public:
    // fields: the names to copy (letter case ignored); a name the source lacks is left out, so
    // fieldIndex() gives -1 for it as the source would. Errors of the source while the copy is
    // made pass through; a later one ends the copy where it happened (readError()).
    RowSnapshot(const RowSource& source, const QStringList& fields);
    ~RowSnapshot() override;
    RowSnapshot(const RowSnapshot&) = delete;
    RowSnapshot& operator=(const RowSnapshot&) = delete;

    // The rows copied so far.
    qint64 rowCount() const override { return m_rows; }
    // Copies on as far as the row when it has not been copied yet.
    bool hasRow(qint64 row) const override;
    int fieldIndex(const QString& name) const override;
    bool isNumeric(int field) const override;
    QString text(qint64 row, int field) const override;

    // Every row of the source is copied (or the copy ended at an error).
    bool isComplete() const { return !m_source; }
    // Copies the rest now.
    void finish() const;
    // The source's error that ended the copy early; empty when there was none.
    const QString& readError() const { return m_error; }

private:
    // The texts of up to kRunRows rows, cell after cell. A cell ends where `ends` says and
    // starts where the one before it ends.
    struct Run
    {
        QString chars;
        QList<qsizetype> ends;
    };
    static constexpr qint64 kRunRows = 4096;

    // Copies rows until `row` is copied or the source has no more; then a few more, so that
    // the source is asked for many rows at a time.
    void copyTo(qint64 row) const;
    // The same once the copy is made: an error of the source ends the copy (readError()).
    void copyOn(qint64 row) const;
    void copyRow(qint64 row) const;

    QStringList m_fields;
    QList<bool> m_numeric;
    QList<int> m_columns; // of the source
    // Copying on does not change the rows the snapshot gives, only how many are copied yet:
    // what follows grows when rows are asked for.
    mutable const RowSource* m_source = nullptr; // until the copy is complete
    mutable qint64 m_rows = 0;
    mutable QList<Run> m_runs;
    mutable QString m_error;
    std::unique_ptr<QObject> m_watch; // receives the source's notice of a change
};

} // namespace kestar
