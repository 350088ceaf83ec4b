#include "goods/Goods.h"

#include "goods/GoodsDocumentPage.h"
#include "goods/ItemChooser.h"
#include "shell/Navigator.h"

namespace kestar {

GoodsPages installGoods(Workplace& workplace, Navigator& navigator)
{
    auto* chooser = new ItemChooser(workplace, navigator.dialogParent());
    auto* page = new GoodsDocumentPage(workplace, navigator);
    navigator.addPage(PageKey::GoodsDocument, page);

    navigator.registerAction(ActionKey::NewIssue, Access::Everyone,
                             [page] { page->openDocument(DocumentKind::Issue); });
    navigator.registerAction(ActionKey::NewReceipt, Access::Everyone,
                             [page] { page->openDocument(DocumentKind::Receipt); });
    navigator.addLogOutStep([page] { page->clearMachine(); });
    // The next user must not find the chooser, with its article list, still open.
    navigator.addLogOutStep([chooser] { chooser->hide(); });

    QObject::connect(page, &GoodsDocumentPage::itemChooserRequested, chooser,
                     &ItemChooser::openSearching);
    QObject::connect(chooser, &ItemChooser::delivered, page, &GoodsDocumentPage::deliverItem);
    return {chooser, page};
}

} // namespace kestar
