#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace kestar {

// Carries the program's tables between a PostgreSQL database and SQLite table files, the form
// of a backup set and of a data folder without a database. Both directions raise EngineError
// with the engine's, SQLite's or the server's text; neither leaves half a copy behind.
namespace PgTableCopy {

// Writes every table of the program that the database holds as a SQLite table file into
// folder (which must not hold them yet): the same file a data folder of its own would have,
// fields, order column, indexes and row ids alike. All tables are read in one read-only
// REPEATABLE READ transaction, so they show one moment of the database even while
// workstations post. The shared data (PgSharedRows) are written beside them as their text
// files, from the same moment. Returns the names of the files written. On failure none of the
// files is left; a file of that name already in folder is refused.
QStringList exportTables(const QString& connection, const QString& folder);

// Replaces the rows of the program's tables in the database by the rows of the SQLite table
// files of folder, all tables in one transaction: the database holds the old rows or the new
// ones, never a mix. Tables the database does not hold yet are made first. Rows keep their
// natural order (the order column, then the row id) and their values; a value the database's
// typed column refuses raises the server's text and changes nothing. The shared data's text
// files of folder replace the shared data's rows in the same transaction. beforeCommit runs when
// every row is in, just before the commit; what it raises rolls the load back.
void loadTables(const QString& folder, const QString& connection,
                const std::function<void()>& beforeCommit = {});

} // namespace PgTableCopy
} // namespace kestar
