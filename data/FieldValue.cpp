#include "data/FieldValue.h"

#include "data/EngineError.h"
#include "platform/Regional.h"

#include <QDate>
#include <cmath>
#include <limits>

namespace kestar::FieldValue {

namespace {

QString quotedName(const FieldDef& field)
{
    return QLatin1Char('\'') + field.name + QLatin1Char('\'');
}

[[noreturn]] void invalidInteger(const QString& text, const FieldDef& field)
{
    throw EngineError(QStringLiteral("'%1' is not a valid integer value for field %2")
                          .arg(text, quotedName(field)));
}

[[noreturn]] void invalidNumber(const QString& text, const FieldDef& field)
{
    throw EngineError(QStringLiteral("'%1' is not a valid floating point value for field %2")
                          .arg(text, quotedName(field)));
}

[[noreturn]] void invalidDate(const QString& text, const FieldDef& field)
{
    throw EngineError(
        QStringLiteral("'%1' is not a valid date for field %2").arg(text, quotedName(field)));
}

bool fitsInteger(double value)
{
    return std::isfinite(value) && value == std::floor(value) &&
           value >= double(std::numeric_limits<qint32>::min()) &&
           value <= double(std::numeric_limits<qint32>::max());
}

} // namespace

QString toText(const QVariant& stored, FieldType type)
{
    switch (stored.typeId()) {
    case QMetaType::UnknownType:
        return {};
    case QMetaType::LongLong:
        if (type == FieldType::Number)
            return Regional::formatNumber(double(stored.toLongLong()));
        return QString::number(stored.toLongLong());
    case QMetaType::Double:
        return Regional::formatNumber(stored.toDouble());
    default:
        break;
    }
    const QString text = stored.toString();
    if (type == FieldType::Date) {
        const QDate date = QDate::fromString(text, Qt::ISODate);
        if (date.isValid())
            return Regional::formatDate(date);
    }
    return text;
}

QVariant fromText(const QString& text, const FieldDef& field)
{
    // An empty text field holds the empty text, not NULL, so that a statement comparing it
    // with '' (a machine without a second code) finds it.
    if (text.isEmpty())
        return field.type == FieldType::Text ? QVariant(QString(QLatin1String(""))) : QVariant();
    switch (field.type) {
    case FieldType::Text:
        return text;
    case FieldType::Integer: {
        bool ok = false;
        const int value = text.trimmed().toInt(&ok, 10);
        if (!ok)
            invalidInteger(text, field);
        return QVariant(qint64(value));
    }
    case FieldType::Number: {
        bool ok = false;
        const double value = Regional::parseNumber(text, &ok);
        if (!ok)
            invalidNumber(text, field);
        return QVariant(value);
    }
    case FieldType::Date: {
        const QDate date = Regional::parseDate(text);
        // ISO form has no room for a year before 1 or after 9999: such a date would be stored
        // as the empty text.
        const QString iso = date.isValid() ? date.toString(Qt::ISODate) : QString();
        if (iso.isEmpty())
            invalidDate(text, field);
        return QVariant(iso);
    }
    }
    return text;
}

double toNumber(const QVariant& stored, const FieldDef& field)
{
    switch (stored.typeId()) {
    case QMetaType::UnknownType:
        return 0;
    case QMetaType::LongLong:
        return double(stored.toLongLong());
    case QMetaType::Double:
        return stored.toDouble();
    default:
        break;
    }
    const QString text = stored.toString();
    if (field.type == FieldType::Date) {
        const QDate date = QDate::fromString(text, Qt::ISODate);
        if (date.isValid())
            return double(date.toJulianDay());
    }
    if (text.trimmed().isEmpty())
        return 0;
    bool ok = false;
    const double value = Regional::parseNumber(text, &ok);
    if (!ok)
        invalidNumber(text, field);
    return value;
}

QVariant fromNumber(double value, const FieldDef& field)
{
    switch (field.type) {
    case FieldType::Integer:
        if (!fitsInteger(value))
            invalidInteger(Regional::formatNumber(value), field);
        return QVariant(qint64(value));
    case FieldType::Number:
        if (!std::isfinite(value))
            invalidNumber(QString::number(value), field);
        return QVariant(value);
    case FieldType::Date: {
        const QDate date = QDate::fromJulianDay(qint64(value));
        if (!fitsInteger(value) || !date.isValid())
            invalidDate(Regional::formatNumber(value), field);
        return QVariant(date.toString(Qt::ISODate));
    }
    case FieldType::Text:
        break;
    }
    return QVariant(Regional::formatNumber(value));
}

QString sqlType(FieldType type)
{
    switch (type) {
    case FieldType::Integer:
        return QStringLiteral("INTEGER");
    case FieldType::Number:
        return QStringLiteral("REAL");
    case FieldType::Date:
        return QStringLiteral("DATE");
    case FieldType::Text:
        break;
    }
    return QStringLiteral("TEXT");
}

FieldType typeFromSql(const QString& declared)
{
    const QString type = declared.trimmed().toUpper();
    if (type.startsWith(QLatin1String("DATE")))
        return FieldType::Date;
    if (type.contains(QLatin1String("INT")))
        return FieldType::Integer;
    if (type.contains(QLatin1String("REAL")) || type.contains(QLatin1String("FLOA")) ||
        type.contains(QLatin1String("DOUB")) || type.contains(QLatin1String("NUM")) ||
        type.contains(QLatin1String("DEC")))
        return FieldType::Number;
    return FieldType::Text;
}

} // namespace kestar::FieldValue
