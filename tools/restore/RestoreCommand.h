#pragma once

#include <QStringList>
#include <QTextStream>

namespace kestar {

// kestar-setup backups and kestar-setup restore: see usage().
namespace RestoreCommand {

QString usage();

// Runs "backups" with the arguments after it. Returns one of SetupCommand's exit codes.
int listBackups(const QStringList& arguments, QTextStream& out, QTextStream& err);
// Runs "restore" with the arguments after it: the consistency check of the restored folder
// ends it, and its exit code is the check's. Never throws.
int restore(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace RestoreCommand
} // namespace kestar
