#pragma once

#include <QString>

namespace kestar {

// Paths of the data folder as the program names them ("podaci/firma.txt", "podaci\oprema.txt").
class DataPath
{
public:
    // The file's path on disk. Both "/" and "\" separate; a relative name resolves against the
    // process's working folder. A folder or file whose exact name is missing is matched without
    // regard to letter case (a data folder copied from another system may hold FIRMA.TXT); a
    // part that matches nothing stays as named, so a new file gets the name the program gave it.
    static QString resolve(const QString& name);
};

} // namespace kestar
