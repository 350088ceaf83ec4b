#pragma once

#include <QStringList>

namespace kestar {

class Navigator;
class Workplace;

// What start-up leaves for the pages that come after it.
struct StartUpResult
{
    bool dateFormatFits = true;
    QStringList companyFields; // the 13 company fields (empty on failure)
};

// Runs the start-up steps before the window is shown: the date-format check, the program
// folder, the equipment switch, the login page, today's date in the user panel, the company
// data and letterhead, and the five counters into the workplace (the status panels show them).
// Shared data that cannot be read shows the system's error and skips the steps after it; the
// login page is shown all the same, so no page is reachable without a login.
StartUpResult runStartUp(Workplace& workplace, Navigator& navigator);

} // namespace kestar
