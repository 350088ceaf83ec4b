#pragma once

namespace kestar {

class ItemCardPage;
class MainWindow;

// Creates the item card page (page 5) and the movement table page (page 13) and adds the
// log-out step that empties the card page's fields and closes its card result set. The window
// owns both pages; the plain navigation of the window shows them (the movement table after its
// warning). The caller connects the item chooser to the card page.
ItemCardPage* installReview(MainWindow& window);

} // namespace kestar
