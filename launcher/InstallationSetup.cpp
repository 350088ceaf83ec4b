#include "launcher/InstallationSetup.h"

#include "launcher/InstallationFolder.h"
#include "tools/SetupFolder.h"
#include "tools/import/OldFolderImport.h"

#include <QDir>

namespace kestar::InstallationSetup {

namespace {
bool holdsOldTables(const QDir& folder)
{
    return !folder.entryList({QStringLiteral("magacin.db")}, QDir::Files).isEmpty();
}
} // namespace

void makeNew(const QString& installation, const QString& password, bool demo)
{
    SetupOptions options;
    options.folder = InstallationFolder::dataFolder(installation);
    options.password = password;
    options.demo = demo;
    SetupFolder::create(options);
    makeBackupFolder(installation);
}

bool importOld(const QString& installation, const QString& oldFolder, ImportReport& report)
{
    const bool made = OldFolderImport::run(oldDataFolder(oldFolder),
                                           InstallationFolder::dataFolder(installation), report);
    if (made)
        makeBackupFolder(installation);
    return made;
}

QString oldDataFolder(const QString& chosen)
{
    const QDir folder(chosen);
    if (holdsOldTables(folder))
        return chosen;
    // QDir name filters ignore letter case, so PODACI or Podaci from another system are found.
    const QStringList data = folder.entryList({QStringLiteral("podaci")}, QDir::Dirs);
    return data.isEmpty() ? chosen : folder.filePath(data.first());
}

bool makeBackupFolder(const QString& installation)
{
    return QDir(installation).mkpath(QStringLiteral("back-up"));
}

} // namespace kestar::InstallationSetup
