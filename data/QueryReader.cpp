#include "data/QueryReader.h"

#include "data/Backend.h"
#include "data/Engine.h"

#include <QStringList>

namespace kestar {

QueryReader::QueryReader(Engine& engine, const sql::Translation& translation,
                         std::shared_ptr<const TableFile> table, int columns, bool inPages)
    : m_engine(engine), m_translation(translation), m_table(std::move(table)), m_columns(columns),
      m_inPages(inPages && !translation.firstPage.isEmpty())
{
}

QueryReader::~QueryReader() = default;

std::optional<QList<qint64>> QueryReader::candidates()
{
    if (!m_table)
        return std::nullopt;
    for (const auto& [field, pattern] : std::as_const(m_translation.likes)) {
        if (!m_table->searchFields.contains(field, Qt::CaseInsensitive))
            continue;
        if (auto rows = m_engine.backend().searchCandidates(*m_table, field, pattern, kNarrowed))
            return rows;
    }
    return std::nullopt;
}

void QueryReader::start(RowStore& rows)
{
    rows.clear(m_columns);
    m_more = false;
    m_page = kFirstPage;
    m_lastKeys.clear();
    if (const std::optional<QList<qint64>> narrowed = candidates()) {
        QStringList ids;
        ids.reserve(narrowed->size());
        for (const qint64 id : *narrowed)
            ids.append(QString::number(id));
        const std::unique_ptr<Statement> statement = prepare(m_translation.restricted);
        statement->bind(1, QLatin1Char('[') + ids.join(QLatin1Char(',')) + QLatin1Char(']'));
        readAll(*statement, rows);
        return;
    }
    if (!m_inPages) {
        const std::unique_ptr<Statement> statement = prepare(m_translation.sqlite);
        readAll(*statement, rows);
        return;
    }
    if (!m_firstPage)
        m_firstPage = prepare(m_translation.firstPage);
    m_firstPage->bind(1, m_page);
    readPage(*m_firstPage, rows);
}

void QueryReader::readMore(RowStore& rows)
{
    if (!m_more)
        return;
    if (!m_nextPage)
        m_nextPage = prepare(m_translation.nextPage);
    // Pages grow while the reader goes on, so that reading a long result through costs few
    // statements.
    m_page = qMin(m_page * 2, kLastPage);
    for (int i = 0; i < m_lastKeys.size(); ++i)
        m_nextPage->bind(i + 1, m_lastKeys.at(i));
    m_nextPage->bind(m_lastKeys.size() + 1, m_page);
    readPage(*m_nextPage, rows);
}

std::unique_ptr<Statement> QueryReader::prepare(const QString& sql)
{
    Backend& backend = m_engine.backend();
    return backend.prepare(backend.spell(sql));
}

void QueryReader::readAll(Statement& statement, RowStore& rows)
{
    while (statement.step())
        rows.append(statement, 0);
    statement.reset();
}

void QueryReader::readPage(Statement& statement, RowStore& rows)
{
    const int keys = m_translation.pageKeys;
    qint64 read = 0;
    {
        const ResetOnExit reset(statement);
        while (statement.step()) {
            rows.append(statement, 0);
            ++read;
            const int count = statement.columnCount();
            m_lastKeys.clear();
            for (int k = count - keys; k < count; ++k)
                m_lastKeys.append(statement.column(k));
        }
    }
    m_more = read == m_page;
}

} // namespace kestar
