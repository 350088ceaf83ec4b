#pragma once

#include <QRect>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace kestar {

class MainWindow;

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
QPushButton* backToAdminMenu(MainWindow& window, QWidget* page, const QRect& geometry);
// Places a dialog in the middle of the screen the main window is on.
void centreOnScreen(QWidget& dialog, const QWidget& window);
// The object name a button gets from its caption: "Otvori tabelu" -> "btnOtvoriTabelu".
QString objectNameFor(const QString& caption);

} // namespace PageKit
} // namespace kestar
