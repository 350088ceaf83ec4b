#include "masterdata/Machines.h"

#include "data/Table.h"
#include "masterdata/MachineChooser.h"
#include "masterdata/MachinesPage.h"
#include "shell/MainWindow.h"

namespace kestar {

MachineChooser* installMachines(MainWindow& window)
{
    auto* page = new MachinesPage(window);
    window.setPage(PageIndex::Machines, page);
    // A child of the page, so it goes together with the table it reads.
    auto* chooser = new MachineChooser(window, page->machines(), page);
    window.addLogOutStep([page, chooser] {
        chooser->hide();
        page->machines().close();
    });
    return chooser;
}

} // namespace kestar
