#pragma once

#include <QRect>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace kestar {

class DataGrid;
class Dataset;
class Messages;
class Navigator;
class RecordNavigator;

// Small makers for the controls every page has, so pages look alike.
namespace PageKit {

// A bold page title in navy; pixelSize as the page wants it.
QLabel* title(QWidget* page, const QString& text, const QRect& geometry, int pixelSize = 20);
// A plain label.
QLabel* label(QWidget* page, const QString& text, const QRect& geometry, bool bold = false);
// A text field with its label; the label's text is the field's accessible name, and the label
// is the field's buddy.
QLineEdit* lineEdit(QWidget* page, const QString& caption, const QRect& labelGeometry,
                    const QRect& fieldGeometry, const QString& objectName);
// A push button; its object name and accessible name follow the caption unless given.
QPushButton* button(QWidget* page, const QString& caption, const QRect& geometry,
                    const QString& objectName = {});
// "POVRATAK NA MENI ADMINISTRATORA": shows the admin menu.
QPushButton* backToAdminMenu(Navigator& navigator, QWidget* page, const QRect& geometry);
// Where the controls of a table page stand and what they are called.
struct TablePageLayout
{
    QString navigatorName;
    QRect navigatorGeometry;
    QString gridName;
    QString gridCaption; // the grid's accessible name, and the navigator's when it names one
    QRect gridGeometry;
    QString openCaption;
    QRect openGeometry;
    QString closeCaption;
    QRect closeGeometry;
    QRect backGeometry;
    bool navigatorNamed = true; // the navigator's accessible name is the grid caption
};

struct TablePageControls
{
    RecordNavigator* navigator;
    DataGrid* grid;
    QPushButton* open;
    QPushButton* close;
    QPushButton* back;
};

// The controls of a page that edits one table in place: a record navigator and a grid over
// the dataset, the two buttons that open and close it (the page itself opens nothing), and
// "POVRATAK NA MENI ADMINISTRATORA". The dataset must outlive the page.
TablePageControls tablePage(QWidget* page, Messages& messages, Navigator& navigator,
                            Dataset& dataset, const TablePageLayout& layout);

// Places a dialog in the middle of the screen its window is on.
void centreOnScreen(QWidget& dialog);
// The object name a button gets from its caption: "Otvori tabelu" -> "btnOtvoriTabelu".
QString objectNameFor(const QString& caption);

} // namespace PageKit
} // namespace kestar
