#include "reporting/ReportPainter.h"

#include "reporting/ReportFonts.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

namespace kestar {

namespace {

constexpr double kMmPerPoint = 25.4 / 72.0;

Qt::Alignment alignmentOf(Align align)
{
    switch (align) {
    case Align::Centre:
        return Qt::AlignHCenter;
    case Align::Right:
        return Qt::AlignRight;
    case Align::Left:
        break;
    }
    return Qt::AlignLeft;
}

QPageLayout paperLayout(const QSizeF& paper)
{
    const QPageSize size(paper, QPageSize::Millimeter);
    return QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

} // namespace

ReportPainter::ReportPainter(const QList<FontSpec>& fonts) : m_specs(fonts) {}

void ReportPainter::prepareFonts(const QPainter& painter, double pixelsPerMm)
{
    // A font of p points is p * dpi / 72 device pixels high; the page wants p * 25.4 / 72
    // millimetres, whatever the device's resolution and the zoom.
    const int dpi = painter.device() ? painter.device()->logicalDpiY() : 72;
    const double scale = 25.4 * pixelsPerMm / (dpi > 0 ? dpi : 72);
    if (qFuzzyCompare(scale, m_fontScale) && m_fonts.size() == m_specs.size())
        return;
    m_fontScale = scale;
    m_fonts.clear();
    for (const FontSpec& spec : std::as_const(m_specs))
        m_fonts.append(reportFont(spec, spec.pointSize * scale));
}

void ReportPainter::paintPage(QPainter& painter, const ReportPage& page, const QPointF& origin,
                              double pixelsPerMm)
{
    prepareFonts(painter, pixelsPerMm);
    auto toDevice = [&](const QPointF& mm) { return origin + mm * pixelsPerMm; };

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    for (const PageLine& line : page.lines) {
        QPen pen(Qt::black);
        pen.setWidthF(qMax(1.0, line.thickness * kMmPerPoint * pixelsPerMm));
        pen.setCapStyle(Qt::FlatCap);
        painter.setPen(pen);
        painter.drawLine(toDevice(line.line.p1()), toDevice(line.line.p2()));
    }
    painter.setPen(Qt::black);
    int font = -1;
    for (const PageText& text : page.texts) {
        if (text.text.isEmpty())
            continue;
        if (text.font != font && text.font >= 0 && text.font < m_fonts.size()) {
            font = text.font;
            painter.setFont(m_fonts.at(font));
        }
        const QRectF rect(toDevice(text.rect.topLeft()), text.rect.size() * pixelsPerMm);
        // Not clipped: a value wider than its column shows whole rather than cut.
        painter.drawText(rect,
                         int(alignmentOf(text.align) | Qt::AlignTop) | Qt::TextSingleLine |
                             Qt::TextDontClip,
                         text.text);
    }
    painter.restore();
}

bool paintReport(ReportDocument& report, QPagedPaintDevice& device, int fromPage, int toPage)
{
    if (auto* printer = dynamic_cast<QPrinter*>(&device))
        printer->setFullPage(true);
    device.setPageLayout(paperLayout(report.paperSize()));

    // Every page is counted, and so every row read, before the first is painted.
    const int last = report.pageCount();
    if (!report.readError().isEmpty())
        return false;
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const int first = qBound(1, fromPage, qMax(last, 1));
    const int end = toPage <= 0 ? last : qMin(toPage, last);
    const double pixelsPerMm = device.logicalDpiX() / 25.4;
    ReportPainter reportPainter(report.fonts());
    for (int number = first; number <= end; ++number) {
        if (number > first)
            device.newPage();
        reportPainter.paintPage(painter, report.page(number - 1), QPointF(0, 0), pixelsPerMm);
    }
    return painter.end();
}

bool paintReport(const ReportPages& pages, QPagedPaintDevice& device, int fromPage, int toPage)
{
    ReportDocument report(pages);
    return paintReport(report, device, fromPage, toPage);
}

bool writePdf(const ReportPages& pages, const QString& path, QString* error)
{
    ReportDocument report(pages);
    return writePdf(report, path, error);
}

bool writePdf(ReportDocument& report, const QString& path, QString* error)
{
    auto fail = [&](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    if (path.isEmpty())
        return fail(QStringLiteral("Nije zadato ime datoteke."));
    report.pageCount();
    if (!report.readError().isEmpty())
        return fail(report.readError());
    {
        QPdfWriter writer(path);
        writer.setTitle(report.title());
        writer.setCreator(QStringLiteral("KESTAR"));
        writer.setResolution(600);
        if (!paintReport(report, writer))
            return fail(QStringLiteral("Datoteka '%1' ne moze da se upise.").arg(path));
    }
    if (QFileInfo(path).size() <= 0)
        return fail(QStringLiteral("Datoteka '%1' ne moze da se upise.").arg(path));
    return true;
}

} // namespace kestar
