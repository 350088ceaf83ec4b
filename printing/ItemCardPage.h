#pragma once

#include <QString>
#include <QWidget>

class QLineEdit;
class QPushButton;

namespace kestar {

// The page's key: its name, as the menus name it.
namespace PageKey {
inline const QString ItemCard = QStringLiteral("Kartica robe");
} // namespace PageKey

class DataGrid;
class Navigator;
class Query;
class RecordNavigator;
class Workplace;

// Page 5, "Kartica robe": the movements of one article with their running balance. The card
// grid shows the page's own live result over the ledger; under it a navigator and a small grid
// show the workplace's ledger table view, which this page never opens or closes.
class ItemCardPage : public QWidget
{
    Q_OBJECT
public:
    ItemCardPage(Workplace& workplace, Navigator& navigator, QWidget* parent = nullptr);

    // The card result set; it belongs to this page alone.
    Query& card() const { return m_card; }

    // The item chooser's OK: the article's code and name land in the two fields, whatever page
    // is shown. Nothing else happens until the card is built.
    void deliverItem(const QString& code, const QString& name);
    // "Prikazi promet za izabranu robu...": writes a change still pending in the card, leaves
    // the item table view closed and builds the card for the code in "Izabrana sifra robe", as
    // it stands. An engine error is shown and leaves every balance as it was.
    void buildCard();
    // Log out: both fields empty, the card result set closed.
    void clear();

signals:
    // "Izaberi artikal za koji hoces da vidis promet".
    void itemChooserRequested();

private:
    void buildControls(Navigator& navigator);

    Workplace& m_workplace;
    Query& m_card;
    QLineEdit* m_code = nullptr;
    QLineEdit* m_name = nullptr;
    DataGrid* m_cardGrid = nullptr;
    RecordNavigator* m_ledgerNavigator = nullptr;
    DataGrid* m_ledgerGrid = nullptr;
};

} // namespace kestar
