#pragma once

namespace kestar {

// What every window of the program and of its launcher shares, set once on the application:
// the application's name, the desktop entry it belongs to, the program's icon and the font
// (Liberation Sans 8 pt, whatever the desktop's font), and Enter pressing a focused button.
// Call after the QApplication is made.
namespace ProgramLook {
void apply();
} // namespace ProgramLook

} // namespace kestar
