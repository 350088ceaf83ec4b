// Stands in for the program in the launcher's tests: prints where it was started, with how many
// arguments, and the regional settings Qt gives it, then ends.
#include "platform/Clock.h"
#include "platform/Regional.h"
#include "shell/DateFormatCheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const kestar::RegionalSettings settings = kestar::Regional::fromSystem();
    QTextStream out(stdout);
    out << "folder=" << QDir::currentPath() << '\n'
        << "arguments=" << (argc - 1) << '\n'
        << "shortDate=" << settings.shortDateFormat << '\n'
        << "decimal=" << settings.decimalSeparator << '\n'
        << "checkPasses="
        << (kestar::dateFormatFits(kestar::Regional::formatDate(kestar::Clock::today())) ? "yes"
                                                                                         : "no")
        << '\n'
        << "LANG=" << qEnvironmentVariable("LANG") << '\n'
        << "LC_ALL=" << qEnvironmentVariable("LC_ALL") << '\n';
    return 0;
}
