#pragma once

#include <QString>

namespace kestar::SqliteFile {

// Opens the table file at path on a connection of its own and reads its schema once, so that
// SQLite settles the journal beside it now (rolls a hot one back, deletes a finished one).
// busyTimeoutMs: how long to wait for another writer. Returns SQLite's text when it could not,
// "" when it could.
QString readOnce(const QString& path, int busyTimeoutMs);

// Makes a new SQLite file at path and runs statements in one transaction (rollback journal).
// Raises EngineError with SQLite's text; the half-made file is then removed.
void create(const QString& path, const QString& statements);

// What SQLite's own quick check says of the file, opened read only: "ok" when sound, else the
// first fault or SQLite's text.
QString quickCheck(const QString& path);

} // namespace kestar::SqliteFile
