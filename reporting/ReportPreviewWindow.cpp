#include "reporting/ReportPreviewWindow.h"

#include "platform/Messages.h"
#include "reporting/FileQuestions.h"
#include "reporting/ReportCsv.h"
#include "reporting/ReportPageView.h"
#include "reporting/ReportPainter.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>

namespace kestar {

namespace {

QAction* toolAction(QToolBar* bar, const QString& caption, const QString& name,
                    const QKeySequence& key = {})
{
    QAction* action = bar->addAction(caption);
    action->setObjectName(name);
    action->setToolTip(caption);
    if (!key.isEmpty())
        action->setShortcut(key);
    if (QWidget* button = bar->widgetForAction(action)) {
        button->setObjectName(name + QStringLiteral("Button"));
        button->setAccessibleName(caption);
    }
    return action;
}

// Counting runs while the window is idle, a slice at a time, short enough not to be felt.
constexpr int kCountingSliceMs = 10;

} // namespace

ReportPreviewWindow::ReportPreviewWindow(ReportPages pages, Messages& messages, QWidget* parent,
                                         FileQuestions* questions)
    : ReportPreviewWindow(std::make_unique<ReportDocument>(std::move(pages)), messages, parent,
                          questions)
{
}

ReportPreviewWindow::ReportPreviewWindow(std::unique_ptr<ReportDocument> report, Messages& messages,
                                         QWidget* parent, FileQuestions* questions)
    : QWidget(parent, Qt::Window), m_report(std::move(report)), m_messages(messages),
      m_ownQuestions(questions ? nullptr : std::make_unique<DialogFileQuestions>()),
      m_questions(questions ? questions : m_ownQuestions.get())
{
    setObjectName(QStringLiteral("ReportPreview"));
    setAttribute(Qt::WA_DeleteOnClose);
    const QString& title = m_report->title();
    setWindowTitle(title.isEmpty() ? QStringLiteral("Pregled izvestaja")
                                   : QStringLiteral("Pregled izvestaja - ") + title);

    m_view = new ReportPageView(*m_report, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildToolBar();
    layout->addWidget(findChild<QToolBar*>(QStringLiteral("PreviewToolBar")));
    layout->addWidget(m_view, 1);
    if (!m_report->notes().isEmpty()) {
        auto* notes = new QLabel(
            QStringLiteral("Napomena: ") + m_report->notes().join(QLatin1Char(' ')), this);
        notes->setObjectName(QStringLiteral("PreviewNotes"));
        notes->setWordWrap(true);
        notes->setContentsMargins(6, 3, 6, 3);
        layout->addWidget(notes);
    }
    connect(m_view, &ReportPageView::currentPageChanged, this, &ReportPreviewWindow::pageShown);
    // The first page comes first; counting the rest waits until it is on the screen.
    m_counting.setInterval(0);
    connect(&m_counting, &QTimer::timeout, this, &ReportPreviewWindow::countSlice);
    // Counting reads the rows the first page did not need; it also tells when that failed,
    // even after a jump to the last page has counted everything first.
    connect(m_view, &ReportPageView::firstPaint, this, [this] { m_counting.start(); });
    pageShown(m_view->currentPage());
    resize(980, 760);
}

void ReportPreviewWindow::countSlice()
{
    if (m_report->isCounted() || m_report->countOn(kCountingSliceMs))
        m_counting.stop();
    if (closedIncomplete())
        return;
    m_view->pagesCounted();
    showCount();
}

bool ReportPreviewWindow::closedIncomplete()
{
    const QString error = m_report->readError();
    if (error.isEmpty())
        return false;
    m_counting.stop();
    m_messages.showError(error);
    close();
    return true;
}

void ReportPreviewWindow::showCount()
{
    const int known = m_report->knownPageCount();
    const bool counted = m_report->isCounted();
    m_pageNumber->setMaximum(qMax(1, known));
    m_pageCount->setText(counted ? QStringLiteral(" od %1 ").arg(known)
                                 : QStringLiteral(" od ... "));
    const int index = m_view->currentPage();
    const bool more = index < known - 1 || !counted;
    m_next->setEnabled(more);
    m_last->setEnabled(more);
}

ReportPreviewWindow::~ReportPreviewWindow() = default;

void ReportPreviewWindow::buildToolBar()
{
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("PreviewToolBar"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);

    m_first = toolAction(bar, QStringLiteral("Prva"), QStringLiteral("PreviewFirst"),
                         QKeySequence(Qt::CTRL | Qt::Key_Home));
    m_prior = toolAction(bar, QStringLiteral("Prethodna"), QStringLiteral("PreviewPrior"),
                         QKeySequence(Qt::Key_PageUp));
    m_pageNumber = new QSpinBox(bar);
    m_pageNumber->setObjectName(QStringLiteral("PreviewPageNumber"));
    m_pageNumber->setAccessibleName(QStringLiteral("Strana"));
    m_pageNumber->setRange(1, 1);
    m_pageNumber->setKeyboardTracking(false);
    bar->addWidget(m_pageNumber);
    m_pageCount = new QLabel(bar);
    m_pageCount->setObjectName(QStringLiteral("PreviewPageCount"));
    bar->addWidget(m_pageCount);
    m_next = toolAction(bar, QStringLiteral("Sledeca"), QStringLiteral("PreviewNext"),
                        QKeySequence(Qt::Key_PageDown));
    m_last = toolAction(bar, QStringLiteral("Poslednja"), QStringLiteral("PreviewLast"),
                        QKeySequence(Qt::CTRL | Qt::Key_End));
    bar->addSeparator();
    QAction* zoomIn = toolAction(bar, QStringLiteral("Uvecaj"), QStringLiteral("PreviewZoomIn"),
                                 QKeySequence::ZoomIn);
    QAction* zoomOut = toolAction(bar, QStringLiteral("Umanji"), QStringLiteral("PreviewZoomOut"),
                                  QKeySequence::ZoomOut);
    QAction* whole =
        toolAction(bar, QStringLiteral("Cela strana"), QStringLiteral("PreviewWholePage"));
    QAction* width =
        toolAction(bar, QStringLiteral("Sirina strane"), QStringLiteral("PreviewPageWidth"));
    bar->addSeparator();
    QAction* print = toolAction(bar, QStringLiteral("Stampaj"), QStringLiteral("PreviewPrint"),
                                QKeySequence::Print);
    QAction* pdf =
        toolAction(bar, QStringLiteral("Snimi kao PDF"), QStringLiteral("PreviewSavePdf"));
    QAction* csv =
        toolAction(bar, QStringLiteral("Snimi kao CSV"), QStringLiteral("PreviewSaveCsv"));
    csv->setEnabled(!m_report->tableHeader().isEmpty());
    bar->addSeparator();
    QAction* close = toolAction(bar, QStringLiteral("Zatvori"), QStringLiteral("PreviewClose"),
                                QKeySequence(Qt::Key_Escape));

    connect(m_first, &QAction::triggered, m_view, [this] { m_view->showPage(0); });
    connect(m_prior, &QAction::triggered, m_view,
            [this] { m_view->showPage(m_view->currentPage() - 1); });
    connect(m_next, &QAction::triggered, m_view,
            [this] { m_view->showPage(m_view->currentPage() + 1); });
    connect(m_last, &QAction::triggered, m_view,
            [this] { m_view->showPage(m_report->pageCount() - 1); });
    connect(m_pageNumber, &QSpinBox::valueChanged, m_view,
            [this](int number) { m_view->showPage(number - 1); });
    connect(zoomIn, &QAction::triggered, m_view, &ReportPageView::zoomIn);
    connect(zoomOut, &QAction::triggered, m_view, &ReportPageView::zoomOut);
    connect(whole, &QAction::triggered, m_view, &ReportPageView::fitWholePage);
    connect(width, &QAction::triggered, m_view, &ReportPageView::fitPageWidth);
    connect(print, &QAction::triggered, this, &ReportPreviewWindow::print);
    connect(pdf, &QAction::triggered, this, &ReportPreviewWindow::savePdf);
    connect(csv, &QAction::triggered, this, &ReportPreviewWindow::saveCsv);
    connect(close, &QAction::triggered, this, &QWidget::close);
}

void ReportPreviewWindow::pageShown(int index)
{
    const QSignalBlocker blocker(m_pageNumber);
    showCount();
    m_pageNumber->setValue(index + 1);
    m_first->setEnabled(index > 0);
    m_prior->setEnabled(index > 0);
}

bool ReportPreviewWindow::printTo(QPrinter& printer)
{
    int from = 1;
    int to = 0;
    if (printer.printRange() == QPrinter::PageRange) {
        from = printer.fromPage();
        to = printer.toPage();
    }
    return paintReport(*m_report, printer, from, to);
}

bool ReportPreviewWindow::saveAsPdf(const QString& path, QString* error)
{
    return writePdf(*m_report, path, error);
}

void ReportPreviewWindow::print()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(m_report->title());
    // The dialog offers every page, so all of them are counted first.
    const int count = m_report->pageCount();
    if (closedIncomplete())
        return;
    showCount();
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Stampaj"));
    dialog.setMinMax(1, qMax(1, count));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!printTo(printer))
        m_messages.showError(QStringLiteral("Stampanje nije uspelo: stampac nije dostupan."));
}

