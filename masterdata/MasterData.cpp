#include "masterdata/MasterData.h"

#include "data/Table.h"
#include "masterdata/CompanyPage.h"
#include "masterdata/GroupListDialog.h"
#include "masterdata/GroupsPage.h"
#include "masterdata/ItemsPage.h"
#include "shell/MainWindow.h"

namespace kestar {

void installMasterData(MainWindow& window)
{
    auto* items = new ItemsPage(window);
    window.setPage(PageIndex::Items, items);

    auto* company = new CompanyPage(window);
    window.setPage(PageIndex::Company, company);
    // The page shows first, so that a file error is reported over it.
    window.setNavigationHandler(NavAction::CompanyData, [&window, company] {
        window.showPage(PageIndex::Company);
        company->load();
    });

    auto* groups = new GroupsPage(window);
    window.setPage(PageIndex::Groups, groups);
    window.setNavigationHandler(NavAction::ItemGroups, [&window, groups] {
        window.showPage(PageIndex::Groups);
        groups->load();
    });

    auto* dialog = new GroupListDialog(window.messages(), &window);
    dialog->hide();
    dialog->setTarget(&items->staged());
    QObject::connect(items, &ItemsPage::groupListRequested, dialog,
                     &GroupListDialog::showForChoice);

    window.addLogOutStep([items, dialog] {
        dialog->hide();
        items->staged().close();
    });
}

} // namespace kestar
