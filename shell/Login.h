#pragma once

#include <QString>

namespace kestar {

class MainWindow;
class LoginPage;

// Logs in with the password typed: walks every row of the user table from the first to the
// last. A row whose SIFRA equals the password exactly logs its user in: "Administrator" gets
// the admin menu and all eight switchable menu items, any other name the worker menu and the
// four items of "Dokumenti" and "Stampanje". The walk does not stop at a match, so the last
// matching row decides the user and the page, while the enabled items add up.
// No match changes nothing. Raises EngineError when the user table cannot be read.
void logIn(MainWindow& window, const QString& password);

// Connects Enter in the login page's password field to logIn(); the field empties after the
// walk, and keeps its text when the user table could not be read.
void connectLogin(MainWindow& window, LoginPage& page);

} // namespace kestar
