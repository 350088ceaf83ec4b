#pragma once

#include <QString>

namespace kestar {

// The program reads and writes dates as DD/MM/YYYY through the regional short date form.
// A formatted date of 10, 9 or 8 characters must have "/" just before its last four
// characters (the separator in front of a four-digit year); a text of any other length passes.
bool dateFormatFits(const QString& formattedToday);

// The three messages shown, one after the other, when the form does not fit.
QStringList dateFormatMessages();

} // namespace kestar
