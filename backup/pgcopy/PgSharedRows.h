#pragma once

#include <QString>
#include <QStringList>

namespace kestar {

class PgConnection;

// The shared data of a database (the rows of PgSharedData's table) as the text files a data
// folder of table files holds: the same names, Windows-1250, CR LF after every line, byte for
// byte what the program writes into such a file. Both directions run on the caller's open
// transaction, so that the rows are read, or replaced, at the same moment as the tables.
namespace PgSharedRows {

// Whether the database holds the table of the shared data.
bool tableHeld(PgConnection& database);

// Writes every row as its file into folder and returns the names written; a database without
// the table writes none. Only the names the program keeps are written.
QStringList exportRows(PgConnection& database, const QString& folder);

// The files of the shared data that folder holds (names found without regard to letter case).
QStringList filesIn(const QString& folder);

// Replaces every row by the files of folder, making the table when the database lacks it;
// when folder holds none of the files, the rows stay as they are.
void loadRows(PgConnection& database, const QString& folder);

} // namespace PgSharedRows
} // namespace kestar
