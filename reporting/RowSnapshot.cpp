#include "reporting/RowSnapshot.h"

#include <QObject>
#include <exception>
#include <limits>

namespace kestar {

namespace {
// Rows copied at a time when copying on as rows are asked for: the first page of a report
// needs a few dozen, and reading on from a query costs less in longer steps.
constexpr qint64 kStep = 512;
} // namespace

RowSnapshot::RowSnapshot(const RowSource& source, const QStringList& fields)
{
    for (const QString& name : fields) {
        const int column = source.fieldIndex(name);
        if (column < 0 || fieldIndex(name) >= 0)
            continue;
        m_fields.append(name);
        m_numeric.append(source.isNumeric(column));
        m_columns.append(column);
    }
    m_source = &source;
    m_watch = std::make_unique<QObject>();
    if (!source.watchChanges(m_watch.get(), [this] { finish(); })) {
        m_watch.reset();
        copyTo(std::numeric_limits<qint64>::max());
        return;
    }
    copyTo(0);
}

RowSnapshot::~RowSnapshot() = default;

void RowSnapshot::finish() const
{
    copyOn(std::numeric_limits<qint64>::max());
}

bool RowSnapshot::hasRow(qint64 row) const
{
    if (row < 0)
        return false;
    if (row >= m_rows)
        copyOn(row);
    return row < m_rows;
}

void RowSnapshot::copyOn(qint64 row) const
{
    if (isComplete())
        return;
    // Called where errors cannot pass (laying out a page, a notice of a change, a source that
    // goes): they end the copy instead, and the report can tell.
    try {
        copyTo(row);
    } catch (const std::exception& error) {
        m_error = QString::fromStdString(error.what());
        m_source = nullptr;
    }
}

void RowSnapshot::copyTo(qint64 row) const
{
    const qint64 until = row >= std::numeric_limits<qint64>::max() - kStep ? row : row + kStep;
    while (m_rows <= until) {
        if (!m_source->hasRow(m_rows)) {
            m_source = nullptr;
            return;
        }
        copyRow(m_rows);
    }
}

void RowSnapshot::copyRow(qint64 row) const
{
    if (row % kRunRows == 0) {
        Run run;
        // Room for as much text as the run before held: growing by doubling would hold up
        // to twice the text.
        if (!m_runs.isEmpty())
            run.chars.reserve(qsizetype(m_runs.last().chars.size() * 1.05));
        run.ends.reserve(kRunRows * m_columns.size());
        m_runs.append(std::move(run));
    }
    Run& run = m_runs.last();
    for (const int column : std::as_const(m_columns)) {
        run.chars += m_source->text(row, column);
        run.ends.append(run.chars.size());
    }
    ++m_rows;
}

int RowSnapshot::fieldIndex(const QString& name) const
{
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool RowSnapshot::isNumeric(int field) const
{
    return m_numeric.value(field, false);
}

QString RowSnapshot::text(qint64 row, int field) const
{
    if (!hasRow(row) || field < 0 || field >= m_fields.size())
        return {};
    const Run& run = m_runs.at(row / kRunRows);
    const qsizetype cell = (row % kRunRows) * m_fields.size() + field;
    const qsizetype start = cell > 0 ? run.ends.at(cell - 1) : 0;
    return run.chars.mid(start, run.ends.at(cell) - start);
}

} // namespace kestar
