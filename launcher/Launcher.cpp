#include "launcher/Launcher.h"

#include "launcher/FirstStartWindow.h"
#include "launcher/InstallationFolder.h"
#include "launcher/InstallationSetup.h"

#include <QDir>

namespace kestar {

Launcher::Launcher(InstallationFolder& installation, Messages& messages, FolderAsker askFolder)
    : m_installation(installation), m_messages(messages), m_askFolder(std::move(askFolder))
{
}

QString Launcher::prepare(bool chooseFolder)
{
    QString folder = m_installation.current();
    if (chooseFolder) {
        const QString chosen = m_askFolder(QStringLiteral("Izaberite folder programa"), folder);
        if (chosen.isEmpty())
            return {};
        folder = chosen;
    }
    folder = QDir::cleanPath(QDir(folder).absolutePath());
    if (!InstallationFolder::hasData(folder)) {
        FirstStartWindow window(folder, m_messages, m_askFolder);
        if (window.exec() != QDialog::Accepted)
            return {};
        folder = window.folder();
    }
    InstallationSetup::makeBackupFolder(folder);
    m_installation.remember(folder);
    return folder;
}

} // namespace kestar
