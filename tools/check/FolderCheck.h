#pragma once

#include <QString>

namespace kestar::check {

class CheckReport;

struct FolderCheckOptions
{
    QString dataFolder;
    QString sinceStamp; // "" for the newest complete backup
};

// The whole check of one data folder, section by section into report: the tables read back,
// the counters, the stock movement since a backup and, as information, the warehouse sums.
// Opens every file read only and writes nothing in the data folder or the backups; tables kept
// in a database are read in one read-only transaction into a temporary folder of the system.
class FolderCheck
{
public:
    // Returns false when the folder cannot be checked at all (it is not a folder); everything
    // else that is wrong is a problem in the report.
    static bool run(const FolderCheckOptions& options, CheckReport& report);
};

} // namespace kestar::check
