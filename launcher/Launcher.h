#pragma once

#include "launcher/FolderAsker.h"

#include <QString>

namespace kestar {

class InstallationFolder;
class Messages;

// What the launcher settles before the program starts: the installation folder, with a data
// folder in it.
class Launcher
{
public:
    Launcher(InstallationFolder& installation, Messages& messages, FolderAsker askFolder);

    // The installation folder to start the program in: the remembered one (or the default) when
    // it holds a data folder, else whatever the first-start window makes of it. With
    // chooseFolder the user is asked for another folder first. The folder returned has
    // "back-up" beside its data folder and is remembered for the next starts. Empty when the
    // user gave up; nothing is remembered then.
    QString prepare(bool chooseFolder);

private:
    InstallationFolder& m_installation;
    Messages& m_messages;
    FolderAsker m_askFolder;
};

} // namespace kestar
