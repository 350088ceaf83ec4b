#include "goods/Goods.h"

#include "goods/GoodsDocumentPage.h"
#include "goods/ItemChooser.h"
#include "shell/MainWindow.h"

namespace kestar {

GoodsPages installGoods(MainWindow& window)
{
    auto* chooser = new ItemChooser(window, &window);
    auto* page = new GoodsDocumentPage(window);
    window.setPage(PageIndex::GoodsDocument, page);

    window.setNavigationHandler(NavAction::NewIssue,
                                [page] { page->openDocument(DocumentKind::Issue); });
    window.setNavigationHandler(NavAction::NewReceipt,
                                [page] { page->openDocument(DocumentKind::Receipt); });
    window.addLogOutStep([page] { page->clearMachine(); });
    // The next user must not find the chooser, with its article list, still open.
    window.addLogOutStep([chooser] { chooser->hide(); });

    QObject::connect(page, &GoodsDocumentPage::itemChooserRequested, chooser,
                     &ItemChooser::openSearching);
    QObject::connect(chooser, &ItemChooser::delivered, page, &GoodsDocumentPage::deliverItem);
    return {chooser, page};
}

} // namespace kestar
