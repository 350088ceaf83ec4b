#pragma once

#include "data/Dataset.h"
#include "tools/import/ParadoxTable.h"

#include <QString>

namespace kestar::OldValueConversion {

struct Converted
{
    QString text;  // the value as the table engine takes it as text; "" leaves the field empty
    QString error; // why the value has no form in the field; "" when it converted
};

// Turns an old value into the text form of a field of the given type, in the program's standard
// regional settings (which must be in force while the text is written). value must not be a
// Memo: read the memo first and pass its text as a Text value. Nothing is rounded, cut or
// guessed: a number with a fraction for a whole-number field, a text that is not a number or a
// date, binary data for a text field are errors.
Converted toField(const OldValue& value, FieldType type);

// The value as a report shows it.
QString shown(const OldValue& value);

} // namespace kestar::OldValueConversion
