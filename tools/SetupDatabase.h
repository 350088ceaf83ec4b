#pragma once

#include <QString>
#include <QStringList>

namespace kestar {

class Engine;

// What the set-up tool does with a PostgreSQL database that is to hold a data folder's tables.
// Every function raises SetupError with words for the person who ran the tool (the server's own
// text kept as it is).
namespace SetupDatabase {

// Refuses a connection string that libpq cannot read, or one holding a password: the selector
// file is plain text in the data folder, and libpq reads passwords from ~/.pgpass itself.
void checkConnectionString(const QString& connection);

// Makes the table of the shared data (counters, company lines, groups, equipment switch) in the
// database the engine works on.
void createSharedTable(Engine& engine);

// The program's tables the database already holds, by their stored names, the shared data's
// among them.
QStringList programTablesIn(const QString& connection);

// Refuses a database that already holds any of the program's tables.
void refuseHeldDatabase(const QString& connection);

// Writes the selector file of the data folder: the connection string on one line.
void writeSelector(const QString& folder, const QString& connection);

// Drops the program's tables from the database again, after a set-up that failed half way.
// Never throws: what cannot be dropped stays, and the text of why is returned.
QString dropProgramTables(const QString& connection);

} // namespace SetupDatabase
} // namespace kestar
