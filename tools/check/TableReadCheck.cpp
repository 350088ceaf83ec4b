#include "tools/check/TableReadCheck.h"

#include "data/EngineError.h"
#include "data/Schema.h"
#include "tools/check/CheckReport.h"
#include "tools/check/ValueCheck.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <sqlite3.h>

namespace kestar::check {

namespace {

QString typeName(FieldType type)
{
    switch (type) {
    case FieldType::Integer:
        return QStringLiteral("a whole number");
    case FieldType::Number:
        return QStringLiteral("a number");
    case FieldType::Date:
        return QStringLiteral("a date");
    case FieldType::Text:
        break;
    }
    return QStringLiteral("text");
}

// Fields the program sums, multiplies or compares as numbers: stored as anything else they
// give wrong stock, wrong totals or documents that cannot be found.
bool mustBeNumber(const QString& table, const QString& field)
{
    static const QSet<QString> magacin{QStringLiteral("KOLICINA"), QStringLiteral("MAGACIN1"),
                                       QStringLiteral("CENANABAVNA")};
    static const QSet<QString> prometx{QStringLiteral("KOLICINA"), QStringLiteral("OTPREMNICA"),
                                       QStringLiteral("ULAZ"), QStringLiteral("SALDO")};
    if (table == QLatin1String("magacin"))
        return magacin.contains(field);
    if (table == QLatin1String("prometx"))
        return prometx.contains(field);
    return false;
}

bool isNumeric(FieldType type)
{
    return type == FieldType::Integer || type == FieldType::Number;
}

} // namespace

std::unique_ptr<StoredTable> TableReadCheck::open(const QString& label, const QString& path,
                                                  const TableDef* expected)
{
    std::unique_ptr<StoredTable> table;
    try {
        table = std::make_unique<StoredTable>(path);
    } catch (const EngineError& error) {
        m_report.problem(QStringLiteral("%1 cannot be opened: %2").arg(label, error.text()));
        return nullptr;
    }
    if (!expected)
        return table;
    for (const FieldDef& field : expected->fields) {
        const int index = table->fieldIndex(field.name);
        if (index < 0) {
            m_report.problem(
                QStringLiteral("%1 has no field %2; the program needs it").arg(label, field.name));
            continue;
        }
        const FieldType stored = table->fields().at(index).type;
        if (stored == field.type)
            continue;
        const QString text = QStringLiteral("%1: field %2 is declared as %3, the program writes %4")
                                 .arg(label, field.name, typeName(stored), typeName(field.type));
        if (mustBeNumber(expected->name, field.name) && !isNumeric(stored))
            m_report.problem(text);
        else
            m_report.note(text);
    }
    if (!expected->key.isEmpty() && table->key().compare(expected->key, Qt::CaseInsensitive) != 0)
        m_report.problem(QStringLiteral("%1 has no primary key %2; the program looks articles up "
                                        "by it and relies on it being unique")
                             .arg(label, expected->key));
    return table;
}

bool TableReadCheck::walk(const QString& label, const StoredTable& table, const QString& keyField,
                          const StoredTable::RowVisitor& visitor)
{
    const QList<FieldDef>& fields = table.fields();
    const int keyIndex = keyField.isEmpty() ? -1 : table.fieldIndex(keyField);
    QHash<QByteArray, qint64> keys; // key -> the first row that holds it
    const auto where = [&](qint64 rowNumber, sqlite3_stmt* row) {
        QString text = QStringLiteral("%1 row %2").arg(label).arg(rowNumber);
        if (keyIndex >= 0)
            text += QStringLiteral(" (%1 '%2')")
                        .arg(fields.at(keyIndex).name,
                             ValueCheck::display(row, keyIndex, fields.at(keyIndex).type));
        return text;
    };
    const auto visit = [&](qint64 rowNumber, sqlite3_stmt* row) {
        for (int column = 0; column < fields.size(); ++column) {
            const QString problem = ValueCheck::problem(row, column, fields.at(column));
            if (!problem.isEmpty())
                m_report.problem(QStringLiteral("%1, %2: %3")
                                     .arg(where(rowNumber, row), fields.at(column).name, problem));
        }
        if (keyIndex >= 0) {
            const auto* data = reinterpret_cast<const char*>(sqlite3_column_blob(row, keyIndex));
            const QByteArray key(data, sqlite3_column_bytes(row, keyIndex));
            const auto found = keys.constFind(key);
            if (found != keys.constEnd())
                m_report.problem(QStringLiteral("%1: repeated %2, first held by row %3")
                                     .arg(where(rowNumber, row), fields.at(keyIndex).name)
                                     .arg(found.value()));
            else
                keys.insert(key, rowNumber);
        }
        if (visitor)
            visitor(rowNumber, row);
    };
    try {
        const qint64 rows = table.walk(visit);
        m_report.note(QStringLiteral("%1: table %2, %3 fields, %4 rows read")
                          .arg(label, table.tableName())
                          .arg(fields.size())
                          .arg(rows));
    } catch (const EngineError& error) {
        m_report.problem(
            QStringLiteral("%1 cannot be read to its end: %2").arg(label, error.text()));
        return false;
    }
    return true;
}

} // namespace kestar::check
