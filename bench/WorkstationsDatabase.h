#pragma once

#include "data/SharedData.h"

#include <QString>
#include <map>
#include <memory>

namespace kestar {
class Engine;
class PgConnection;
} // namespace kestar

namespace kestar::bench {

// A program folder whose data folder names a database of its own on the server of the
// environment (PGHOST): the tables of a new data folder, kArticles articles with kStartStock
// each, the counters at 0. Dropped again at the end. Raises EngineError.
class WorkstationsDatabase
{
public:
    static constexpr int kArticles = 40;
    static constexpr int kStartStock = 1000;
    static QString articleCode(int i);
    // The shared data of a workstation on the folder's database.
    static std::unique_ptr<SharedData> sharedData(Engine& engine);

    explicit WorkstationsDatabase(const QString& programFolder);
    // Drops the database, unless keep() was called.
    ~WorkstationsDatabase();
    WorkstationsDatabase(const WorkstationsDatabase&) = delete;
    WorkstationsDatabase& operator=(const WorkstationsDatabase&) = delete;

    // BROJDOKUMENTA -> its rows in the ledger.
    std::map<int, int> rowsPerDocument();
    // Documents whose rows are not all next to each other in the ledger's natural order.
    int documentsApart();
    // Issue or receipt numbers that more than one document carries.
    int numbersSharedByDocuments();
    // The units by which the stocks (KOLICINA and MAGACIN1) differ from the starting stock
    // plus the receipts minus the issues the ledger holds.
    double lostUnits();
    // Raw libpq posting a 20-line issue with the least work (one transaction: the counter,
    // the ledger's front, one multi-row insert, one stock update), the median of a series, with
    // delayMicroseconds added to every round trip.
    double rawPostingMedian(qint64 delayMicroseconds);

    QString name() const { return m_name; }
    // Leaves the database on the server at the end, to be looked at with psql.
    void keep() { m_keep = true; }

private:
    QString m_name;
    bool m_keep = false;
    std::unique_ptr<PgConnection> m_connection;
};

} // namespace kestar::bench
