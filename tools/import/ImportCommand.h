#pragma once

#include <QStringList>
#include <QTextStream>

namespace kestar {

// kestar-setup import: see usage().
namespace ImportCommand {

QString usage();

// Runs the command with the arguments after "import"; what it did goes to out, why it refused or
// failed goes to err. Returns one of SetupCommand's exit codes. Never throws.
int run(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace ImportCommand
} // namespace kestar
