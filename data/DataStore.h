#pragma once

#include <QString>

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

} // namespace kestar::DataStore
