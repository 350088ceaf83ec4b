#pragma once

#include "data/Dataset.h"

#include <QString>

struct sqlite3_stmt;

namespace kestar::check {

// Whether the program can read a stored value back: read it as text and as a number the way its
// engine does, and write that text back into the field unchanged. Sound values (NULL, a 32-bit
// integer in a whole-number field, a finite number, valid UTF-8 text, an ISO date) pass without
// any conversion, so that a million-row ledger is checked quickly.
namespace ValueCheck {

// Empty when the value in column of row is sound for field; otherwise what is wrong, in the
// engine's own words where the engine has them.
QString problem(sqlite3_stmt* row, int column, const FieldDef& field);

// The value of a number, as the program's stock change reads it: NULL and blank text are 0.
// ok is false for a value that is not a number (the read check reports it).
double number(sqlite3_stmt* row, int column, bool* ok = nullptr);

// The value as a short text for a report line.
QString display(sqlite3_stmt* row, int column, FieldType type);

} // namespace ValueCheck
} // namespace kestar::check
