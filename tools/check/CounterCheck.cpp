#include "tools/check/CounterCheck.h"

#include "data/EngineError.h"
#include "tools/check/CheckReport.h"

#include <limits>
#include <sqlite3.h>

namespace kestar::check {

CounterCheck::CounterCheck()
{
    m_counters = {
        {Counter::Document, QStringLiteral("dokument.txt"), QStringLiteral("BROJDOKUMENTA"), true,
         -1, {}},
        {Counter::Issue, QStringLiteral("otpremnica.txt"), QStringLiteral("OTPREMNICA"), true, -1,
         {}},
        {Counter::Receipt, QStringLiteral("ulaz.txt"), QStringLiteral("ULAZ"), true, -1, {}},
        {Counter::Order, QStringLiteral("predracun.txt"), QStringLiteral("PREDRACUN"), false, -1,
         {}},
        {Counter::WorkOrder, QStringLiteral("rnalog.txt"), QStringLiteral("RADNINALOG"), false, -1,
         {}},
    };
}

void CounterCheck::prepare(const StoredTable& ledger)
{
    for (Kept& counter : m_counters) {
        counter.column = ledger.fieldIndex(counter.field);
        counter.largest.reset();
    }
}

void CounterCheck::takeRow(sqlite3_stmt* row)
{
    for (Kept& counter : m_counters) {
        // Numbers stored as anything but 32-bit whole numbers are the read check's to report.
        if (counter.column < 0 || sqlite3_column_type(row, counter.column) != SQLITE_INTEGER)
            continue;
        const qint64 value = sqlite3_column_int64(row, counter.column);
        if (value < std::numeric_limits<qint32>::min() ||
            value > std::numeric_limits<qint32>::max())
            continue;
        if (!counter.largest || value > *counter.largest)
            counter.largest = value;
    }
}

void CounterCheck::report(SharedData& shared, bool ledgerRead, CheckReport& report) const
{
    for (const Kept& counter : m_counters) {
        if (!shared.holdsCounter(counter.counter)) {
            if (counter.required)
                report.problem(QStringLiteral("%1 is missing; the program cannot start without it")
                                   .arg(counter.file));
            else
                report.note(QStringLiteral("%1: not present").arg(counter.file));
            continue;
        }
        NumberLine number;
        try {
            number = shared.lastNumber(counter.counter);
        } catch (const EngineError& error) {
            report.problem(QStringLiteral("%1 cannot be read as a counter: %2")
                               .arg(counter.file, error.text()));
            continue;
        }
        if (!ledgerRead) {
            report.note(QStringLiteral("%1: %2 (the ledger could not be read to compare)")
                            .arg(counter.file)
                            .arg(number.value));
        } else if (!counter.largest) {
            report.note(QStringLiteral("%1: %2 (no %3 in the ledger)")
                            .arg(counter.file)
                            .arg(number.value)
                            .arg(counter.field));
        } else if (number.value < *counter.largest) {
            report.problem(QStringLiteral("%1 holds %2, behind the ledger, where %3 goes up to %4")
                               .arg(counter.file)
                               .arg(number.value)
                               .arg(counter.field)
                               .arg(*counter.largest));
        } else {
            report.note(QStringLiteral("%1: %2 (largest %3 in the ledger: %4)")
                            .arg(counter.file)
                            .arg(number.value)
                            .arg(counter.field)
                            .arg(*counter.largest));
        }
    }
}

} // namespace kestar::check
