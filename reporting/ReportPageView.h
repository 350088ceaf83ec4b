#pragma once

#include "reporting/ReportPages.h"
#include "reporting/ReportPainter.h"

#include <QAbstractScrollArea>
#include <QSet>

namespace kestar {

// The pages of a report one under the other, scrolled as one long strip. Only the pages in
// view are painted, so the first page of a very long report shows at once.
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

    explicit ReportPageView(const ReportPages& pages, QWidget* parent = nullptr);

    // Page in view, from 0.
    int currentPage() const { return m_current; }
    void showPage(int index);

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

    const ReportPages& m_pages;
    ReportPainter m_painter;
    ZoomMode m_mode = ZoomMode::PageWidth;
    double m_zoom = 1.0;
    int m_current = 0;
    bool m_firstPaintDone = false;
    QSet<int> m_painted;
};

} // namespace kestar
