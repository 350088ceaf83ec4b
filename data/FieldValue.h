#pragma once

#include "data/Dataset.h"

#include <QString>
#include <QVariant>

namespace kestar::FieldValue {

// Conversions between a stored value (NULL, qint64, double or QString, as SQLite holds it) and
// the text and number forms the program works with. Text goes through the regional settings:
// numbers with the regional decimal separator, dates in the short date form.

// NULL reads as "". A stored value of another type than the field's (a copied file, a
// field stored as text) reads as well as it can, never raising.
QString toText(const QVariant& stored, FieldType type);

// "" gives NULL, except in a text field, which holds the empty text. Text that does not convert
// raises EngineError, e.g.
//   '17a' is not a valid integer value for field 'OTPREMNICA'
//   'abc' is not a valid floating point value for field 'KOLICINA'
//   '31/02/2026' is not a valid date for field 'DATUM'
// Integer fields take 32-bit values only.
QVariant fromText(const QString& text, const FieldDef& field);

// NULL reads as 0; a text field holding a number reads as that number.
double toNumber(const QVariant& stored, const FieldDef& field);
// An integer field takes only whole values in its range.
QVariant fromNumber(double value, const FieldDef& field);

// The declared column type of a stored field and back ("TEXT", "INTEGER", "REAL", "DATE").
QString sqlType(FieldType type);
FieldType typeFromSql(const QString& declared);

} // namespace kestar::FieldValue
