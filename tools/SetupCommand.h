#pragma once

#include <QStringList>
#include <QTextStream>

namespace kestar {

// The command line of kestar-setup:
//   kestar-setup new PODACI_FOLDER [--password P] [--demo] [--postgres CONNINFO]
//   kestar-setup --help
class SetupCommand
{
public:
    static constexpr int kOk = 0;
    static constexpr int kRefused = 1; // the folder exists, a bad password, a failed write
    static constexpr int kUsage = 2;   // the command line itself is wrong

    // Runs the command given by arguments (without the program name); what it did goes to out,
    // why it refused or failed goes to err. Never throws.
    static int run(const QStringList& arguments, QTextStream& out, QTextStream& err);

    static QString usage();
};

} // namespace kestar
