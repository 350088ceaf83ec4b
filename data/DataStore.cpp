#include "data/DataStore.h"

#include "data/EngineError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kestar::DataStore {

namespace {

QString entryOf(const QString& folder, const QString& name)
{
    const QDir dir(folder);
    if (QFileInfo::exists(dir.filePath(name)))
        return dir.filePath(name);
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    }
    return {};
}

} // namespace

QString dataFolderHere()
{
    const QString folder = entryOf(QDir::currentPath(), QStringLiteral("podaci"));
    return QFileInfo(folder).isDir() ? folder : QString();
}

QString connectionString(const QString& dataFolder)
{
    if (dataFolder.isEmpty())
        return {};
    const QString path = entryOf(dataFolder, QString::fromLatin1(kSelectorFile));
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EngineError(QStringLiteral("Datoteka %1 ne moze da se procita!!! %2")
                              .arg(path, file.errorString()));
    const QString line = QString::fromUtf8(file.readLine()).trimmed();
    if (line.isEmpty())
        throw EngineError(QStringLiteral("Datoteka %1 ne navodi bazu podataka!!!").arg(path));
    return line;
}

} // namespace kestar::DataStore
