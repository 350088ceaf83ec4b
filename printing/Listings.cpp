#include "printing/Listings.h"

#include "printing/GroupedNotePage.h"
#include "printing/StockListPage.h"
#include "shell/Navigator.h"

namespace kestar {

GroupedNotePage* installListings(Workplace& workplace, Navigator& navigator,
                                 ReportPreviewer& previewer)
{
    auto* stock = new StockListPage(workplace, navigator, previewer);
    navigator.addPage(PageKey::StockList, stock);
    navigator.registerAction(PageKey::StockList, Access::Administrator,
                             [stock] { stock->openPage(); });
    // The list below the minimum, from the menu: the stock list page with the list of the
    // whole warehouse over it; the page's own button lists one group.
    navigator.registerAction(ActionKey::MinimumStock, Access::Administrator, [stock] {
        stock->openPage();
        stock->printMinimumStock(true);
    });

    auto* note = new GroupedNotePage(workplace, navigator, previewer);
    navigator.addPage(PageKey::GroupedNote, note);
    navigator.registerAction(PageKey::GroupedNote, Access::Administrator,
                             [note] { note->openPage(); });
    navigator.addLogOutStep([note] { note->disablePrinting(); });
    return note;
}

} // namespace kestar
