#pragma once

#include "reporting/ReportDocument.h"
#include "reporting/ReportPainter.h"

#include <QAbstractScrollArea>
#include <QSet>

namespace kestar {

// The pages of a report one under the other, scrolled as one long strip. Only the pages in
// view are laid out and painted, so the first page of a very long report shows at once; the
// strip reaches as far as the pages counted so far and grows as counting goes on.
class ReportPageView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    enum class ZoomMode
    {
        Factor,
        WholePage,
        PageWidth
    };

    // The document must outlive the view.
    explicit ReportPageView(ReportDocument& document, QWidget* parent = nullptr);

    // Page in view, from 0.
    int currentPage() const { return m_current; }
    // Counts the document's pages as far as `index` if need be; past the last page shows the
    // last one.
    void showPage(int index);
    // More of the document's pages have been counted: the strip grows to take them.
    void pagesCounted();

    ZoomMode zoomMode() const { return m_mode; }
    // 1.0 is the paper's real size on the screen.
    double zoomFactor() const { return m_zoom; }
    void setZoomFactor(double factor);
    void zoomIn();
    void zoomOut();
    void fitWholePage();
    void fitPageWidth();

    // Distinct pages painted since the view was made: what the lazy painting saves.
    int paintedPageCount() const { return int(m_painted.size()); }

signals:
    void currentPageChanged(int index);
    void zoomChanged(double factor);
    // Once, after the first page has been painted on the screen.
    void firstPaint();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    double pixelsPerMm() const;
    QSizeF pageSizePixels() const;
    int pageStride() const;
    void applyZoom(double factor, ZoomMode mode);
    void updateFitZoom();
    void updateScrollBars();
    void updateCurrentPage();

    ReportDocument& m_document;
    int m_stripPages = 0; // pages the scroll strip holds
    ReportPainter m_painter;
    ZoomMode m_mode = ZoomMode::PageWidth;
    double m_zoom = 1.0;
    int m_current = 0;
    bool m_firstPaintDone = false;
    QSet<int> m_painted;
};

} // namespace kestar
