#include "printing/DocumentPrint.h"

#include "printing/DocumentPrintPage.h"
#include "shell/Navigator.h"

namespace kestar {

DocumentPrintPage* installDocumentPrint(Workplace& workplace, Navigator& navigator,
                                        ReportPreviewer& previewer)
{
    auto* page = new DocumentPrintPage(workplace, navigator, previewer);
    navigator.addPage(PageKey::DocumentPrint, page);
    navigator.registerAction(ActionKey::PrintIssueNotes, Access::Everyone,
                             [page] { page->openForKind(NoteKind::Issue); });
    navigator.registerAction(ActionKey::PrintReceiptNotes, Access::Everyone,
                             [page] { page->openForKind(NoteKind::Receipt); });
    return page;
}

} // namespace kestar
