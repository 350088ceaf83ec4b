#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace kestar {

// Finding the program beside the launcher and handing the process over to it.
namespace ProgramStart {

// The program as the launcher in launcherFolder finds it: where the package installs it (the
// program folder below libexec, relative to the launcher's bin folder), else in the build tree
// (app/ beside launcher/). Empty when neither is an executable file.
QString programPath(const QString& launcherFolder);

// Replaces this process by program, started without arguments in folder with environment.
// Returns only when that failed, with the system's description of the fault.
QString exec(const QString& program, const QString& folder, const QProcessEnvironment& environment);

} // namespace ProgramStart
} // namespace kestar
