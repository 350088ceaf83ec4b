#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace kestar {

// The rollback journals beside the table files of a folder. A write to a table keeps the old
// pages in "<table>-journal" until it has committed; a journal left by a write that never
// ended is "hot", and the engine rolls it back into its table when it next reads that table.
namespace TableJournals {

enum class State
{
    None,     // no journal, or an empty one
    Finished, // its header is cleared: the write it served has committed
    Hot,      // the engine rolls it back into its table on the next read
    Orphaned, // it names a super-journal that no longer exists
};

// What the journal at path is. A journal of a commit over several table files names the
// super-journal that decides it: while that exists the commit had not finished and the journal
// is hot. One whose super-journal is gone is taken by the engine as committed, which is only
// true when the super-journal was removed by that commit; after a crash followed by a move or
// rename of the folders it is not, so such a journal is told apart here.
State stateOf(const QString& journalPath);
// The super-journal the journal names, empty when it names none.
QString superJournalOf(const QString& journalPath);

// The journals of the .db files in folder.
QStringList journalsIn(const QString& folder);

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
QList<Unsettled> settle(const QString& folder);

} // namespace TableJournals
} // namespace kestar
