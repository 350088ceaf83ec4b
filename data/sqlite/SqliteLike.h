#pragma once

#include <QStringView>

struct sqlite3;

namespace kestar {

// LIKE of the program's SQL: "%" matches any run of characters, "_" exactly one, and letter
// case is ignored for every letter (Č and č, Ž and ž as well as A and a).
bool likeMatches(QStringView pattern, QStringView text);

// Replaces SQLite's own LIKE (which folds ASCII letters only) on the connection.
void registerLike(sqlite3* db);

} // namespace kestar
