#include "launcher/InstallationFolder.h"

#include "data/DataFolderLock.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace kestar {

namespace {
const QString kKey = QStringLiteral("installationFolder");
} // namespace

QString InstallationFolder::defaultPath()
{
    return QDir(QDir::homePath()).filePath(QStringLiteral("KESTAR"));
}

QString InstallationFolder::current() const
{
    const QString remembered = m_settings.value(kKey).toString();
    return remembered.isEmpty() ? defaultPath() : remembered;
}

void InstallationFolder::remember(const QString& folder)
{
    m_settings.setValue(kKey, QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
    m_settings.sync();
}

QString InstallationFolder::dataFolder(const QString& installation)
{
    return QDir(installation).filePath(QStringLiteral("podaci"));
}

bool InstallationFolder::hasData(const QString& installation)
{
    const QDir data(dataFolder(installation));
    QStringList entries =
        data.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    // A lock left by a copy that crashed before the folder got its tables is no data.
    entries.removeAll(DataFolderLock::kFileName);
    return data.exists() && !entries.isEmpty();
}

} // namespace kestar
