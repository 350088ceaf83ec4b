#pragma once

#include <QString>
#include <optional>

namespace kestar::check {

// The backup copies of the article table and the ledger made by one backup: the files
// <stamp>magacin.db and <stamp>prometx.db in the backup folder "back-up" beside the data folder.
struct BackupCopies
{
    QString stamp;
    QString magacin; // paths of the two copies
    QString prometx;

    // The backup folder beside dataFolder (its name matched without regard to letter case), or
    // "" when there is none.
    static QString folderBeside(const QString& dataFolder);
    // The copies with this stamp, as the backup page writes it ("08-12-26-09-05-07"); nullopt
    // with why set when either copy is missing.
    static std::optional<BackupCopies> withStamp(const QString& backupFolder, const QString& stamp,
                                                 QString* why);
    // The newest backup that holds both copies, by the time the copies were written; nullopt
    // when there is none.
    static std::optional<BackupCopies> newest(const QString& backupFolder);
};

} // namespace kestar::check
