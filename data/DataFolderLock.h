#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace kestar {

// The mark that one process works on a data folder: a hidden lock file in the folder, held by
// the program for its whole run and by kestar-setup while it rewrites a folder, so that no two
// of them ever write one folder at the same time. The file names the computer and the process
// that holds it. A lock left by a process that has ended on this computer (or by one from
// before this computer last started) is taken over; one that names another computer is
// trusted for as long as the file stays, since there is no telling from here whether that
// process still runs.
class DataFolderLock
{
public:
    static inline const QString kFileName = QStringLiteral(".kestar.lock");

    enum class Outcome
    {
        Held,          // this object holds the folder
        HeldElsewhere, // another process holds it: see holder()
        FolderMissing, // there is no such folder
        NotPermitted,  // the folder does not let this user make a file in it
        Failed,        // the lock file could not be made: see errorText()
    };

    // Who holds a folder, as the lock file names it.
    struct Holder
    {
        QString host;
        qint64 pid = 0;
        QString program;
        bool sameHost = true; // the holder runs on this computer
    };

    explicit DataFolderLock(const QString& dataFolder);
    ~DataFolderLock();
    DataFolderLock(const DataFolderLock&) = delete;
    DataFolderLock& operator=(const DataFolderLock&) = delete;

    // Takes the lock without waiting. Writes nothing when another process holds it.
    Outcome acquire();
    bool isHeld() const { return m_lock && m_lock->isLocked(); }
    // The holder that kept acquire() from taking the lock (or this process once it holds it).
    const Holder& holder() const { return m_holder; }
    // The system's text for a lock file that could not be made.
    const QString& errorText() const { return m_error; }
    // The data folder as given, and as an absolute path for messages.
    QString folder() const { return m_folder; }
    QString absoluteFolder() const;
    QString lockFilePath() const;

    // Gives the lock up and removes its file.
    void release();
    // Gives the lock up after its folder was renamed to movedFolder, and removes the lock file
    // there if it is still this process's own.
    void releaseMoved(const QString& movedFolder);

    // Reads who holds the lock of a folder without taking it; false when there is no lock file
    // or it cannot be read.
    static bool readHolder(const QString& dataFolder, Holder* holder);

private:
    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
    Holder m_holder;
    QString m_error;
};

} // namespace kestar
