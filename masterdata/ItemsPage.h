#pragma once

#include <QWidget>

namespace kestar {

// The page's key: its name, as the menus name it.
namespace PageKey {
inline const QString Items = QStringLiteral("Roba");
} // namespace PageKey

class DataGrid;
class Navigator;
class RecordNavigator;
class Table;
class Workplace;

// The item list page (page 1): the item grid over the workplace's item table view of magacin
// with its navigator, and the new-article grid over pmagacin with the buttons that start, give
// up and save new articles. Leaving the page closes no table.
class ItemsPage : public QWidget
{
    Q_OBJECT
public:
    ItemsPage(Workplace& workplace, Navigator& navigator, QWidget* parent = nullptr);

    // The new-article table pmagacin, the page's own.
    Table& staged() const { return m_staged; }
    DataGrid* newArticleGrid() const { return m_newGrid; }
    DataGrid* itemGrid() const { return m_itemGrid; }

    // "Dodaj novi artikal": opens pmagacin, gives the new-article grid the focus and inserts an
    // empty row at the current position (a row being typed is posted first, or dropped when
    // nothing was typed into it).
    void addArticle();
    // "Odustani od novog artikla": opens pmagacin if needed, deletes every row, closes it.
    void giveUpArticles();
    // "Upamti novi arikal": after "Da li ste sigurni?", copies the new articles into magacin
    // (NewArticles::save) and reports "Artikli su uspesno upamceni".
    void saveArticles();

signals:
    // Enter in the GRUPAROBE or NAZIVGRUPE column of the new-article grid while pmagacin is open.
    void groupListRequested();

private:
    void onNewGridEnter(const QString& fieldName);

    Workplace& m_workplace;
    Table& m_staged;
    DataGrid* m_newGrid;
    DataGrid* m_itemGrid;
    RecordNavigator* m_navigator;
};

} // namespace kestar
