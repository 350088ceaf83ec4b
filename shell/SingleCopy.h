#pragma once

#include <QString>

namespace kestar {

class DataFolderLock;
class Messages;

// One running copy of the program per data folder of table files (a data folder naming a
// database is shared by any number of copies). The copy that starts first holds the lock
// of "podaci" for its whole run; a copy started after it on the same folder, on this computer
// or on another one sharing the folder, says who holds the folder and ends before it writes
// anything. A lock left by a copy that crashed is taken over.
namespace SingleCopy {

// The data folder of the program folder that is the working folder: "podaci", or the entry
// whose name differs from it only in letter case.
QString dataFolder();

// Takes the lock for the program; a data folder naming a database takes none. Returns false when
// the program must end: another copy holds the folder, or the lock file cannot be made for another
// reason than a missing folder or a folder this user may not write in; the message has then been
// shown. A missing folder is left to start-up, which reports the files it cannot read, and a folder
// the user may not write in can take no write from this copy either.
bool claim(DataFolderLock& lock, Messages& messages);

// What the user reads when another copy holds the folder.
QString heldElsewhereText(const DataFolderLock& lock);

} // namespace SingleCopy
} // namespace kestar
