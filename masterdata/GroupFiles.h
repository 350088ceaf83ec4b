#pragma once

#include <QStringList>

namespace kestar {

// The article groups: names in "podaci/grupe.txt", codes in "podaci/sgrupe.txt", paired by
// position alone.
struct GroupFiles
{
    QStringList names;
    QStringList codes;

    // Reads both files as lists of lines. Raises EngineError with the file error when either
    // file is missing or cannot be read.
    static GroupFiles read();

    // Replaces both files, one line per entry; empty lists give empty files. When the code file
    // refuses the write, the name file gets its former bytes back, so the two never fall out
    // of step; the error is raised all the same, with the failure to put the names back when
    // that fails too.
    static void write(const QStringList& names, const QStringList& codes);
};

} // namespace kestar
