#include "data/DataStore.h"

#include "data/Backend.h"
#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/FileSharedData.h"
#include "data/pg/PgSharedData.h"

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

std::unique_ptr<SharedData> sharedData(Engine& engine, const QString& dataFolder)
{
    // The engine chose its store by the same selector file: the shared data follow it, so
    // that they always sit beside the tables they number.
    if (!engine.backend().keepsTablesInFiles())
        return std::make_unique<PgSharedData>(engine);
    if (dataFolder.isEmpty())
        return std::make_unique<FileSharedData>();
    return std::make_unique<FileSharedData>(dataFolder);
}

} // namespace kestar::DataStore
