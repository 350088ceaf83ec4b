#pragma once

#include <QStringList>

namespace kestar {

class MainWindow;

// What start-up leaves for the pages that come after it.
struct StartUpResult
{
    bool dateFormatFits = true;
    QStringList companyFields; // the 13 fields read from the company file (empty on failure)
};

// Runs the start-up steps on a main window that is not shown yet: the date-format check, the
// program folder, the equipment file, the login page, today's date in the user panel, the
// company file and letterhead, and the counter files into the status panels. A file that
// cannot be read shows the system's error and skips the steps after it; the login page is
// shown all the same, so no page is reachable without a login.
StartUpResult runStartUp(MainWindow& window);

} // namespace kestar
