#include "tools/import/ImportReport.h"

#include <algorithm>

namespace kestar {

void ImportReport::setCounts(const QString& table, int read, int written)
{
    for (Counts& counts : m_counts) {
        if (counts.table == table) {
            counts.read = read;
            counts.written = written;
            return;
        }
    }
    m_counts.append({table, read, written});
}

void ImportReport::addUnplacedField(const QString& table, const QString& field, const QString& type,
                                    int rowsWithData)
{
    m_unplaced.append({table, field, type, rowsWithData});
}

namespace {

// Keeps the problems of the first rows of a table, as many as the report lists.
template <class Problems> void keepFirstRows(Problems& problems, qsizetype count)
{
    std::stable_sort(problems.begin(), problems.end(),
                     [](const auto& a, const auto& b) { return a.row < b.row; });
    if (problems.size() > count)
        problems.resize(count);
}

} // namespace

void ImportReport::addListed(const QString& table, int row, const QString& text)
{
    // A table with a problem in every one of a million rows must not fill the memory. Rows may
    // come last first: those of the first rows are the ones kept.
    ++m_rowProblemCounts[table];
    QList<RowProblem>& listed = m_rowProblems[table];
    listed.append({table, row, text});
    if (listed.size() >= 2 * kListedPerTable)
        keepFirstRows(listed, kListedPerTable);
}

void ImportReport::addValueProblem(const QString& table, int row, const QString& field,
                                   const QString& value, const QString& why)
{
    addListed(table, row,
              QStringLiteral("%1 row %2, field %3, value %4: %5")
                  .arg(table)
                  .arg(row)
                  .arg(field, value, why));
}

void ImportReport::addRowProblem(const QString& table, int row, const QString& why)
{
    addListed(table, row, QStringLiteral("%1 row %2: %3").arg(table).arg(row).arg(why));
}

void ImportReport::addProblem(const QString& text)
{
    m_problems.append(text);
}

void ImportReport::addNote(const QString& text)
{
    m_notes.append(text);
}

void ImportReport::setRefused(const QString& why)
{
    m_refusal = why;
}

int ImportReport::problemCount() const
{
    const auto lost = std::count_if(m_unplaced.cbegin(), m_unplaced.cend(),
                                    [](const Unplaced& field) { return field.rowsWithData > 0; });
    int rows = 0;
    for (const int count : m_rowProblemCounts)
        rows += count;
    return int(lost) + rows + int(m_problems.size());
}

QString ImportReport::text() const
{
    // What a refused import had read or converted was thrown away with the folder it built.
    if (refused())
        return QStringLiteral("Refused: %1\nVerdict: nothing written\n").arg(m_refusal);
    QString out;
    if (!m_counts.isEmpty()) {
        out += QStringLiteral("%1 %2 %3\n")
                   .arg(QStringLiteral("Table"), -12)
                   .arg(QStringLiteral("rows read"), 10)
                   .arg(QStringLiteral("rows written"), 13);
        for (const Counts& counts : m_counts)
            out += QStringLiteral("%1 %2 %3\n")
                       .arg(counts.table, -12)
                       .arg(counts.read, 10)
                       .arg(counts.written, 13);
    }
    if (!m_unplaced.isEmpty()) {
        out += QStringLiteral("\nFields of the old tables that have no place in the new ones:\n");
        for (const Unplaced& field : m_unplaced) {
            const QString what = field.rowsWithData > 0
                                     ? QStringLiteral("held a value in %1 rows, not carried over")
                                           .arg(field.rowsWithData)
                                     : QStringLiteral("empty in every row");
            out += QStringLiteral("  %1.%2 (%3): %4\n")
                       .arg(field.table, field.field, field.type, what);
        }
    }
    if (!m_rowProblems.isEmpty() || !m_problems.isEmpty()) {
        QStringList tables;
        for (const Counts& counts : m_counts)
            tables.append(counts.table);
        QList<RowProblem> sorted;
        for (QList<RowProblem> listed : m_rowProblems) {
            keepFirstRows(listed, kListedPerTable);
            sorted += listed;
        }
        std::stable_sort(sorted.begin(), sorted.end(),
                         [&tables](const RowProblem& a, const RowProblem& b) {
                             const auto ta = tables.indexOf(a.table);
                             const auto tb = tables.indexOf(b.table);
                             return ta != tb ? ta < tb : a.row < b.row;
                         });
        out += QStringLiteral("\nValues and rows that did not come over as they stood:\n");
        for (const QString& problem : m_problems)
            out += QStringLiteral("  ") + problem + QLatin1Char('\n');
        for (const RowProblem& problem : sorted)
            out += QStringLiteral("  ") + problem.text + QLatin1Char('\n');
        for (auto it = m_rowProblemCounts.cbegin(); it != m_rowProblemCounts.cend(); ++it) {
            if (it.value() > kListedPerTable)
                out += QStringLiteral("  %1: %2 more values and rows like these, not listed\n")
                           .arg(it.key())
                           .arg(it.value() - kListedPerTable);
        }
    }
    if (!m_notes.isEmpty()) {
        out += QStringLiteral("\nNotes:\n");
        for (const QString& note : m_notes)
            out += QStringLiteral("  ") + note + QLatin1Char('\n');
    }
    if (!out.isEmpty())
        out += QLatin1Char('\n');
    if (problemCount() == 0) {
        out += QStringLiteral("Verdict: imported completely\n");
    } else {
        const int count = problemCount();
        out += QStringLiteral("Verdict: imported with %1 %2, see above\n")
                   .arg(count)
                   .arg(count == 1 ? QStringLiteral("problem") : QStringLiteral("problems"));
    }
    return out;
}

} // namespace kestar
