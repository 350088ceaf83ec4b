#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>
#include <functional>

namespace kestar {

// One file of the data folder that did not reach the backup folder, and why.
struct BackupFailure
{
    QString file;
    QString reason;
};

struct BackupResult
{
    enum class Outcome
    {
        Done,                // every file was handled; failures lists those not copied
        DataFolderMissing,   // nothing copied: the data folder cannot be entered
        BackupFolderMissing, // nothing copied: there is no backup folder
        NoFiles,             // nothing copied: the data folder holds no file
    };

    Outcome outcome = Outcome::Done;
    QString stamp;      // date part + "-" + time part, common to every copy
    QString folder;     // the data or backup folder the outcome speaks of
    QStringList copied; // names of the copies made, in copy order
    QList<BackupFailure> failures;

    // True only when every file of the data folder was copied and checked.
    bool succeeded() const { return outcome == Outcome::Done && failures.isEmpty(); }
};

// Copying the data folder ("podaci") into the backup folder ("back-up") of the program folder,
// each copy named by the backup's date and time followed by the file's name.
class Backup
{
public:
    // Date part of the stamp. A short date text of 10 characters gives its characters 1-2, 4-5
    // and 9-10 joined by "-" (DD-MM-YY for DD/MM/YYYY). Any other length means a form without
    // leading zeros (8/12/2026), where fixed positions would cut through the numbers: then the
    // part is DD-MM-YY built from the date itself, zero-padded, so every copy name keeps one
    // shape and sorts by day.
    static QString datePart(const QDate& date, const QString& shortDateText);

    // Time part of the stamp. An 8-character time text gives characters 1-2, 4-5 and 7-8; a
    // 7-character one (one-digit hour) "0" and character 1, then 3-4 and 6-7, each joined by
    // "-". Any other length gives HH-MM-SS built from the time itself, so that two backups of
    // one day never carry the same name and overwrite each other.
    static QString timePart(const QTime& time, const QString& timeText);

    // The common stamp of one backup, from the regional short date and time forms.
    static QString stamp(const QDateTime& moment);

    // Runs one backup. The working folder is the data folder while the file names are read and
    // the files copied, and the program folder on every way out (errors included). Only plain
    // files are copied (no folders, no hidden or system entries), in name order without regard
    // to case; a copy of the same name is replaced. Every copy is checked against its source
    // byte for byte and synced to the disk. progress receives 0 before the first copy and
    // position * (100 / count) after each copy, position counted from 0.
    //
    // A table that a killed program left with a hot journal is rolled back first, as the
    // engine would on its next read, so that its copy is whole. The set's manifest (see
    // BackupManifest) is written before the first copy without its closing line and again
    // after the last one with every file's checksum; a file that did not reach the backup is
    // a failure and has no checksum there, and a manifest that cannot be written is a failure
    // too.
    static BackupResult run(const QString& programFolder, const QDateTime& moment,
                            const std::function<void(int)>& progress = {});

    // The text that tells the user why a backup did not fully succeed; empty when it did.
    static QString failureText(const BackupResult& result);
};

} // namespace kestar
