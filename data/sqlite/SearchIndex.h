#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

struct sqlite3;

namespace kestar {

class SqliteStatement;

// The name search index of a table file: an FTS5 table of the trigrams of a text field, kept
// in step by triggers inside the file, so that every writer keeps it current (the sqlite3
// shell and older versions of the program included) and the file stays readable anywhere.
//
// It narrows a LIKE on the field down to the rows that can match; the program's own LIKE still
// decides every row, so the index only ever leaves out rows that cannot match. It folds letter
// case as the program's LIKE does for every character from U+0001 to U+024F (ASCII, Latin-1,
// the letters of Windows-1250 and the rest of Latin Extended-A and B); a name holding any other
// character carries a mark that makes it a candidate for every pattern, and a pattern holding
// one is not narrowed at all.
//
// Every text of a field is indexed with two characters U+0001 after it, so that each run of
// one or two characters of a name begins a trigram: a pattern whose longest run of plain
// characters is that short is looked up as a prefix of the index's terms.
namespace SearchIndex {

// The FTS5 table of a field, e.g. magacin_NAZIV_trigrams.
QString indexName(const QString& table, const QString& field);

// The statements that make the index and its triggers in a table file (its own schema, so
// names stay unqualified) and fill it from the rows the table holds already.
QStringList createStatements(const QString& table, const QString& field);

// What a LIKE pattern asks of the index.
struct Lookup
{
    QString match;  // an FTS5 query of the trigrams of the pattern's runs of 3 or more
    QString prefix; // else the longest run of 1 or 2 characters, case folded
};
// Nothing when the index cannot narrow the pattern: it holds no plain character, or one that
// the index does not fold as the program's LIKE does.
std::optional<Lookup> lookup(const QString& pattern);

// The row ids of the table that can match `field LIKE pattern`, in no order, or nothing when
// the index cannot tell or more than limit rows could match. schema: the name the connection
// attached the file under; prepared: the connection's statement for a text, prepared once
// and kept (Engine::prepared).
std::optional<QList<qint64>>
candidates(sqlite3* db, const std::function<SqliteStatement&(const QString&)>& prepared,
           const QString& schema, const QString& table, const QString& field,
           const QString& pattern, int limit);

} // namespace SearchIndex
} // namespace kestar
