#pragma once

#include <QString>

namespace kestar {

class ImportReport;

// Fills an installation folder with its data folder "podaci" (through the same steps as
// kestar-setup) and the empty "back-up" beside it.
namespace InstallationSetup {

// A new data folder with the administrator's password: empty tables, or the demo data set.
// Raises SetupError or EngineError, with nothing left behind in podaci.
void makeNew(const QString& installation, const QString& password, bool demo);

// The data folder of an old installation moved in: see OldFolderImport. oldFolder may be the
// old data folder itself or the old program folder that holds it. Returns true when the new data
// folder was made; report tells what came over and what did not. Never throws.
bool importOld(const QString& installation, const QString& oldFolder, ImportReport& report);

// The old data folder meant by what the user chose: the folder itself when it holds the old
// tables, else its subfolder podaci (in any letter case) when there is one, else the folder.
QString oldDataFolder(const QString& chosen);

// Makes "back-up" beside podaci when it is missing; returns false when it cannot be made.
bool makeBackupFolder(const QString& installation);

} // namespace InstallationSetup
} // namespace kestar
