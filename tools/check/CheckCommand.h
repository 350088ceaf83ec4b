#pragma once

#include <QStringList>
#include <QTextStream>

namespace kestar {

// kestar-setup check: see usage().
namespace CheckCommand {

QString usage();

// Runs the command with the arguments after "check"; what it did goes to out, why it refused or
// failed goes to err. Returns one of SetupCommand's exit codes. Never throws.
int run(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace CheckCommand
} // namespace kestar
