#pragma once

namespace kestar {

class Navigator;
class Workplace;

// Hands the master-data pages to the navigator: the item list (page 1), the company data
// (page 2), the item groups (page 10) and the group list dialog, created hidden. Installs the
// navigation actions company data and item groups, which show their page and then load it, and
// the log-out step that closes the new-article table.
void installMasterData(Workplace& workplace, Navigator& navigator);

} // namespace kestar
