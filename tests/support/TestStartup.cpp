#include "data/controls/EnterPressesButtons.h"

#include <QCoreApplication>

// Every test application gets the filters the program installs at its start, so that the
// tests see the keyboard as the user does.
static void installProgramWideFilters()
{
    kestar::EnterPressesButtons::install();
}
Q_COREAPP_STARTUP_FUNCTION(installProgramWideFilters)
