#pragma once

#include "data/RowStore.h"

#include <QHash>
#include <QString>
#include <QVariant>

namespace kestar {

struct TableStatements;

// Rows of a table cursor by position, for the grids: a bounded cache of pages of rows, each
// page found by seeking from the nearest row whose position is known (either end, the
// cursor's row, the ends of a cached page), so row 999,999 of a million is one short index
// walk from the end and never a scan from the start.
class TablePages
{
public:
    struct Place
    {
        qint64 rowid = 0;
        QVariant order;
    };
    struct Anchor
    {
        qint64 position;
        Place place;
    };

    void reset(TableStatements* statements, int fields, const QString& tableName);
    // Forgets every page (after any write: positions may have moved).
    void clear();

    // The place of row `row` of count rows; current is a row whose position is known, if any.
    Place locate(qint64 row, qint64 count, const Anchor* current) const;
    // The stored value of a cell; NULL past the end.
    QVariant value(qint64 row, int column, qint64 count, const Anchor* current) const;

private:
    struct Page
    {
        RowStore rows; // rowid, order value, then the fields
        quint64 used = 0;
    };
    const Page& page(qint64 index, qint64 count, const Anchor* current) const;

    TableStatements* m_sql = nullptr;
    int m_fields = 0;
    QString m_tableName;
    mutable QHash<qint64, Page> m_pages;
    mutable quint64 m_pageClock = 0;
};

} // namespace kestar
