#include "printing/DocumentPrint.h"

#include "printing/DocumentPrintPage.h"
#include "shell/Navigator.h"

namespace kestar {

DocumentPrintPage* installDocumentPrint(Workplace& workplace, Navigator& navigator,
                                        ReportPreviewer& previewer)
{
    auto* page = new DocumentPrintPage(workplace, navigator, previewer);
    navigator.setPage(PageIndex::DocumentPrint, page);
    navigator.setNavigationHandler(NavAction::PrintIssueNotes,
                                   [page] { page->openForKind(NoteKind::Issue); });
    navigator.setNavigationHandler(NavAction::PrintReceiptNotes,
                                   [page] { page->openForKind(NoteKind::Receipt); });
    return page;
}

} // namespace kestar
