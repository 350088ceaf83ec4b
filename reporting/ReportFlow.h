#pragma once

#include "reporting/ReportDefinition.h"
#include "reporting/ReportPages.h"
#include "reporting/RowSource.h"

#include <QHash>
#include <QList>
#include <QStringList>

namespace kestar {

// Where the layout of one page begins: all that the pages before it leave behind.
struct PageStart
{
    int number = 1; // the page's number, from 1
    qint64 row = 0; // the first detail row not placed yet, which is also the count placed
    // Running totals of the summary's sums over the rows placed so far, in element order.
    QList<double> sums;
    bool end = false; // the summary is placed: the report has no page here

    friend bool operator==(const PageStart&, const PageStart&) = default;
};

// Lays a banded report out one page at a time: page header and page footer on every page, the
// title once under the first page header, one detail band per row flowing onto as many pages
// as needed, the summary after the last row (on a new page when it does not fit). An empty
// source still gives one page with header, title, summary and footer.
//
// A page depends only on where it begins, so pages can be laid out in any order and again:
// keeping the starts of the pages (a few bytes each) is enough to show any page later. Only the
// summary needs every row; its sums are carried from page to page. A sum placed in another band
// is computed over every row when the flow is made.
//
// The date and time printed are read from the clock once, when the flow is made. A field the
// source lacks prints empty and adds a note. Errors of the source pass through. The definition
// and the source must outlive the flow.
class ReportFlow
{
public:
    ReportFlow(const ReportDefinition& definition, const RowSource& source);
    ReportFlow(const ReportFlow&) = delete;
    ReportFlow& operator=(const ReportFlow&) = delete;

    PageStart start() const;
    // Lays out the page that begins at `from` into *page and adds its lines of the table to
    // *table; either may be null (both null: only finds where the next page begins, which is
    // quick). Returns where the next page begins; from an end, the end again.
    PageStart layPage(const PageStart& from, ReportPage* page, ReportTable* table);

    // Fonts the pages' texts refer to by index.
    const QList<FontSpec>& fonts() const { return m_fonts; }
    // What the layout could not do as asked.
    const QStringList& notes() const { return m_notes; }
    // Titles of the table's columns; empty when the report defines no table.
    const QStringList& tableHeader() const { return m_tableHeader; }

    // Everything in one go, as layoutReport() gives it.
    ReportPages layOutAll(const QString& title);

private:
    // An element with everything looked up that does not change from row to row.
    struct Prepared
    {
        const ReportElement* element = nullptr;
        int font = 0;
        int decimals = -1;
        int field = -1;
        bool numeric = false;
        QList<int> factors; // -1 for a factor the data lacks
        QString fixed;      // the whole text, for elements that print the same on every page
        QString fixedPlain; // the same with "." as decimal separator, for the table
        bool isFixed = false;
        int sum = -1;    // a running sum of the summary: its index in PageStart::sums
        int column = -1; // column of the table, -1 when the element is not in it
    };
    struct PreparedBand
    {
        const ReportBand* band = nullptr;
        QList<Prepared> elements;
    };

    PreparedBand prepare(const ReportBand& band);
    int fontIndex(const FontSpec& spec);
    void noteMissing(const QString& field, const QString& element);
    double evaluate(const Prepared& prepared, qint64 row) const;
    double number(qint64 row, int field) const;
    // plain: numbers with "." as decimal separator, as the table holds them.
    QString textOf(const Prepared& prepared, qint64 row, bool detail, bool plain = false) const;
    void prepareTable();
    void assignColumns(PreparedBand& band) const;
    void addTableRow();
    // Places a band at `top` on the page being laid out, and its cells into the table row.
    void place(const PreparedBand& band, double top, qint64 row);
    bool fits(const PreparedBand& band, double y) const;
    qint64 contextRow() const;

    const ReportDefinition& m_definition;
    const RowSource& m_source;
    QList<FontSpec> m_fonts;
    QStringList m_notes;
    QHash<QString, int> m_fontIndex; // key: family, size, weight
    QString m_date;
    QString m_time;
    double m_bodyTop = 0;
    double m_bodyBottom = 0;
    qsizetype m_textsPerPage = 0;
    int m_sumCount = 0;
    PreparedBand m_header, m_title, m_detail, m_summary, m_footer;

    QStringList m_tableHeader;
    QStringList m_columns;         // heading element of each column of the table
    bool m_plainIsPrinted = false; // the regional decimal separator is "." already

    // The page being laid out.
    ReportPage* m_page = nullptr;
    ReportTable* m_table = nullptr;
    int m_number = 0;
    qint64 m_printed = 0; // detail rows placed so far
    const QList<double>* m_sums = nullptr;
    QStringList m_rowCells; // the table row being placed
    bool m_rowHasCells = false;
};

// The text a mask gives a number: its decimals, the regional decimal separator, no grouping.
QString formatMasked(double value, int decimals);

} // namespace kestar
