#include "app/Assembly.h"
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
    kestar::BoxMessages messages;
    const std::unique_ptr<kestar::Assembly> assembly = kestar::Assembly::create(messages);
    if (!assembly)
        return 1;
    messages.setParent(&assembly->window());
    if (!assembly->start())
        return 1;
    return QApplication::exec();
}
