#pragma once

#include <QLockFile>
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace kestar {

// The private folder of one engine's main database. A commit over several table files keeps its
// super-journal there, and after a crash the next open of each table file needs that
// super-journal to tell a finished commit from one to roll back: without it a file whose half of
// the commit was written keeps it while the others are rolled back. So when the working folder
// holds a data folder, the scratch folder lies beside it (".kestar-engine-XXXXXX" in the program
// folder), which outlives a restart of the computer where /tmp is emptied, and nowhere else:
// when it cannot be made there, the engine refuses the data folder (DataFolderRefusal) rather
// than work on it unprotected. Before that, what an earlier crash left in the data folder is
// settled (JournalRecovery), which refuses the folder too when a journal's super-journal is
// lost. Without a data folder (the tools, some tests) it lies in the system's temporary folder.
//
// The folder is removed when the engine ends. A folder left by an engine that was killed is
// removed by a later engine once its owner is gone and it holds no super-journal any more (the
// table files it served have then been rolled back or found committed).
class EngineScratch
{
public:
    EngineScratch();
    ~EngineScratch();
    EngineScratch(const EngineScratch&) = delete;
    EngineScratch& operator=(const EngineScratch&) = delete;

    bool isValid() const { return m_dir && m_dir->isValid(); }
    QString filePath(const QString& name) const { return m_dir->filePath(name); }

    static inline const QString kPrefix = QStringLiteral(".kestar-engine-");

    // Removes the scratch folders in programFolder whose engine is no longer running and that
    // hold no super-journal; returns how many it removed.
    static int removeAbandoned(const QString& programFolder);

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QLockFile> m_owner; // held while the engine lives
};

} // namespace kestar
