#pragma once

namespace kestar {

class MainWindow;

// Hands the master-data pages to the window: the item list (page 1), the company data (page 2),
// the item groups (page 10) and the group list dialog, created hidden. Installs the navigation
// actions company data and item groups, which show their page and then load it, and the log-out
// step that closes the new-article table.
void installMasterData(MainWindow& window);

} // namespace kestar
