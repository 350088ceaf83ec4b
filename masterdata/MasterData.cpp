#include "masterdata/MasterData.h"

#include "data/Table.h"
#include "masterdata/CompanyPage.h"
#include "masterdata/GroupListDialog.h"
#include "masterdata/GroupsPage.h"
#include "masterdata/ItemsPage.h"
#include "shell/Navigator.h"
#include "shell/Workplace.h"

namespace kestar {

void installMasterData(Workplace& workplace, Navigator& navigator)
{
    auto* items = new ItemsPage(workplace, navigator);
    navigator.addPage(PageKey::Items, items);

    auto* company = new CompanyPage(workplace, navigator);
    navigator.addPage(PageKey::Company, company);
    // The page shows first, so that a read error is reported over it.
    navigator.registerAction(PageKey::Company, Access::Administrator, [&navigator, company] {
        navigator.showPage(PageKey::Company);
        company->load();
    });

    auto* groups = new GroupsPage(workplace, navigator);
    navigator.addPage(PageKey::Groups, groups);
    navigator.registerAction(PageKey::Groups, Access::Administrator, [&navigator, groups] {
        navigator.showPage(PageKey::Groups);
        groups->load();
    });

    auto* dialog =
        new GroupListDialog(workplace.messages(), workplace.sharedData(), navigator.dialogParent());
    dialog->hide();
    dialog->setTarget(&items->staged());
    QObject::connect(items, &ItemsPage::groupListRequested, dialog,
                     &GroupListDialog::showForChoice);

    navigator.addLogOutStep([items, dialog] {
        dialog->hide();
        items->staged().close();
    });
}

} // namespace kestar
