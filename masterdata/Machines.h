#pragma once

namespace kestar {

class MachineChooser;
class Navigator;
class Workplace;

// Creates the machine page (page 24) and the machine chooser over the page's table, and adds
// the log-out step that closes that table. The navigator owns both; the chooser is returned for
// the pages that open it.
MachineChooser* installMachines(Workplace& workplace, Navigator& navigator);

} // namespace kestar
