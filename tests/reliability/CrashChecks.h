#pragma once

#include <QDebug>
#include <QHash>
#include <QSet>
#include <QString>

namespace kestar {
class Engine;
}

namespace kestar::test {

class TestFolder;

namespace CrashChecks {

// The faults found over all kills of one mode; the first few are described in the output.
class Violations
{
public:
    void add(const QString& text)
    {
        if (++m_count <= 12)
            qWarning().noquote() << "violation:" << text;
    }
    int count() const { return m_count; }

private:
    int m_count = 0;
};

// The SQLite files of the data folder read as sound, and no journal left behind once the
// program opened them.
void checkFiles(const TestFolder& folder, Violations& violations);

// Checks the ledger, the stock and the counters after a kill of the posting child, and that
// every document the child reported posted is in the ledger (its stock change with it, as
// the stock is checked against the ledger); returns the document numbers in the ledger.
QSet<int> checkPostings(Engine& engine, quint32 seed, const QSet<int>& reported,
                        Violations& violations);

// Checks magacin and pmagacin after a kill of the saving child, and that the batches up to
// the last one the child reported saved are in magacin; returns the last batch saved.
int checkSaves(Engine& engine, quint32 seed, int reported, Violations& violations);

// What the child's reports say a card must hold after a kill.
struct CardExpectation
{
    enum class State
    {
        Any,           // a build or its marking was under way
        MarkedOrBuilt, // the marking of build `build` committed: its marker, or built since
        Built,         // build `build` was reported finished
    };
    State state = State::Any;
    int build = 0;
};

// Follows the child's lines ("marking 7", "building 7", "built 7") into what each card
// article's card must hold.
void followCardReports(const QStringList& lines, QHash<QString, CardExpectation>& expected);

// The card of every card article: its SALDO values are all the running balance of its rows
// (a finished build) or all one value (as before a build); anything else is a half build. A
// card the child reported built must be built, one whose marking it reported must hold that
// marker or be built. finished and before count the cards found each way.
void checkCards(Engine& engine, const QHash<QString, CardExpectation>& expected,
                Violations& violations, int& finished, int& before);

} // namespace CrashChecks
} // namespace kestar::test
