#pragma once

#include "data/SharedData.h"
#include "tools/check/StoredTable.h"

#include <QList>
#include <QString>
#include <optional>

namespace kestar::check {

class CheckReport;

// The document counters against the ledger: each read through the shared data as the program
// reads it at start-up (first line, strict whole number), and the number it holds no smaller
// than the largest number of its kind in the ledger, or the next document of that kind would
// repeat a number already used.
class CounterCheck
{
public:
    CounterCheck();

    // Before the walk of the ledger: where the numbers stand in its rows.
    void prepare(const StoredTable& ledger);
    // One ledger row of the walk.
    void takeRow(sqlite3_stmt* row);
    // Reads the counters of the data folder's shared data and reports; ledgerRead tells whether
    // the largest numbers are known (the ledger was read to its end).
    void report(SharedData& shared, bool ledgerRead, CheckReport& report) const;

private:
    struct Kept
    {
        Counter counter;
        QString file;    // as the report names it: the file it lies in
        QString field;   // the ledger field that carries the numbers
        bool required;   // start-up cannot do without it
        int column = -1; // in the ledger walk
        std::optional<qint64> largest;
    };
    QList<Kept> m_counters;
};

} // namespace kestar::check
