#pragma once

#include "data/RowStore.h"
#include "data/Statement.h"
#include "data/sql/SqlDialect.h"

#include <QList>
#include <QVariant>
#include <memory>
#include <optional>

namespace kestar {

class Engine;
struct TableFile;

// Reads the rows of one translated statement into a row store: whole, or a page at a time in
// the table's natural order. A LIKE on a field with a name search index is first narrowed to
// the rows the index allows, and when those are few the result is read whole at once from
// them. Every read steps its statement to the end of what it wants and resets it, so no
// statement stays open between reads.
class QueryReader
{
public:
    // table: the one table of the statement when it has a single one (its search indexes are
    // used), else null. columns: how many result columns a row of the store takes.
    QueryReader(Engine& engine, const sql::Translation& translation,
                std::shared_ptr<const TableFile> table, int columns, bool inPages);
    ~QueryReader();

    // Reads the result from its first row: all of it, or its first page.
    void start(RowStore& rows);
    // Rows after those read may follow.
    bool hasMore() const { return m_more; }
    // Reads the next page of rows; nothing when none follow.
    void readMore(RowStore& rows);

private:
    static constexpr qint64 kFirstPage = 64;
    static constexpr qint64 kLastPage = 1024;
    // A result narrowed to at most this many rows by the index is read whole.
    static constexpr int kNarrowed = 1500;

    std::optional<QList<qint64>> candidates();
    void readAll(Statement& statement, RowStore& rows);
    void readPage(Statement& statement, RowStore& rows);
    std::unique_ptr<Statement> prepare(const QString& sql);

    Engine& m_engine;
    sql::Translation m_translation;
    std::shared_ptr<const TableFile> m_table;
    int m_columns = 0;
    bool m_inPages = false;
    bool m_more = false;
    qint64 m_page = kFirstPage;
    QList<QVariant> m_lastKeys; // order values of the last row read, for the next page
    std::unique_ptr<Statement> m_firstPage, m_nextPage;
};

} // namespace kestar
