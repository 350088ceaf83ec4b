#include "data/SharedDataStore.h"

#include "data/Backend.h"
#include "data/Engine.h"
#include "data/FileSharedData.h"
#include "data/pg/PgSharedData.h"

namespace kestar::DataStore {

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
