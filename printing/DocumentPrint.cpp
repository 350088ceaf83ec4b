#include "printing/DocumentPrint.h"

#include "printing/DocumentPrintPage.h"
#include "shell/MainWindow.h"

namespace kestar {

DocumentPrintPage* installDocumentPrint(MainWindow& window, ReportPreviewer& previewer)
{
    auto* page = new DocumentPrintPage(window, previewer);
    window.setPage(PageIndex::DocumentPrint, page);
    window.setNavigationHandler(NavAction::PrintIssueNotes,
                                [page] { page->openForKind(NoteKind::Issue); });
    window.setNavigationHandler(NavAction::PrintReceiptNotes,
                                [page] { page->openForKind(NoteKind::Receipt); });
    return page;
}

} // namespace kestar
