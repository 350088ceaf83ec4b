#pragma once

#include "reporting/ReportDefinition.h"
#include "reporting/ReportTable.h"

#include <QLineF>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

namespace kestar {

// A laid-out report as plain data, ready to be painted. Lengths in millimetres from the
// paper's top-left corner, line thickness in points.

struct PageText
{
    QRectF rect;
    QString text;
    Align align = Align::Left;
    int font = 0; // index into ReportPages::fonts
    BandKind band = BandKind::Detail;
    QString element; // name of the element that printed it
};

struct PageLine
{
    QLineF line;
    double thickness = 0;
};

struct ReportPage
{
    int number = 0; // from 1
    QList<PageText> texts;
    QList<PageLine> lines;

    // Texts the named element printed on this page, top to bottom as laid out.
    QStringList textsOf(const QString& element) const;
    // The first text of the named element, nullptr when it printed none on this page.
    const PageText* find(const QString& element) const;
};

struct ReportPages
{
    QString title; // the document title of a PDF, the caption of the preview
    QSizeF paperSize{210, 297};
    QList<FontSpec> fonts;
    QList<ReportPage> pages;
    // What the layout could not do as asked (a field the data lacks, ...), for the preview.
    QStringList notes;
    // The columns of the report that carry a column title, for saving as CSV; empty when the
    // report defines none.
    ReportTable table;

    qsizetype pageCount() const { return pages.size(); }
};

} // namespace kestar