bool ReportPreviewWindow::saveAsCsv(const QString& path, QString* error)
{
    return writeReportCsv(*m_report, path, error);
}

QString ReportPreviewWindow::suggestedFileName(const QString& extension) const
{
    QString name = m_report->title().simplified();
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    for (QChar& c : name) {
        if (forbidden.contains(c) || c.category() == QChar::Other_Control)
            c = QLatin1Char('_');
    }
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        name = QStringLiteral("izvestaj");
    return name + QLatin1Char('.') + extension;
}

void ReportPreviewWindow::savePdf()
{
    saveFile(QStringLiteral("Snimi kao PDF"), QStringLiteral("pdf"),
             QStringLiteral("PDF datoteke (*.pdf)"), &ReportPreviewWindow::saveAsPdf);
}

void ReportPreviewWindow::saveCsv()
{
    saveFile(QStringLiteral("Snimi kao CSV"), QStringLiteral("csv"),
             QStringLiteral("CSV datoteke (*.csv)"), &ReportPreviewWindow::saveAsCsv);
}

void ReportPreviewWindow::saveFile(const QString& caption, const QString& extension,
                                   const QString& filter,
                                   bool (ReportPreviewWindow::*write)(const QString&, QString*))
{
    QString path = m_questions->savePath(this, caption, suggestedFileName(extension), filter);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + extension;
    QString error;
    if (!(this->*write)(path, &error))
        m_messages.showError(error);
}

void ReportPreviewWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

} // namespace kestar
