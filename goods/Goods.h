#pragma once

namespace kestar {

class GoodsDocumentPage;
class ItemChooser;
class Navigator;
class Workplace;

// The goods movement pieces as the navigator holds them.
struct GoodsPages
{
    ItemChooser* itemChooser;
    GoodsDocumentPage* document;
};

// Creates the item chooser (hidden) and the goods document page (page 21), installs the
// navigation actions new goods issue and new goods receipt, connects the page's Enter in
// "Sifra" to the chooser and the chooser's OK to the page, and adds the log-out step that
// empties the page's machine fields. The navigator owns both.
GoodsPages installGoods(Workplace& workplace, Navigator& navigator);

} // namespace kestar
