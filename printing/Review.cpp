#include "printing/Review.h"

#include "data/controls/Messages.h"
#include "printing/ItemCardPage.h"
#include "printing/MovementTablePage.h"
#include "shell/Navigator.h"
#include "shell/Workplace.h"

namespace kestar {

ItemCardPage* installReview(Workplace& workplace, Navigator& navigator)
{
    auto* card = new ItemCardPage(workplace, navigator);
    navigator.setPage(PageIndex::ItemCard, card);
    navigator.setPage(PageIndex::MovementTable, new MovementTablePage(workplace, navigator));
    // The warning comes before the page, from the menu as from the button.
    navigator.setNavigationHandler(NavAction::MovementTable, [&workplace, &navigator] {
        workplace.messages().show(MovementTablePage::kEntryWarning);
        navigator.showPage(PageIndex::MovementTable);
    });
    navigator.addLogOutStep([card] { card->clear(); });
    return card;
}

} // namespace kestar
