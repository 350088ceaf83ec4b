#include "app/Assembly.h"
#include "data/DataFolderLock.h"
#include "data/controls/BoxMessages.h"
#include "shell/MainWindow.h"
#include "shell/ProgramLook.h"
#include "shell/SingleCopy.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    kestar::ProgramLook::apply();
    kestar::BoxMessages messages;
    // Before anything is made or written: a second copy on the same data folder ends here, and
    // the first holds the folder until the program ends.
    kestar::DataFolderLock lock(kestar::SingleCopy::dataFolder());
    if (!kestar::SingleCopy::claim(lock, messages))
        return 1;
    const std::unique_ptr<kestar::Assembly> assembly = kestar::Assembly::create(messages);
    if (!assembly)
        return 1;
    messages.setParent(&assembly->window());
    if (!assembly->start())
        return 1;
    return QApplication::exec();
}
