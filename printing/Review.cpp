#include "printing/Review.h"

#include "platform/Messages.h"
#include "printing/ItemCardPage.h"
#include "printing/MovementTablePage.h"
#include "shell/Navigator.h"
#include "shell/Workplace.h"

namespace kestar {

ItemCardPage* installReview(Workplace& workplace, Navigator& navigator)
{
    auto* card = new ItemCardPage(workplace, navigator);
    navigator.addPage(PageKey::ItemCard, card);
    navigator.addPage(PageKey::MovementTable, new MovementTablePage(workplace, navigator));
    // The warning comes before the page, from the menu as from the button.
    navigator.registerAction(PageKey::MovementTable, Access::Administrator,
                             [&workplace, &navigator] {
                                 workplace.messages().show(MovementTablePage::kEntryWarning);
                                 navigator.showPage(PageKey::MovementTable);
                             });
    navigator.addLogOutStep([card] { card->clear(); });
    return card;
}

} // namespace kestar
