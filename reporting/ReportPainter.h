#pragma once

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
    explicit ReportPainter(const ReportPages& pages);

    // Paints page `index` (from 0) with the paper's top-left corner at `origin`, in device
    // pixels, `pixelsPerMm` device pixels to the millimetre. Sizes follow the scale, so a page
    // looks the same at every zoom.
    void paintPage(QPainter& painter, int index, const QPointF& origin, double pixelsPerMm);

private:
    void prepareFonts(const QPainter& painter, double pixelsPerMm);

    const ReportPages& m_pages;
    QList<QFont> m_fonts;
    double m_fontScale = -1;
};

// Paints pages `fromPage` to `toPage` (from 1; 0 for "to the last") onto a printer or a PDF
// writer, on A4 (the report's paper) from the paper's corner. Returns false when the device
// could not be opened for painting.
bool paintReport(const ReportPages& pages, QPagedPaintDevice& device, int fromPage = 1,
                 int toPage = 0);

// Writes the whole report as a PDF file. On failure returns false and sets *error to a text
// for the user.
bool writePdf(const ReportPages& pages, const QString& path, QString* error = nullptr);

} // namespace kestar
