#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace kestar {

// What a crash left in the data folder: rollback journals beside the table files, and what the
// table engine will make of each.
//
// A commit over several table files keeps a super-journal in the engine's scratch folder, and
// every table file's journal ends with the super-journal's absolute path. The super-journal is
// deleted at the moment the commit is done. So when a journal is found after a crash, SQLite
// rolls it back if the super-journal it names exists, and takes the write as finished (it
// deletes the journal) if it does not. After the program folder was moved or renamed, the path
// names nothing any more and SQLite would take an unfinished posting as finished: the table
// files it had written keep their half and the others are rolled back.
struct JournalFinding
{
    enum class Kind
    {
        Own,        // names no super-journal: the table's own write, rolled back
        Unfinished, // its super-journal exists: the commit did not finish, rolled back
        Finished,   // its super-journal is gone from a folder that is still there: deleted
        Moved,      // the folder is gone, the super-journal lies in the program folder now
        Lost,       // the super-journal cannot be found (or the journal is not as SQLite
                    // writes it): whether the write finished is unknown
    };

    Kind kind = Kind::Own;
    QString journal;      // absolute path of the journal file
    QString table;        // the table file it belongs to
    QString superJournal; // the path the journal names, "" for Kind::Own
    QString foundAt;      // Kind::Moved: where the super-journal lies now
};

class JournalRecovery
{
public:
    // Every journal of the data folder that a crash left behind (a journal that holds no synced
    // header is no such journal: SQLite deletes it unread), read without changing anything.
    // programFolder is where the engine keeps its scratch folders.
    static QList<JournalFinding> inspect(const QString& dataFolder, const QString& programFolder);

    // Settles what inspect() finds before the program opens any table: a journal whose
    // super-journal moved with the program folder loses its pointer and is rolled back on its
    // own, as the commit did not finish; then every table file with a journal is opened once,
    // so that SQLite rolls back or deletes each journal now, while the scratch folder that
    // tells it how is still there. Raises DataFolderRefusal (nothing changed) when a journal's
    // super-journal is lost.
    static void settle(const QString& dataFolder, const QString& programFolder);

    // The super-journal path recorded at the end of a journal file, "" when it records none.
    static QString superJournalOf(const QString& journalPath);

    // The program folder at the time of the crash that left a journal naming superJournal
    // (the scratch folder's parent).
    static QString formerProgramFolder(const QString& superJournal);

    // ---- the journals of a copied folder (a backup, a set being restored) ----
    enum class State
    {
        None,     // no journal, or an empty one
        Finished, // its header is cleared: the write it served has committed
        Hot,      // the engine rolls it back into its table on the next read
        Orphaned, // it names a super-journal that no longer exists
    };
    // What the journal at path is. While the super-journal it names exists the commit had not
    // finished and the journal is hot; one whose super-journal is gone is taken by the engine
    // as committed, which is only true when that commit removed it.
    static State stateOf(const QString& journalPath);
    // The journals of the .db files in folder.
    static QStringList journalsIn(const QString& folder);

    // A table whose journal could not be settled, and why.
    struct Unsettled
    {
        QString table;  // file name, e.g. magacin.db
        bool orphaned;  // its journal is orphaned: detail names the missing super-journal
        QString detail; // otherwise the engine's or the system's text
    };
    // Settles the journals of the folder as the engine would on its next read of each table: a
    // hot one is rolled back into its table, a finished one taken away. An orphaned journal is
    // left where it is and listed: whether its commit finished cannot be told any more.
    static QList<Unsettled> settleJournals(const QString& folder);
};

} // namespace kestar
