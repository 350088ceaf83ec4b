#pragma once

#include "reporting/ReportDocument.h"
#include "reporting/ReportPages.h"

#include <QFont>
#include <QList>
#include <QPointF>
#include <QString>

class QPainter;
class QPagedPaintDevice;

namespace kestar {

// The one painting path of the reports: the preview, the printer and the PDF file all draw
// laid-out pages through it. Fonts are made once per scale, not once per text.
class ReportPainter
{
public:
    // fonts: those the pages' texts refer to by index.
    explicit ReportPainter(const QList<FontSpec>& fonts);

    // Paints the page with the paper's top-left corner at `origin`, in device pixels,
    // `pixelsPerMm` device pixels to the millimetre. Sizes follow the scale, so a page looks
    // the same at every zoom.
    void paintPage(QPainter& painter, const ReportPage& page, const QPointF& origin,
                   double pixelsPerMm);

private:
    void prepareFonts(const QPainter& painter, double pixelsPerMm);

    QList<FontSpec> m_specs;
    QList<QFont> m_fonts;
    double m_fontScale = -1;
};

// Paints pages `fromPage` to `toPage` (from 1; 0 for "to the last") onto a printer or a PDF
// writer, on A4 (the report's paper) from the paper's corner, laying out one page at a time.
// Returns false when the device could not be opened for painting.
bool paintReport(ReportDocument& report, QPagedPaintDevice& device, int fromPage = 1,
                 int toPage = 0);
bool paintReport(const ReportPages& pages, QPagedPaintDevice& device, int fromPage = 1,
                 int toPage = 0);

// Writes the whole report as a PDF file. On failure returns false and sets *error to a text
// for the user.
bool writePdf(ReportDocument& report, const QString& path, QString* error = nullptr);
bool writePdf(const ReportPages& pages, const QString& path, QString* error = nullptr);

} // namespace kestar
