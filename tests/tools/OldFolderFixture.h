#pragma once

#include "tests/support/Fixture.h"
#include "tests/tools/ParadoxWriter.h"
#include "tests/tools/SetupRun.h"

#include <QByteArray>
#include <QMap>
#include <QString>

namespace kestar::test {

// The data folder of an old installation, written for the import tests.
namespace OldFolderFixture {

// The fields of one of the five tables as the old program's tables held them: text as alpha of
// 40 characters, whole numbers as long, numbers as number, dates as date.
QList<ParadoxColumn> columns(const QString& table);
// All five tables, empty, in folder (which must exist).
void writeEmptyTables(const QString& folder);
// The text files of a data folder, in Windows-1250 as the old program left them: a firm with
// letters of Serbian Latin, counters, group files without a last line ending.
void writeTextFiles(const QString& folder);
// Every file under folder (relative path -> bytes), to see that nothing changed.
QMap<QString, QByteArray> snapshot(const QString& folder);

using ImportRun = CommandResult;
// kestar-setup import OLD NEW, run in this process.
ImportRun runImport(const QString& oldFolder, const QString& newFolder,
                    const QStringList& options = {});
// A row of a new table as Fixture's readRows gives it: every field empty but those given.
Row blankRow(const QString& table, const Row& values = {});

} // namespace OldFolderFixture
} // namespace kestar::test
