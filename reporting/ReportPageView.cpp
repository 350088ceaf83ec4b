#include "reporting/ReportPageView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <cmath>
#include <limits>

namespace kestar {

namespace {

constexpr int kGap = 12; // pixels around and between pages
constexpr double kMinZoom = 0.1;
constexpr double kMaxZoom = 6.0;
constexpr double kZoomStep = 1.25;

} // namespace

ReportPageView::ReportPageView(ReportDocument& document, QWidget* parent)
    : QAbstractScrollArea(parent), m_document(document), m_painter(document.fonts())
{
    setObjectName(QStringLiteral("ReportPageView"));
    setAccessibleName(QStringLiteral("Strane izvestaja"));
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setSingleStep(20);
    updateFitZoom();
    updateScrollBars();
}

double ReportPageView::pixelsPerMm() const
{
    return m_zoom * logicalDpiX() / 25.4;
}

QSizeF ReportPageView::pageSizePixels() const
{
    return m_document.paperSize() * pixelsPerMm();
}

int ReportPageView::pageStride() const
{
    return int(std::ceil(pageSizePixels().height())) + kGap;
}

void ReportPageView::updateFitZoom()
{
    if (m_mode == ZoomMode::Factor)
        return;
    const double atOne = logicalDpiX() / 25.4;
    const QSizeF paper = m_document.paperSize() * atOne;
    const QSize room = viewport()->size() - QSize(2 * kGap, 2 * kGap);
    if (paper.width() <= 0 || paper.height() <= 0 || room.width() <= 0 || room.height() <= 0)
        return;
    double zoom = room.width() / paper.width();
    if (m_mode == ZoomMode::WholePage)
        zoom = qMin(zoom, room.height() / paper.height());
    m_zoom = qBound(kMinZoom, zoom, kMaxZoom);
}

void ReportPageView::updateScrollBars()
{
    const QSize room = viewport()->size();
    m_stripPages = m_document.knownPageCount();
    const qint64 total = qint64(m_stripPages) * pageStride() + kGap;
    const int width = int(std::ceil(pageSizePixels().width())) + 2 * kGap;
    verticalScrollBar()->setRange(0, int(qMin<qint64>(qMax<qint64>(0, total - room.height()),
                                                      std::numeric_limits<int>::max())));
    verticalScrollBar()->setPageStep(room.height());
    horizontalScrollBar()->setRange(0, qMax(0, width - room.width()));
    horizontalScrollBar()->setPageStep(room.width());
}

void ReportPageView::applyZoom(double factor, ZoomMode mode)
{
    const int page = m_current;
    m_mode = mode;
    m_zoom = qBound(kMinZoom, factor, kMaxZoom);
    updateFitZoom();
    updateScrollBars();
    showPage(page);
    viewport()->update();
    emit zoomChanged(m_zoom);
}

void ReportPageView::setZoomFactor(double factor)
{
    applyZoom(factor, ZoomMode::Factor);
}

void ReportPageView::zoomIn()
{
    applyZoom(m_zoom * kZoomStep, ZoomMode::Factor);
}

void ReportPageView::zoomOut()
{
    applyZoom(m_zoom / kZoomStep, ZoomMode::Factor);
}

void ReportPageView::fitWholePage()
{
    applyZoom(m_zoom, ZoomMode::WholePage);
}

void ReportPageView::fitPageWidth()
{
    applyZoom(m_zoom, ZoomMode::PageWidth);
}

void ReportPageView::pagesCounted()
{
    if (m_document.knownPageCount() != m_stripPages)
        updateScrollBars();
}

void ReportPageView::showPage(int index)
{
    m_document.hasPage(index);
    pagesCounted();
    const int last = m_stripPages - 1;
    index = qBound(0, index, qMax(last, 0));
    verticalScrollBar()->setValue(index * pageStride());
    // The last pages may not reach the top of the view; they still count as shown.
    if (m_current != index) {
        m_current = index;
        emit currentPageChanged(index);
    }
}

void ReportPageView::updateCurrentPage()
{
    if (m_stripPages == 0)
        return;
    const int stride = pageStride();
    const int y = verticalScrollBar()->value() + viewport()->height() / 3;
    int page = stride > 0 ? y / stride : 0;
    page = qBound(0, page, m_stripPages - 1);
    if (verticalScrollBar()->value() >= verticalScrollBar()->maximum() &&
        verticalScrollBar()->maximum() > 0)
        page = m_stripPages - 1;
    if (page != m_current) {
        m_current = page;
        emit currentPageChanged(page);
    }
}

void ReportPageView::scrollContentsBy(int dx, int dy)
{
    QAbstractScrollArea::scrollContentsBy(dx, dy);
    // showPage() sets the page itself; scrolling by hand finds it from the position.
    if (!signalsBlocked())
        updateCurrentPage();
}

void ReportPageView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    const int page = m_current;
    updateFitZoom();
    updateScrollBars();
    showPage(page);
}

void ReportPageView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QRect area = event->rect();
    const QSizeF size = pageSizePixels();
    const int stride = pageStride();
    const int top = verticalScrollBar()->value();
    const int room = viewport()->width();
    const int width = int(std::ceil(size.width())) + 2 * kGap;
    const double x =
        width <= room ? (room - size.width()) / 2.0 : kGap - horizontalScrollBar()->value();
    const int count = m_stripPages;
    if (stride <= 0 || count == 0)
        return;
    const int firstVisible = qMax(0, (top + area.top() - kGap) / stride);
    const int lastVisible = qMin(count - 1, (top + area.bottom()) / stride);
    const double ppm = pixelsPerMm();
    for (int index = firstVisible; index <= lastVisible; ++index) {
        const QRectF paper(x, double(kGap) + qint64(index) * stride - top, size.width(),
                           size.height());
        if (!paper.intersects(area))
            continue;
        painter.fillRect(paper.translated(3, 3), QColor(0, 0, 0, 60));
        painter.fillRect(paper, Qt::white);
        m_painter.paintPage(painter, m_document.page(index), paper.topLeft(), ppm);
        m_painted.insert(index);
    }
    if (!m_firstPaintDone && !m_painted.isEmpty()) {
        m_firstPaintDone = true;
        emit firstPaint();
    }
}

} // namespace kestar
