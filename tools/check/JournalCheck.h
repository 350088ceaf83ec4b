#pragma once

#include <QString>

namespace kestar::check {

class CheckReport;

// The rollback journals a crash left in the data folder, each with what the program will make of
// it when it next starts: rolled back, deleted as a finished write, rolled back after the program
// folder moved, or (a problem) refused because the super-journal it names is lost.
void reportJournals(const QString& dataFolder, CheckReport& report);

// Why a table file with a journal beside it could not be read, as the table section says it.
QString journalNote(const QString& tablePath);

} // namespace kestar::check
