#pragma once

#include <QProcessEnvironment>

namespace kestar {

// The environment the program starts with: the desktop's own, with the regional settings the
// program needs for dates and numbers whatever the desktop's language. The program turns dates
// into text through the short date form DD/MM/YYYY and numbers through "." as the decimal
// separator, and its start-up check ends it on any other form; Qt takes the date form from
// LC_TIME and the separators from LC_NUMERIC (no generated system locale is needed for that).
namespace ProgramEnvironment {

// The locale whose dates and numbers the program expects: dd/MM/yyyy and ".".
inline constexpr char kRegionalLocale[] = "en_GB.UTF-8";

// desktop with LC_TIME and LC_NUMERIC set to kRegionalLocale. LC_ALL, which would override
// them, is taken out; its value becomes LANG, so the desktop's language still holds for
// everything else, and the other LC_ variables it had overridden go with it.
QProcessEnvironment forProgram(const QProcessEnvironment& desktop);

} // namespace ProgramEnvironment
} // namespace kestar
