#pragma once

#include <QString>
#include <memory>

namespace kestar {
class Engine;
class SharedData;
} // namespace kestar

namespace kestar::DataStore {

// The file of a data folder that puts its tables in a PostgreSQL database: one line, a libpq
// connection string without a password (libpq reads one from ~/.pgpass itself). Without it the
// tables are the SQLite files of the folder.
inline constexpr const char* kSelectorFile = "baza.txt";

// The data folder of the working folder ("podaci", letter case ignored), "" when none.
QString dataFolderHere();
// The connection string the data folder names, "" when its tables are SQLite files. Raises
// EngineError when the selector file is there but cannot be read or names nothing.
QString connectionString(const QString& dataFolder);

// The shared data (counters, company lines, groups, equipment switch) of the store the engine
// works on: rows of its database when its tables are in PostgreSQL, else the text files of
// dataFolder ("" for "podaci" below the working folder).
std::unique_ptr<SharedData> sharedData(Engine& engine, const QString& dataFolder = {});

} // namespace kestar::DataStore
