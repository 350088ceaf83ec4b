#pragma once

#include "data/Schema.h"

#include <QHash>
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
    // key. Rows are read, converted and written one at a time, so the size of the table does
    // not count in the memory taken. Every value, memo or row that does not come over, and
    // every old field without a place, goes into report with the counts of rows read and
    // written. codePage, when not 0, replaces the code page the old table's header names.
    // Returns the largest value written into each whole-number field that got one. Raises
    // EngineError when the new table itself cannot be opened or committed, ImportError when a
    // data block of the old table cannot be read.
    static QHash<QString, qint64> run(Engine& engine, const QString& newTablePath,
                                      const TableDef& def, ParadoxTable& old, MemoFile& memo,
                                      int codePage, ImportReport& report);

    // The name QStringDecoder knows a code page by ("windows-1250", "IBM852"); "" for 0.
    static QString codecName(int codePage);
};

} // namespace kestar
