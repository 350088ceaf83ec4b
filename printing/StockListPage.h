#pragma once

#include <QString>
#include <QWidget>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRadioButton;

namespace kestar {

// The page's key: its name, as the menus name it.
namespace PageKey {
inline const QString StockList = QStringLiteral("Ceo magacin");
} // namespace PageKey

// The menus' other ways into the page.
namespace ActionKey {
inline const QString MinimumStock = QStringLiteral("Roba ispod minimuma");
} // namespace ActionKey

class DataGrid;
class Navigator;
class Query;
class ReportPreviewer;
class Workplace;

// Page 11, "Spisak robe u celom magacinu...": the articles of the whole warehouse or of one
// group, in a grid over the page's own stock result set, and the stock list report over them.
class StockListPage : public QWidget
{
    Q_OBJECT
public:
    StockListPage(Workplace& workplace, Navigator& navigator, ReportPreviewer& previewer,
                  QWidget* parent = nullptr);

    // Shows the page, empties the group field and reloads the list of group names; names that
    // cannot be read leave the list empty and are reported. The choice and the stock result
    // set stay as they were.
    void openPage();

    // The stock query: every article, or with the group choice those whose NAZIVGRUPE equals
    // the group field's text. Leaves the item table view closed.
    void runStockQuery();
    // Runs the stock query and shows the stock list report over the result, returning when the
    // preview has been closed; the item table view is closed again afterwards.
    void print();
    // Shows the list of the articles below their minimum stock, for the whole warehouse or,
    // following the page's choice, for the group in the group field; returns when the preview
    // has been closed. The stock result set stays as it was; the item table view is left
    // closed.
    void printMinimumStock(bool wholeWarehouse);

    Query& stockResult() const { return m_stock; }

    // The statement of the stock query for a group name and choice.
    static QString stockStatement(const QString& groupName, bool onlyThatGroup);

private:
    void groupClicked(QListWidgetItem* item);

    Workplace& m_workplace;
    Navigator& m_navigator;
    ReportPreviewer& m_previewer;
    Query& m_stock;
    QListWidget* m_groups = nullptr;
    QLineEdit* m_groupField = nullptr;
    QRadioButton* m_allGoods = nullptr;
    QRadioButton* m_oneGroup = nullptr;
    DataGrid* m_grid = nullptr;
};

} // namespace kestar
