#pragma once

#include "data/NumberLine.h"

#include <QList>
#include <QStringList>
#include <memory>

namespace kestar {

// The running numbers the program keeps besides its tables.
enum class Counter
{
    Document,  // BROJDOKUMENTA, the program's own
    Order,     // PREDRACUN
    WorkOrder, // RADNINALOG
    Issue,     // OTPREMNICA
    Receipt,   // ULAZ
};

// The name the counter is kept under: its file in a data folder of text files, its row where the
// shared data are rows of a database ("dokument.txt", "predracun.txt", "rnalog.txt",
// "otpremnica.txt", "ulaz.txt").
inline const char* counterFileName(Counter counter)
{
    switch (counter) {
    case Counter::Document:
        return "dokument.txt";
    case Counter::Order:
        return "predracun.txt";
    case Counter::WorkOrder:
        return "rnalog.txt";
    case Counter::Issue:
        return "otpremnica.txt";
    case Counter::Receipt:
        return "ulaz.txt";
    }
    return "";
}

// The article groups: names and codes, paired by position alone.
struct Groups
{
    QStringList names;
    QStringList codes;
};

// New values of some counters that belong to a change of the tables: begun before the tables
// change, written just before the change commits, and put back when the commit fails. A crash
// between the write and the commit skips at most one number; a counter never falls behind the
// tables.
class CounterChange
{
public:
    virtual ~CounterChange() = default;
    // Writes one value per counter of the change, in the change's order. When one cannot be
    // written, those written before it get their former values back and EngineError is raised
    // with the failure, followed by any failure to put a former value back.
    virtual void write(const QStringList& values) = 0;
    // Puts back every counter written; returns error, followed by any failure to put a former
    // value back.
    virtual QString undoAfter(const QString& error) = 0;
};

// The data every workstation shares besides the tables: the five counters, the company lines,
// the groups and the equipment switch. Every function raises EngineError with a text the user
// can be shown; a write either happens whole or leaves the former data.
//
// Where the shared data live beside the tables in one database (PgSharedData), they also take
// part in the engine's transaction: while one is open (Engine::inTransaction()), lastNumber()
// and firstNumber() lock the counter they read until the transaction ends, so that no other
// workstation takes the same number meanwhile, and the writes of changeCounters() commit or
// roll back with the tables (undoAfter() then has nothing to put back). Outside a transaction
// every write is a transaction of its own. Text files take part in no transaction: there the
// counters are written just before the tables commit and put back by undoAfter().
class SharedData
{
public:
    virtual ~SharedData() = default;

    // The counter's last number, strictly: the first entry must be a whole number and nothing
    // else. Errors: the counter cannot be read, "'17a' is not a valid integer value".
    virtual NumberLine lastNumber(Counter counter) = 0;
    // The counter's last number, leniently: the first run of characters after blanks and line
    // breaks, 0 when there is none. Errors: the counter cannot be read, "Invalid numeric input".
    virtual int firstNumber(Counter counter) = 0;
    // Whether the counter is kept at all; one that is not cannot be read.
    virtual bool holdsCounter(Counter counter) = 0;
    // Sets one counter on its own, outside any change of the tables.
    virtual void setLastNumber(Counter counter, const QString& text) = 0;
    // Takes the counters' present values so that a change can put them back; a counter whose
    // present value cannot be read raises EngineError before anything is changed.
    virtual std::unique_ptr<CounterChange> changeCounters(const QList<Counter>& counters) = 0;

    // The company lines as stored, any number of them.
    virtual QStringList companyLines() = 0;
    virtual void setCompanyLines(const QStringList& lines) = 0;

    // The group names alone, for the lists that show names only.
    virtual QStringList groupNames() = 0;
    virtual Groups groups() = 0;
    // Names and codes are written together: when the codes cannot be written, the names get
    // their former values back, so the two never fall out of step.
    virtual void setGroups(const Groups& groups) = 0;

    // The equipment switch: 1 when goods are issued to machines. A switch stored as no whole
    // number, or not at all, raises EngineError.
    virtual NumberLine equipmentSwitch() = 0;
    virtual void setEquipmentSwitch(int value) = 0;
};

} // namespace kestar
