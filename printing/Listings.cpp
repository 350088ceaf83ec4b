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

    auto* note = new GroupedNotePage(window, previewer);
    window.setPage(PageIndex::GroupedNote, note);
    window.setNavigationHandler(NavAction::GroupedNote, [note] { note->openPage(); });
    window.addLogOutStep([note] { note->disablePrinting(); });
    return note;
}

} // namespace kestar
