#include "printing/Listings.h"

#include "printing/GroupedNotePage.h"
#include "printing/StockListPage.h"
#include "shell/MainWindow.h"

namespace kestar {

GroupedNotePage* installListings(MainWindow& window, ReportPreviewer& previewer)
{
    auto* stock = new StockListPage(window, previewer);
    window.setPage(PageIndex::StockList, stock);
    window.setNavigationHandler(NavAction::StockList, [stock] { stock->openPage(); });
    // The list below the minimum, from the menu: the stock list page with the list of the
    // whole warehouse over it; the page's own button lists one group.
    window.setNavigationHandler(NavAction::MinimumStock, [stock] {
        stock->openPage();
        stock->printMinimumStock(true);
    });

    auto* note = new GroupedNotePage(window, previewer);
    window.setPage(PageIndex::GroupedNote, note);
    window.setNavigationHandler(NavAction::GroupedNote, [note] { note->openPage(); });
    window.addLogOutStep([note] { note->disablePrinting(); });
    return note;
}

} // namespace kestar
