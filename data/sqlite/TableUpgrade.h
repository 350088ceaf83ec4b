#pragma once

#include <QString>

namespace kestar {

// Brings a table file made by an older version of the program up to the layout the program
// makes today, so that an old or imported data folder is as fast as a new one: the secondary
// indexes and the name search index (SearchIndex) that the file lacks are made and filled, all
// inside one transaction.
namespace TableUpgrade {

// Upgrades the file at path when it holds one of the program's tables, lacks anything and may
// be written; any other file is left alone. Returns whether it made anything. Raises
// EngineError when the upgrade fails (the file is then exactly as it was).
bool upgrade(const QString& path);

} // namespace TableUpgrade
} // namespace kestar
