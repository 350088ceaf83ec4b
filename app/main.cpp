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
    const std::unique_ptr<kestar::Assembly> assembly = kestar::Assembly::create(messages);
    if (!assembly)
        return 1;
    messages.setParent(&assembly->window());
    if (!assembly->start())
        return 1;
    return QApplication::exec();
}
