#pragma once

namespace kestar {

class DocumentPrintPage;
class Navigator;
class ReportPreviewer;
class Workplace;

// Creates the document print page (page 3) and installs the navigation actions print issue
// notes and print receipt notes, which show the page and select their kind afresh. The
// navigator owns the page; the previewer must outlive it.
DocumentPrintPage* installDocumentPrint(Workplace& workplace, Navigator& navigator,
                                        ReportPreviewer& previewer);

} // namespace kestar
