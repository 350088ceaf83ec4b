// kestar: starts the program in its installation folder with the regional settings it needs,
// after the first-start window when that folder has no data folder yet.
#include "data/controls/BoxMessages.h"
#include "launcher/InstallationFolder.h"
#include "launcher/Launcher.h"
#include "launcher/ProgramEnvironment.h"
#include "launcher/ProgramStart.h"
#include "platform/Regional.h"
#include "shell/ProgramLook.h"

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <cstdio>
#include <cstring>

namespace {

const char kUsage[] =
    "Usage: kestar [--choose-folder]\n"
    "\n"
    "Starts KESTAR in its installation folder (~/KESTAR unless another was chosen), with the\n"
    "short date form DD/MM/YYYY and \".\" as decimal separator whatever the desktop's language.\n"
    "When the folder has no data folder (podaci) yet, a first-start window offers a new empty\n"
    "one, the demo data, moving an old installation's data folder in, or another folder.\n"
    "\n"
    "  --choose-folder   ask for another installation folder first; it is remembered\n";

} // namespace

int main(int argc, char* argv[])
{
    bool chooseFolder = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--choose-folder") == 0) {
            chooseFolder = true;
        } else {
            std::fprintf(stderr, "kestar: unknown option %s\n\n%s", argv[i], kUsage);
            return 2;
        }
    }

    // Taken before Qt starts: the window system plugin takes the desktop's start-up notice
    // (DESKTOP_STARTUP_ID) out of the environment, and the program's window is the one that
    // ends it when the launcher showed none.
    const QProcessEnvironment desktop = QProcessEnvironment::systemEnvironment();
    QString program;
    QString folder;
    {
        QApplication app(argc, argv);
        kestar::ProgramLook::apply();
        // Data made here (the demo documents' dates) is written the way the program reads it.
        kestar::Regional::setCurrent(kestar::Regional::standard());
        kestar::BoxMessages messages;
        program = kestar::ProgramStart::programPath(QCoreApplication::applicationDirPath());
        if (program.isEmpty()) {
            messages.showError(
                QStringLiteral("Program KESTAR nije pronadjen pored pokretaca (%1).")
                    .arg(QDir::toNativeSeparators(QCoreApplication::applicationDirPath())));
            return 1;
        }
        QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("KESTAR"),
                           QStringLiteral("kestar"));
        kestar::InstallationFolder installation(settings);
        kestar::Launcher launcher(installation, messages, kestar::folderDialog(nullptr));
        folder = launcher.prepare(chooseFolder);
        if (folder.isEmpty())
            return 0;
    }
    // The window system connection and every window are gone: the program takes this process.
    const QString failure = kestar::ProgramStart::exec(
        program, folder, kestar::ProgramEnvironment::forProgram(desktop));
    std::fprintf(stderr, "kestar: %s\n", failure.toLocal8Bit().constData());
    QApplication app(argc, argv);
    kestar::ProgramLook::apply();
    kestar::BoxMessages().showError(QStringLiteral("Program KESTAR nije pokrenut: ") + failure);
    return 1;
}
