#pragma once

#include <QDebug>
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

// Checks the ledger, the stock and the counters after a kill of the posting child; returns
// the document numbers in the ledger.
QSet<int> checkPostings(Engine& engine, quint32 seed, Violations& violations);

// Checks magacin and pmagacin after a kill of the saving child; returns the last batch saved.
int checkSaves(Engine& engine, quint32 seed, Violations& violations);

// The card of every card article: its SALDO values are all the running balance of its rows
// (a finished build) or all one value (as before a build); anything else is a half build.
// finished and before count the cards found each way.
void checkCards(Engine& engine, Violations& violations, int& finished, int& before);

} // namespace CrashChecks
} // namespace kestar::test
