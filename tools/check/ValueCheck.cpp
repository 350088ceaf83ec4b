#include "tools/check/ValueCheck.h"

#include "data/EngineError.h"
#include "data/FieldValue.h"
#include "platform/Regional.h"

#include <QByteArrayView>
#include <QDate>
#include <cmath>
#include <limits>
#include <sqlite3.h>

namespace kestar::check::ValueCheck {

namespace {

constexpr int kShownCharacters = 40;

QByteArrayView rawText(sqlite3_stmt* row, int column)
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(row, column));
    return QByteArrayView(data, sqlite3_column_bytes(row, column));
}

QString shortened(const QString& text)
{
    if (text.size() <= kShownCharacters)
        return text;
    return text.left(kShownCharacters) + QStringLiteral("...");
}

bool fits32(qint64 value)
{
    return value >= std::numeric_limits<qint32>::min() &&
           value <= std::numeric_limits<qint32>::max();
}

// An ISO date YYYY-MM-DD that names a real day: what the engine writes into a date field.
bool isIsoDate(QByteArrayView text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return false;
    return QDate::fromString(QString::fromLatin1(text), Qt::ISODate).isValid();
}

// The engine's text when the value, read as text, does not go back into the field.
QString rewriteProblem(const QString& text, const FieldDef& field)
{
    try {
        FieldValue::fromText(text, field);
    } catch (const EngineError& error) {
        return error.text();
    }
    return {};
}

QString textProblem(QByteArrayView raw, const FieldDef& field)
{
    const QString text = QString::fromUtf8(raw);
    switch (field.type) {
    case FieldType::Text:
        return {};
    case FieldType::Integer: {
        if (const QString problem = rewriteProblem(text, field); !problem.isEmpty())
            return QStringLiteral("text in a whole-number field: ") + problem;
        return {};
    }
    case FieldType::Number:
        try {
            FieldValue::toNumber(QVariant(text), field);
        } catch (const EngineError& error) {
            return QStringLiteral("text in a number field: ") + error.text();
        }
        return {};
    case FieldType::Date:
        if (isIsoDate(raw))
            return {};
        if (rewriteProblem(text, field).isEmpty()) {
            // Shown well enough, but compared and sorted as text, not as a date.
            return QStringLiteral("'%1' is stored as text, not as a date, in field '%2'")
                .arg(shortened(text), field.name);
        }
        return QStringLiteral("'%1' is not a date (field '%2')").arg(shortened(text), field.name);
    }
    return {};
}

} // namespace

QString problem(sqlite3_stmt* row, int column, const FieldDef& field)
{
    switch (sqlite3_column_type(row, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER: {
        const qint64 value = sqlite3_column_int64(row, column);
        if (field.type == FieldType::Integer && !fits32(value))
            return QStringLiteral("%1 is beyond 32 bits: not a valid integer value for field '%2'")
                .arg(value)
                .arg(field.name);
        if (field.type == FieldType::Date)
            return QStringLiteral("the number %1 is not a date (field '%2')")
                .arg(value)
                .arg(field.name);
        return {};
    }
    case SQLITE_FLOAT: {
        const double value = sqlite3_column_double(row, column);
        if (!std::isfinite(value))
            return field.type == FieldType::Text
                       ? QString()
                       : QStringLiteral("%1 is not a finite number (field '%2')")
                             .arg(QString::number(value), field.name);
        if (field.type == FieldType::Integer) {
            if (value != std::floor(value))
                return QStringLiteral("the fraction %1 is not a valid integer value for field '%2'")
                    .arg(Regional::formatNumber(value), field.name);
            if (value < double(std::numeric_limits<qint32>::min()) ||
                value > double(std::numeric_limits<qint32>::max()))
                return QStringLiteral(
                           "%1 is beyond 32 bits: not a valid integer value for field '%2'")
                    .arg(Regional::formatNumber(value), field.name);
        }
        if (field.type == FieldType::Date)
            return QStringLiteral("the number %1 is not a date (field '%2')")
                .arg(Regional::formatNumber(value), field.name);
        return {};
    }
    case SQLITE_TEXT: {
        const QByteArrayView raw = rawText(row, column);
        if (!raw.isValidUtf8())
            return QStringLiteral("text that is not valid UTF-8 (%1 bytes) in field '%2'")
                .arg(raw.size())
                .arg(field.name);
        return textProblem(raw, field);
    }
    default:
        return QStringLiteral("binary data (%1 bytes) in field '%2'")
            .arg(sqlite3_column_bytes(row, column))
            .arg(field.name);
    }
}

double number(sqlite3_stmt* row, int column, bool* ok)
{
    if (ok)
        *ok = true;
    switch (sqlite3_column_type(row, column)) {
    case SQLITE_NULL:
        return 0;
    case SQLITE_INTEGER:
        return double(sqlite3_column_int64(row, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(row, column);
    case SQLITE_TEXT: {
        const QString text = QString::fromUtf8(rawText(row, column));
        if (text.trimmed().isEmpty())
            return 0;
        bool parsed = false;
        const double value = Regional::parseNumber(text, &parsed);
        if (ok)
            *ok = parsed;
        return parsed ? value : 0;
    }
    default:
        if (ok)
            *ok = false;
        return 0;
    }
}

QString display(sqlite3_stmt* row, int column, FieldType type)
{
    switch (sqlite3_column_type(row, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return FieldValue::toText(QVariant(qint64(sqlite3_column_int64(row, column))), type);
    case SQLITE_FLOAT:
        return FieldValue::toText(QVariant(sqlite3_column_double(row, column)), type);
    case SQLITE_TEXT:
        return shortened(
            FieldValue::toText(QVariant(QString::fromUtf8(rawText(row, column))), type));
    default:
        return QStringLiteral("<binary>");
    }
}

} // namespace kestar::check::ValueCheck
