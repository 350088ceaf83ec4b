#pragma once

#include <QString>
#include <QTextStream>

namespace kestar::restore {

struct RestoreOptions
{
    QString dataFolder;
    QString stamp;
    bool force = false; // also a set without a manifest
};

// Puts a backup set in the place of a data folder, or nothing at all.
//
// Refused, with nothing changed: while a program or another kestar-setup holds the folder; for
// a set that is incomplete, unfinished or damaged (every copy is read back against the
// manifest's checksum first); for a set without a manifest unless forced, and then only when
// it holds the five tables. The set is copied into a hidden folder beside the data folder,
// checked again there, its tables read through once by the engine (a set made while a table
// still had a journal has it rolled back there, never beside other files), and renamed into
// place. The folder it replaces is kept beside it as "<name>.pre-restore-<stamp>" with its
// journals, which belong to its own tables and must never meet the restored ones.
//
// A data folder that names a PostgreSQL database (DataStore) gets the set's tables in that
// database instead, all in one transaction, and its text files as above; the tables the
// database held are written as table files into the kept folder first, so that it is a whole
// data folder of the moment before the restore.
class FolderRestore
{
public:
    // Returns true when the data folder now holds the set; what was done, or why nothing was,
    // goes to out and err.
    static bool run(const RestoreOptions& options, QTextStream& out, QTextStream& err);

    // The name the replaced folder is kept under, beside the data folder.
    static QString keptName(const QString& dataFolderName, const QString& stamp);
};

} // namespace kestar::restore
