#pragma once

#include "reporting/RowSource.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kestar {

// A copy of some fields of every row of another source, taken at once and never changed
// afterwards: a report laid out page by page while its window is open keeps printing the rows
// as they were when it was asked for, whatever happens to the table or query meanwhile. The
// texts of all cells share one buffer, so a copy costs about the size of its text.
class RowSnapshot : public RowSource
{
public:
    // fields: the names to copy (letter case ignored); a name the source lacks is left out, so
    // fieldIndex() gives -1 for it as the source would. Errors of the source pass through.
    RowSnapshot(const RowSource& source, const QStringList& fields);

    qint64 rowCount() const override { return m_rows; }
    int fieldIndex(const QString& name) const override;
    bool isNumeric(int field) const override;
    QString text(qint64 row, int field) const override;

private:
    QStringList m_fields;
    QList<bool> m_numeric;
    qint64 m_rows = 0;
    QString m_chars;
    // Where each cell ends in m_chars, row after row; a cell starts where the one before ends.
    QList<qsizetype> m_ends;
};

} // namespace kestar
