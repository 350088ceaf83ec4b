#include "shell/ProgramLook.h"

#include "data/controls/EnterPressesButtons.h"
#include "shell/Pictures.h"

#include <QApplication>
#include <QFont>

namespace kestar::ProgramLook {

void apply()
{
    QApplication::setApplicationName(QStringLiteral("KESTAR"));
    // The desktop finds the menu entry's name and icon through the entry's file name.
    QGuiApplication::setDesktopFileName(QStringLiteral("kestar"));
    QApplication::setWindowIcon(Pictures::programIcon());
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(8);
    QApplication::setFont(font);
    // Enter presses the focused button in every window, as users of the old program expect.
    EnterPressesButtons::install();
}

} // namespace kestar::ProgramLook
