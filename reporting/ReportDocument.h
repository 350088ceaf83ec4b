#pragma once

#include "reporting/ReportDefinition.h"
#include "reporting/ReportPages.h"
#include "reporting/RowSource.h"

#include <QList>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace kestar {

// A report as the preview, the printer and the files take it: pages by number, laid out only
// when asked for. Made from a definition and its rows, it copies the fields the report prints
// (so that the rows cannot change under it: from a query as far as the pages need them and
// the rest when the query is about to change, from any other source whole), reads the clock,
// and lays nothing out yet; each page asked for is laid out then and kept among the last few.
// Counting the pages means finding where each begins, which is quick and keeps a few bytes
// per page; the total on the last page comes with it. Made from pages laid out already, it
// simply hands those out.
//
// The page count is known once counted: count on in slices (countOn) to keep a window
// responsive, or all at once (pageCount).
class ReportDocument
{
public:
    explicit ReportDocument(ReportPages pages);
    // Errors of the source while the document is made pass through. A source copied as the
    // pages need it (see RowSnapshot) is read until it tells that it changes or goes.
    ReportDocument(const ReportDefinition& definition, const RowSource& source,
                   const QString& title = {});
    ~ReportDocument();
    ReportDocument(const ReportDocument&) = delete;
    ReportDocument& operator=(const ReportDocument&) = delete;

    // The document title of a PDF, the caption of the preview.
    const QString& title() const { return m_pages.title; }
    void setTitle(const QString& title) { m_pages.title = title; }
    QSizeF paperSize() const { return m_pages.paperSize; }
    // The fonts the pages' texts refer to by index.
    const QList<FontSpec>& fonts() const { return m_pages.fonts; }
    // What the layout could not do as asked (a field the data lacks, ...).
    const QStringList& notes() const { return m_pages.notes; }
    // Titles of the columns of the report's table (what is saved as CSV); empty when the
    // report has none.
    const QStringList& tableHeader() const { return m_pages.table.header; }

    // True once the number of pages is known.
    bool isCounted() const;
    // Pages known to exist so far: all of them once counted. A report laid out from its
    // definition has at least one page.
    int knownPageCount() const;
    // Counts on for about `milliseconds`, at least one page; returns isCounted().
    bool countOn(int milliseconds);
    // Counts to the end first.
    int pageCount();
    // Counts on as far as page `index` (from 0); false when the report has no such page.
    bool hasPage(int index);

    // Page `index` (from 0); an empty page (number 0) past the last one.
    ReportPage page(int index);
    // Pages laid out with their texts since the document was made (counting lays none out).
    int laidOutPages() const { return m_laidOut; }
    // Why the report lacks rows of its source: reading them on failed after the document was
    // made, and the pages end where the rows read end. Empty when nothing failed.
    QString readError() const;

    // Hands over every row of the table in order, laying the report out once more from its
    // first page, so that the rows are never all held at once. Stops when `row` returns false;
    // returns false then.
    bool forEachTableRow(const std::function<bool(const QStringList& row)>& row);

    // Every page and the whole table at once, as layoutReport() gives them.
    ReportPages allPages();

private:
    struct Flowing;

    void findNextStart();

    ReportPages m_pages; // all pages; of a flowing report only the rest, without pages
    std::unique_ptr<Flowing> m_flowing;
    int m_laidOut = 0;
};

} // namespace kestar
