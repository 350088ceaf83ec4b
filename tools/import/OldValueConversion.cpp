#include "tools/import/OldValueConversion.h"

#include "platform/Regional.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace kestar::OldValueConversion {

namespace {

using Kind = OldValue::Kind;

constexpr const char* kTimeFormat = "HH:mm:ss";

Converted fail(const QString& why)
{
    return {QString(), why};
}

// A number the old table held as text or BCD digits: plain decimal notation with "." only. A
// comma is never taken, neither as a decimal comma nor as a thousands separator: in "1,500"
// either could be meant.
bool parseDecimal(const QString& text, double* number)
{
    QLocale plain = QLocale::c();
    plain.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = plain.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return false;
    *number = value;
    return true;
}

Converted wholeNumber(double number)
{
    if (!std::isfinite(number) || number != std::floor(number))
        return fail(QStringLiteral("not a whole number"));
    if (number < std::numeric_limits<qint32>::min() || number > std::numeric_limits<qint32>::max())
        return fail(QStringLiteral("too large for a whole-number field"));
    return {QString::number(qint64(number)), {}};
}

Converted number(double value)
{
    if (!std::isfinite(value))
        return fail(QStringLiteral("not a number"));
    return {Regional::formatNumber(value), {}};
}

// A date the table engine can store: from the year 1 to the year 9999.
bool storable(const QDate& value)
{
    return value.isValid() && value.year() >= 1 && value.year() <= 9999;
}

Converted date(const QDate& value)
{
    if (!storable(value))
        return fail(QStringLiteral("not a date"));
    return {Regional::formatDate(value), {}};
}

QDate dateFromText(const QString& text)
{
    static const char* const formats[] = {"dd/MM/yyyy",  "d/M/yyyy",  "dd.MM.yyyy", "d.M.yyyy",
                                          "dd.MM.yyyy.", "d.M.yyyy.", "yyyy-MM-dd"};
    for (const char* format : formats) {
        const QDate parsed = QDate::fromString(text, QString::fromLatin1(format));
        if (parsed.isValid())
            return parsed;
    }
    return {};
}

Converted toText(const OldValue& value)
{
    switch (value.kind) {
    case Kind::Null:
        return {};
    case Kind::Text:
    case Kind::Decimal:
        return {value.text, {}};
    case Kind::Integer:
        return {QString::number(value.integer), {}};
    case Kind::Number:
        return number(value.number);
    case Kind::Date:
        return date(value.date);
    case Kind::Time:
        return {value.time.toString(QString::fromLatin1(kTimeFormat)), {}};
    case Kind::Timestamp:
        if (!storable(value.timestamp.date()))
            return fail(QStringLiteral("not a date"));
        return {Regional::formatDate(value.timestamp.date()) + QLatin1Char(' ') +
                    value.timestamp.time().toString(QString::fromLatin1(kTimeFormat)),
                {}};
    case Kind::Logical:
        return {value.logical ? QStringLiteral("True") : QStringLiteral("False"), {}};
    case Kind::Binary:
    case Kind::Memo:
        break;
    }
    return fail(QStringLiteral("binary data has no place in a text field"));
}

// A value for a number field: written converts a number that was read, notNumber is the
// complaint about a value that is none.
Converted toNumeric(const OldValue& value, Converted (*written)(double), const QString& notNumber)
{
    switch (value.kind) {
    case Kind::Null:
        return {};
    case Kind::Integer:
        return written(double(value.integer));
    case Kind::Number:
        return written(value.number);
    case Kind::Logical:
        return {value.logical ? QStringLiteral("1") : QStringLiteral("0"), {}};
    case Kind::Text:
    case Kind::Decimal: {
        if (value.text.trimmed().isEmpty())
            return {};
        double parsed = 0;
        if (!parseDecimal(value.text, &parsed))
            return fail(notNumber);
        return written(parsed);
    }
    default:
        return fail(notNumber);
    }
}

Converted toInteger(const OldValue& value)
{
    return toNumeric(value, &wholeNumber, QStringLiteral("not a whole number"));
}

Converted toNumber(const OldValue& value)
{
    return toNumeric(value, &number, QStringLiteral("not a number"));
}

Converted toDate(const OldValue& value)
{
    switch (value.kind) {
    case Kind::Null:
        return {};
    case Kind::Date:
        return date(value.date);
    case Kind::Timestamp:
        return date(value.timestamp.date());
    case Kind::Text: {
        const QString text = value.text.trimmed();
        if (text.isEmpty())
            return {};
        const QDate parsed = dateFromText(text);
        if (!parsed.isValid())
            return fail(QStringLiteral("not a date"));
        return date(parsed);
    }
    default:
        return fail(QStringLiteral("not a date"));
    }
}

} // namespace

Converted toField(const OldValue& value, FieldType type)
{
    switch (type) {
    case FieldType::Text:
        return toText(value);
    case FieldType::Integer:
        return toInteger(value);
    case FieldType::Number:
        return toNumber(value);
    case FieldType::Date:
        return toDate(value);
    }
    return fail(QStringLiteral("unknown field type"));
}

QString shown(const OldValue& value)
{
    switch (value.kind) {
    case Kind::Null:
        return QStringLiteral("(empty)");
    case Kind::Binary:
    case Kind::Memo:
        return QStringLiteral("(%1 bytes of binary data)").arg(value.bytes.size());
    case Kind::Number:
        return QString::number(value.number, 'g', 17);
    case Kind::Date:
    case Kind::Timestamp:
        // A day the engine cannot store is shown by its number, as the table holds it.
        if (!storable(value.kind == Kind::Date ? value.date : value.timestamp.date()))
            return QStringLiteral("(day %1)").arg(value.integer);
        break;
    default:
        break;
    }
    return QLatin1Char('\'') + toText(value).text + QLatin1Char('\'');
}

} // namespace kestar::OldValueConversion
