#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace kestar::test {

class TestFolder;

namespace CrashRun {

// Where a kill landed in the unit of work the child was at: before its commit began (nothing
// synced yet), inside the commit (synced, not yet at its commit point), or after the commit
// point (the unit is durable; the child may not have said so yet).
enum class Landing
{
    Before,
    Inside,
    After,
};

// How the child is ended.
struct Launch
{
    QString mode;       // post, save or card
    int build = 0;      // the child's first build number (card)
    QString trigger;    // "" (killed by the test after delayMs), "kill:K" or "power:K:SEED"
    QStringList faults; // no-sync, lost-super
    int delayMs = 0;    // with no trigger: how long after "ready" the test kills the child
};

// What one kill left: the child's lines (without the layer's marks), where the kill landed and
// the units the child reported done ("posted 17" gives 17 under "posted").
struct Outcome
{
    bool childFailed = false;
    QStringList lines;
    Landing landing = Landing::Before;
    QString lastLine;
    // The number on each line starting with word, in order.
    QList<int> numbers(const QString& word) const;
};

// Where the folder of the child's temporary files lies: the test empties it before it opens the
// data folder, as a restart of the computer empties /tmp.
QString childTemp(const TestFolder& folder);

// Starts the child on the program folder and lets it run until its trigger ends it, or kills
// it delayMs after it said "ready".
Outcome run(const TestFolder& folder, quint32 seed, const Launch& launch);

// Tells where the kill landed from the child's output, marks included.
Landing landingOf(const QStringList& output);

// The figures of one kind of kill, for the printed table.
struct Figures
{
    QString name;
    int kills = 0;
    int landed[3] = {0, 0, 0}; // by Landing
    int units = 0;             // documents, batches or cards checked after the last kill
    int reported = 0;          // units the child reported done, all checked for durability
    int violations = 0;
    double seconds = 0;

    QString line() const;
    static QString header();
};

} // namespace CrashRun
} // namespace kestar::test
