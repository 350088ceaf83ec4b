#pragma once

namespace kestar {

class DocumentPrintPage;
class MainWindow;
class ReportPreviewer;

// Creates the document print page (page 3) and installs the navigation actions print issue
// notes and print receipt notes, which show the page and select their kind afresh. The window
// owns the page; the previewer must outlive the window.
DocumentPrintPage* installDocumentPrint(MainWindow& window, ReportPreviewer& previewer);

} // namespace kestar
