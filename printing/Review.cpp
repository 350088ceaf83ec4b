#include "printing/Review.h"

#include "printing/ItemCardPage.h"
#include "printing/MovementTablePage.h"
#include "shell/MainWindow.h"

namespace kestar {

ItemCardPage* installReview(MainWindow& window)
{
    auto* card = new ItemCardPage(window);
    window.setPage(PageIndex::ItemCard, card);
    window.setPage(PageIndex::MovementTable, new MovementTablePage(window));
    window.addLogOutStep([card] { card->clear(); });
    return card;
}

} // namespace kestar
