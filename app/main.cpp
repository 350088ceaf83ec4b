#include "app/Assembly.h"
#include "data/controls/EnterPressesButtons.h"
#include "data/controls/Messages.h"
#include "shell/MainWindow.h"

#include <QApplication>
#include <QFont>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KESTAR"));
    // Every window, the dialogs too, writes in Liberation Sans 8 pt, whatever the desktop's font.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(8);
    QApplication::setFont(font);
    kestar::EnterPressesButtons::install();
    kestar::BoxMessages messages;
    kestar::Assembly assembly(messages);
    messages.setParent(&assembly.window());
    if (!assembly.start())
        return 1;
    return QApplication::exec();
}
