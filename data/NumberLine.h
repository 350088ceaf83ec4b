#pragma once

#include <QString>

namespace kestar {

// A whole number as it was stored, with its text exactly as stored (the status panels show the
// text, not the converted number).
struct NumberLine
{
    int value = 0;
    QString text;
};

} // namespace kestar
