#pragma once

#include "data/Schema.h"

#include <QString>

namespace kestar {

class Engine;
class ImportReport;
class MemoFile;
class ParadoxTable;

// Moves the rows of one old table into the new, empty table file of the same name.
class TableImport
{
public:
    // Maps the old fields onto def's fields by name (letter case ignored), converts every value
    // from the old table's code page and type, reads memos from memo, and writes the rows in one
    // transaction: a table in stored order keeps the old record order, magacin is ordered by its
    // key. Every value, memo or row that does not come over, and every old field without a
    // place, goes into report with the counts of rows read and written. codePage, when not 0,
    // replaces the code page the old table's header names. Raises EngineError only when the new
    // table itself cannot be opened or committed.
    static void run(Engine& engine, const QString& newTablePath, const TableDef& def,
                    ParadoxTable& old, MemoFile& memo, int codePage, ImportReport& report);

    // The name QStringDecoder knows a code page by ("windows-1250", "IBM852"); "" for 0.
    static QString codecName(int codePage);
};

} // namespace kestar
