#pragma once

#include <QString>

namespace kestar {

class ImportReport;

// Makes a new data folder from the data folder of the old installation.
class OldFolderImport
{
public:
    // Reads the five old tables (magacin, pmagacin, prometx, korisnici, masina as .DB files with
    // their memo files) and writes them as the new folder's tables; copies every other file of
    // the old folder byte for byte (old table files, indexes and lock files excepted); writes a
    // text file every data folder needs but the old one lacks with its starting contents. The
    // new folder is built beside its final place under a hidden name and renamed into place at
    // the very end, so it is either complete or not there at all. The old folder is only read.
    // Refuses (report.refused(), nothing written) when newFolder exists and is not an empty
    // folder, lies inside oldFolder, or one of the five tables is missing or cannot be read.
    // codePage, when not 0, is the code page the old tables' text is read in, whatever their
    // headers name. With postgres (a libpq connection string), the tables go into that
    // database, which must not hold them yet, and the new folder names it (DataStore) beside
    // the text files. Returns true when the new folder was made. Never throws.
    static bool run(const QString& oldFolder, const QString& newFolder, ImportReport& report,
                    int codePage = 0, const QString& postgres = {});
};

} // namespace kestar
