#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace kestar {

// What an import did, for the person who ran it: rows read and written per table, old fields
// that have no place in the new tables, every value or row that did not come over, and a
// verdict. Problems are what did not come over as it stood; notes are for information only.
class ImportReport
{
public:
    // Rows of the old table and rows written into the new one.
    void setCounts(const QString& table, int read, int written);
    // An old field without a field of the same name in the new table. rowsWithData: in how many
    // rows it held a value; a field that held values counts as a problem, an empty one does not.
    void addUnplacedField(const QString& table, const QString& field, const QString& type,
                          int rowsWithData);
    // A value that could not be converted (the field stays empty) or a memo that could not be
    // read. row counts from 1 in the old table's record order. Of each table the values and
    // rows of its first rows are listed one by one, kListedPerTable of them, the rest counted.
    void addValueProblem(const QString& table, int row, const QString& field, const QString& value,
                         const QString& why);
    // A whole row that did not come over.
    void addRowProblem(const QString& table, int row, const QString& why);
    // Any other problem: a file that could not be copied, an unknown code page.
    void addProblem(const QString& text);
    void addNote(const QString& text);
    // The import was refused or failed; nothing was written.
    void setRefused(const QString& why);

    static constexpr int kListedPerTable = 10000;

    bool refused() const { return !m_refusal.isEmpty(); }
    int problemCount() const;
    // The whole report, ending in its verdict line.
    QString text() const;

private:
    struct Counts
    {
        QString table;
        int read = 0;
        int written = 0;
    };
    struct Unplaced
    {
        QString table, field, type;
        int rowsWithData = 0;
    };
    struct RowProblem
    {
        QString table;
        int row = 0;
        QString text;
    };

    void addListed(const QString& table, int row, const QString& text);

    QList<Counts> m_counts;
    QList<Unplaced> m_unplaced;
    QHash<QString, QList<RowProblem>> m_rowProblems; // by table
    QHash<QString, int> m_rowProblemCounts;          // listed or not, by table
    QStringList m_problems;
    QStringList m_notes;
    QString m_refusal;
};

} // namespace kestar
