#pragma once

#include "data/SharedData.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

namespace kestar {

class Backend;
class Engine;

// The shared data of a data folder whose tables are in a PostgreSQL database, kept as rows of
// the same database: one table "deljeni_podaci" with one row per text file a data folder of
// table files would hold ("dokument.txt", ..., "firma.txt", "grupe.txt", "sgrupe.txt",
// "oprema.txt"), the file's name in "datoteka" and its lines in "redovi", each line followed by
// a line feed. One row per file keeps every value exactly as the file would hold it (a
// counter of "17a" reads as the file reads, and fails as it fails), one row is what a
// posting locks to take a number, and a backup or restore turns each row into its file and
// back without knowing what it holds. A file that is not kept has no row.
//
// It works on the engine's own connection, so it takes part in the engine's transaction (see
// SharedData): inside one, a counter is read FOR UPDATE and the counters' writes are statements
// of that transaction; outside one, every write is one statement and so a transaction of its
// own (names and codes of the groups are one statement). A failed statement inside a
// transaction ends it on the server: the caller's Transaction rolls back. Reading raises the
// files' own texts for the stored values; a row that is not there, or a database without the
// table, raises the program's text saying so.
class PgSharedData final : public SharedData
{
public:
    static constexpr const char* kTable = "deljeni_podaci";

    explicit PgSharedData(Engine& engine);

    // Makes the table in the database the backend reaches; raises EngineError when it is
    // there already or cannot be made.
    static void createTable(Backend& database);
    static QString createStatement();
    // The text a database without the table gives.
    static QString missingTableText();
    // Every name a row may have, in the order a data folder lists its files.
    static QStringList rowNames();
    // A row's stored text as the bytes of its file: Windows-1250, CR LF after every line.
    static QByteArray fileBytes(const QString& name, const QString& stored);
    // A file's bytes as its row stores them.
    static QString storedText(const QByteArray& bytes);

    NumberLine lastNumber(Counter counter) override;
    int firstNumber(Counter counter) override;
    bool holdsCounter(Counter counter) override;
    void setLastNumber(Counter counter, const QString& text) override;
    std::unique_ptr<CounterChange> changeCounters(const QList<Counter>& counters) override;
    QStringList companyLines() override;
    void setCompanyLines(const QStringList& lines) override;
    QStringList groupNames() override;
    Groups groups() override;
    void setGroups(const Groups& groups) override;
    NumberLine equipmentSwitch() override;
    void setEquipmentSwitch(int value) override;

    // The lines of the row, none when there is no such row. A counter read inside a
    // transaction stays locked until it ends.
    std::optional<QStringList> read(const QString& name, bool lockInTransaction = false);
    // Writes the rows in one statement: all of them or none. A line the file could not hold
    // (a line break, a character outside Windows-1250) refuses the write before anything is sent.
    void write(const QList<std::pair<QString, QStringList>>& rows);
    // Removes the rows in one statement.
    void remove(const QStringList& names);
    bool inTransaction() const;

private:
    QStringList lines(const QString& name, bool lockInTransaction = false);
    void requireTable();

    Engine& m_engine;
    bool m_tableSeen = false;
};

} // namespace kestar
