#pragma once

#include "reporting/ReportPages.h"

#include <QWidget>

class QAction;
class QLabel;
class QPrinter;
class QSpinBox;

namespace kestar {

class ReportPageView;

// The preview of a laid-out report, a window of its own (not modal): page navigation, zoom,
// printing through the system's print dialog and saving as PDF. Owns its pages.
class ReportPreviewWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ReportPreviewWindow(ReportPages pages, QWidget* parent = nullptr);

    const ReportPages& pages() const { return m_pages; }
    ReportPageView* pageView() const { return m_view; }

    // Paints the printer's page range (all pages when it names none). False when the printer
    // could not be opened.
    bool printTo(QPrinter& printer);
    bool saveAsPdf(const QString& path, QString* error = nullptr);

signals:
    // The window was closed (it deletes itself afterwards).
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildToolBar();
    void print();
    void savePdf();
    void pageShown(int index);

    ReportPages m_pages;
    ReportPageView* m_view = nullptr;
    QSpinBox* m_pageNumber = nullptr;
    QLabel* m_pageCount = nullptr;
    QAction* m_first = nullptr;
    QAction* m_prior = nullptr;
    QAction* m_next = nullptr;
    QAction* m_last = nullptr;
};

} // namespace kestar
