#pragma once

namespace kestar {

class ItemCardPage;
class Navigator;
class Workplace;

// Creates the item card page (page 5) and the movement table page (page 13), installs the
// movement table's action (its warning, then the page) and adds the log-out step that empties
// the card page's fields and closes its card result set. The navigator owns both pages. The
// caller connects the item chooser to the card page.
ItemCardPage* installReview(Workplace& workplace, Navigator& navigator);

} // namespace kestar
