#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

namespace kestar {

// The record of one backup set, kept beside its copies in the backup folder as the hidden file
// ".<stamp>.manifest". The backup writes it twice: first without its closing line, so that a
// backup that never ends leaves a set marked unfinished, and last, once every copy is made and
// checked, with the name, size and SHA-256 checksum of each copy and the files of the data
// folder that did not reach the backup. A set is complete when its manifest is closed, names
// no missing file and every copy still has its size and checksum.
struct BackupManifest
{
    static constexpr int kVersion = 1;

    struct File
    {
        QString name;      // the name in the data folder; the copy is stamp + name
        qint64 size = 0;   // bytes
        QByteArray sha256; // hex; empty for a file that did not reach the backup
        bool copied() const { return !sha256.isEmpty(); }
    };

    QString stamp;
    QDateTime made;     // when the backup started, local time
    QString dataFolder; // the folder that was backed up, for the reader
    QList<File> files;  // in copy order
    bool finished = false;

    // The manifest's name in the backup folder.
    static QString fileName(const QString& stamp);

    QByteArray toText() const;
    // Reads a manifest; nullopt with the reason when the text is not one this program wrote.
    static std::optional<BackupManifest> parse(const QByteArray& text, QString* why);

    // Replaces the manifest of the set in backupFolder as a whole (a new file renamed over the
    // old, both synced to disk); returns the system's error text, empty on success.
    static QString write(const QString& backupFolder, const BackupManifest& manifest);
    // Reads the manifest of the set with that stamp; nullopt with the reason when there is
    // none or it cannot be read.
    static std::optional<BackupManifest> read(const QString& backupFolder, const QString& stamp,
                                              QString* why);
};

} // namespace kestar
