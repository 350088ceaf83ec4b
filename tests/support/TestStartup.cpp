#include "data/controls/EnterPressesButtons.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

// Every test application gets the filters the program installs at its start, so that the
// tests see the keyboard as the user does.
static void installProgramWideFilters()
{
    kestar::EnterPressesButtons::install();
}
Q_COREAPP_STARTUP_FUNCTION(installProgramWideFilters)

// A test run on PostgreSQL without a server is skipped as a whole, with its reason (CTest
// reads the exit code 77 as skipped, never as passed).
static void skipWithoutServer()
{
    if (qEnvironmentVariableIntValue("KESTAR_TEST_POSTGRES") == 1 &&
        qEnvironmentVariableIsEmpty("PGHOST")) {
        std::fputs("SKIPPED: no PostgreSQL server (PGHOST is not set); run the tests through "
                   "scripts/with-pg.sh\n",
                   stdout);
        std::fflush(stdout);
        std::_Exit(77);
    }
}
Q_COREAPP_STARTUP_FUNCTION(skipWithoutServer)
