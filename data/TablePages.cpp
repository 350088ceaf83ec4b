#include "data/TablePages.h"

#include "data/EngineError.h"
#include "data/TableStatements.h"

namespace kestar {

namespace {

constexpr qint64 kPageRows = 128;
constexpr int kMaxPages = 64;

} // namespace

void TablePages::reset(TableStatements* statements, int fields, const QString& tableName)
{
    m_sql = statements;
    m_fields = fields;
    m_tableName = tableName;
    clear();
}

void TablePages::clear()
{
    m_pages.clear();
}

TablePages::Place TablePages::locate(qint64 row, qint64 count, const Anchor* current) const
{
    // Seek from the nearest row whose position is known: either end, the current row, or
    // the ends of a cached page; OFFSET then only steps over index entries in between.
    std::optional<Anchor> best;
    qint64 bestDistance = row; // from the first row
    bool fromEnd = false;
    if (count - 1 - row < bestDistance) {
        bestDistance = count - 1 - row;
        fromEnd = true;
    }
    const auto consider = [&](qint64 position, const Place& place) {
        const qint64 distance = qAbs(position - row);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = Anchor{position, place};
        }
    };
    if (current)
        consider(current->position, current->place);
    for (auto it = m_pages.cbegin(); it != m_pages.cend(); ++it) {
        const RowStore& rows = it.value().rows;
        if (rows.size() == 0)
            continue;
        const qint64 start = it.key() * kPageRows;
        consider(start, {rows.value(0, 0).toLongLong(), rows.value(0, 1)});
        const qint64 end = start + rows.size() - 1;
        consider(end,
                 {rows.value(rows.size() - 1, 0).toLongLong(), rows.value(rows.size() - 1, 1)});
    }

    Statement* statement = nullptr;
    if (!best) {
        statement = fromEnd ? m_sql->offsetLast.get() : m_sql->offsetFirst.get();
        statement->bind(1, bestDistance);
    } else if (best->position == row) {
        return best->place;
    } else {
        statement = best->position < row ? m_sql->offsetAfter.get() : m_sql->offsetBefore.get();
        statement->bind(1, best->place.order);
        statement->bind(2, best->place.rowid);
        statement->bind(3, bestDistance - 1);
    }
    Place place;
    const bool found = statement->step();
    if (found)
        place = {statement->columnInt(0), statement->column(1)};
    statement->reset();
    if (!found)
        throw EngineError(
            QStringLiteral("Red %1 tabele %2 ne moze da se procita!!!").arg(row).arg(m_tableName));
    return place;
}

const TablePages::Page& TablePages::page(qint64 index, qint64 count, const Anchor* current) const
{
    auto it = m_pages.find(index);
    if (it == m_pages.end()) {
        if (m_pages.size() >= kMaxPages) {
            auto oldest = m_pages.begin();
            for (auto p = m_pages.begin(); p != m_pages.end(); ++p) {
                if (p.value().used < oldest.value().used)
                    oldest = p;
            }
            m_pages.erase(oldest);
        }
        const Place start = locate(index * kPageRows, count, current);
        Page page;
        page.rows.clear(m_fields + 2);
        Statement& from = *m_sql->from;
        from.bind(1, start.order);
        from.bind(2, start.rowid);
        from.bind(3, kPageRows);
        while (from.step())
            page.rows.append(from, 0);
        from.reset();
        it = m_pages.insert(index, std::move(page));
    }
    it.value().used = ++m_pageClock;
    return it.value();
}

QVariant TablePages::value(qint64 row, int column, qint64 count, const Anchor* current) const
{
    const Page& p = page(row / kPageRows, count, current);
    const qint64 inPage = row % kPageRows;
    if (inPage >= p.rows.size())
        return {};
    return p.rows.value(inPage, column + 2);
}

} // namespace kestar
