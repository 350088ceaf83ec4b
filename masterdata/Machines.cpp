#include "masterdata/Machines.h"

#include "data/Table.h"
#include "masterdata/MachineChooser.h"
#include "masterdata/MachinesPage.h"
#include "shell/Navigator.h"

namespace kestar {

MachineChooser* installMachines(Workplace& workplace, Navigator& navigator)
{
    auto* page = new MachinesPage(workplace, navigator);
    navigator.addPage(PageKey::Machines, page);
    auto* chooser = new MachineChooser(workplace, page->machines(), page);
    navigator.addLogOutStep([page, chooser] {
        chooser->hide();
        page->machines().close();
    });
    return chooser;
}

} // namespace kestar
