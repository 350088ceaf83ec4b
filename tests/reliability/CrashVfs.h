#pragma once

#include <QtGlobal>

// A layer of our own between SQLite and the system's files, for the crash child: it passes
// every call on to SQLite's own unix layer and on the way
//  - writes a mark to the trace (the child's standard output) at every sync ("~s") and at the
//    removal of a super-journal ("~m") or of a journal ("~j"), so that the parent can tell
//    whether a kill landed before a commit began, inside it or after its commit point;
//  - counts the child's disk operations (writes, truncations, syncs, removals) and ends the
//    process with SIGKILL just before the operation chosen, or just after the sync or removal
//    chosen: a kill that lands where it was aimed however busy the machine is;
//  - for a power cut, keeps the writes and the folder changes that no sync has made durable
//    yet, and at the sync chosen decides for each what the disk would have held: written,
//    not written, or torn sector by sector (some sectors old, some new, some garbage); folder
//    changes survive in the order they were made, up to a random point. Then it ends the
//    process. This is how SQLite's own crash tests model a power cut.
namespace kestar::test::CrashVfs {

enum class Trigger
{
    None,      // trace only
    Kill,      // SIGKILL before the K-th disk operation, or after the K-th sync or removal
    PowerLoss, // a power cut at the K-th sync
};

struct Options
{
    Trigger trigger = Trigger::None;
    qint64 at = 0;                      // K, counted from arm()
    bool countSyncsAndRemovals = false; // Kill: count only syncs and file removals
    quint32 seed = 0;                   // decides the fate of each write that was not synced
    // Faults of the model, for runs that show the checks fail when they must:
    bool syncsKeepNothing = false;  // a sync makes nothing durable (as if fsync were a no-op)
    bool superJournalsLost = false; // super-journals are gone after the kill (as if in /tmp)
};

// Registers the layer as SQLite's default; call before any connection is opened.
void install(const Options& options);
// Starts counting operations towards the trigger: what happened before (opening the tables,
// recovering them) is not what the test aims at.
void arm();

} // namespace kestar::test::CrashVfs
