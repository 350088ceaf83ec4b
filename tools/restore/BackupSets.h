#pragma once

#include "data/BackupManifest.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace kestar::restore {

// One backup set in the backup folder: the copies that share a stamp, with the manifest the
// backup wrote for them.
struct BackupSet
{
    enum class Status
    {
        Complete,   // the manifest is closed and every file it names is there, at its size
        Incomplete, // files of the data folder did not reach the backup, or copies are gone
        Unfinished, // the backup never came to its end
        Damaged,    // the manifest cannot be read, or a copy has another size than it says
        NoManifest, // made before backups recorded a manifest, or by another hand
    };

    QString stamp;
    QStringList copies; // names in the backup folder (stamp + file name), in name order
    std::optional<BackupManifest> manifest;
    Status status = Status::NoManifest;
    QString detail;   // what makes it other than complete
    QDateTime time;   // when it was made: the manifest's word, else the newest copy's time
    qint64 bytes = 0; // of its copies

    static QString statusName(Status status);
    // The files of the data folder the set holds, for a set with or without a manifest.
    QStringList fileNames() const;
};

namespace BackupSets {

// The backup sets of backupFolder, newest first.
QList<BackupSet> list(const QString& backupFolder);

// The set with this stamp, if the folder holds a copy or a manifest of it.
std::optional<BackupSet> find(const QString& backupFolder, const QString& stamp);

// Reads every copy of a set with a manifest and compares it with the manifest's checksum;
// returns one line per copy that differs or cannot be read.
QStringList verify(const QString& backupFolder, const BackupSet& set);

// SHA-256 of a file as hex, nullopt with the system's text when it cannot be read.
std::optional<QByteArray> checksum(const QString& path, QString* why);

} // namespace BackupSets
} // namespace kestar::restore
