#pragma once

#include <QIcon>
#include <QPixmap>

namespace kestar {

// The program's own pictures: small icons drawn in code, and the pictures stored as JPEG.
namespace Pictures {
QIcon mainMenuIcon();
QIcon exitIcon();
// The program's own icon (three cartons on a shelf) in every size the desktop asks for; the
// window icon of the program and of the launcher.
QIcon programIcon();
// The full-page picture of the login page (JPEG); a plain picture when it cannot be decoded.
QPixmap loginPicture();
// Decorative pictures of the menu groups, drawn in code: a box, a document, a magnifier,
// a printer.
enum class Decoration
{
    Settings,
    Documents,
    Review,
    Printing
};
QPixmap decoration(Decoration kind, int size);
} // namespace Pictures

} // namespace kestar
