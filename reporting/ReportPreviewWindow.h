#pragma once

#include "reporting/ReportDocument.h"
#include "reporting/ReportPages.h"

#include <QTimer>
#include <QWidget>
#include <memory>

class QAction;
class QLabel;
class QPrinter;
class QSpinBox;

namespace kestar {

class FileQuestions;
class Messages;
class ReportPageView;

// The preview of a report, a window of its own (not modal): page navigation, zoom, printing
// through the system's print dialog, saving as PDF and, for a report with a table, as CSV.
// Owns its report. The first page shows as soon as it is laid out; once it is painted, the
// window counts the other pages in short slices while the user looks (the count shows when it
// is known), and lays out each page only when it comes into view.
class ReportPreviewWindow : public QWidget
{
    Q_OBJECT
public:
    // messages: where a failed print or save is told; questions: how the window asks for the
    // file to save into; without them, the system's file dialog.
    ReportPreviewWindow(std::unique_ptr<ReportDocument> report, Messages& messages,
                        QWidget* parent = nullptr, FileQuestions* questions = nullptr);
    ReportPreviewWindow(ReportPages pages, Messages& messages, QWidget* parent = nullptr,
                        FileQuestions* questions = nullptr);
    ~ReportPreviewWindow() override;

    ReportDocument& document() const { return *m_report; }
    ReportPageView* pageView() const { return m_view; }

    // Paints the printer's page range (all pages when it names none). False when the printer
    // could not be opened.
    bool printTo(QPrinter& printer);
    bool saveAsPdf(const QString& path, QString* error = nullptr);
    bool saveAsCsv(const QString& path, QString* error = nullptr);
    // The file name the save questions suggest: the report's title with the extension.
    QString suggestedFileName(const QString& extension) const;

signals:
    // The window was closed (it deletes itself afterwards).
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildToolBar();
    void print();
    void savePdf();
    void saveCsv();
    // Asks for the file and writes it; a failure is told through the messages.
    void saveFile(const QString& caption, const QString& extension, const QString& filter,
                  bool (ReportPreviewWindow::*write)(const QString&, QString*));
    void pageShown(int index);
    // Counts on for one slice; stops once the count is known.
    void countSlice();
    // Shows what is known of the page count.
    void showCount();
    // When rows of the report could not be read, says so and closes the preview: true then.
    bool closedIncomplete();

    std::unique_ptr<ReportDocument> m_report;
    QTimer m_counting;
    Messages& m_messages;
    std::unique_ptr<FileQuestions> m_ownQuestions;
    FileQuestions* m_questions = nullptr;
    ReportPageView* m_view = nullptr;
    QSpinBox* m_pageNumber = nullptr;
    QLabel* m_pageCount = nullptr;
    QAction* m_first = nullptr;
    QAction* m_prior = nullptr;
    QAction* m_next = nullptr;
    QAction* m_last = nullptr;
};

} // namespace kestar
