#pragma once

#include <QString>
#include <memory>

namespace kestar {

class Engine;
class SharedData;

namespace DataStore {

// The shared data (counters, company lines, groups, equipment switch) of the store the engine
// works on: rows of its database when its tables are in PostgreSQL, else the text files of
// dataFolder ("" for "podaci" below the working folder).
std::unique_ptr<SharedData> sharedData(Engine& engine, const QString& dataFolder = {});

} // namespace DataStore
} // namespace kestar
