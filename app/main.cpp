#include "app/Assembly.h"
#include "data/controls/Messages.h"
#include "shell/MainWindow.h"
#include "shell/ProgramLook.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    kestar::ProgramLook::apply();
    kestar::BoxMessages messages;
    kestar::Assembly assembly(messages);
    messages.setParent(&assembly.window());
    if (!assembly.start())
        return 1;
    return QApplication::exec();
}
