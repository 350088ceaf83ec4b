#include "data/TableBatch.h"

#include "data/Backend.h"
#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/Schema.h"
#include "data/Statement.h"
#include "data/sql/SqlTranslator.h"

#include <algorithm>

namespace kestar::TableBatch {

using sql::quotedName;

namespace {

void update(Engine& engine, const TableFile& file, const FieldDef& by, const QStringList& fields,
            const QList<QList<QVariant>>& rows)
{
    if (rows.isEmpty())
        return;
    QList<FieldDef> columns = {by};
    for (const QString& field : fields)
        columns.append(Schema::field(file.fields, field));
    engine.write(file.path, nullptr,
                 [&]() { engine.backend().updateRows(file.qualified, columns, rows); });
}

} // namespace

void insertAtFront(Engine& engine, const QString& table, const QList<QList<QVariant>>& rows)
{
    const auto file = engine.attach(table);
    if (!file->hasOrder)
        throw EngineError(QStringLiteral("Table %1 is not kept in stored order").arg(table));
    if (rows.isEmpty())
        return;
    Backend& backend = engine.backend();
    const QString order = quotedName(QString::fromLatin1(Schema::kOrderColumn));
    QStringList columns;
    for (const FieldDef& field : file->fields)
        columns.append(field.name);
    columns.append(QString::fromLatin1(Schema::kOrderColumn));

    engine.write(file->path, nullptr, [&]() {
        Statement& first = engine.prepared(
            backend.spell(QStringLiteral("SELECT %1 FROM %2 ORDER BY %1, rowid LIMIT 1")
                              .arg(order, file->qualified)));
        const bool empty = !first.step();
        const qint64 top = empty ? 0 : first.columnInt(0);
        first.reset();
        // Before the first row each new row takes one step below the row above it; into an
        // empty table the first one goes at 0.
        qint64 value = empty ? Schema::kOrderStep : top;
        QList<QList<QVariant>> ordered;
        ordered.reserve(rows.size());
        for (const QList<QVariant>& row : rows) {
            if (row.size() != file->fields.size())
                throw EngineError(QStringLiteral("A row of %1 values for table %2 of %3 fields")
                                      .arg(row.size())
                                      .arg(table)
                                      .arg(file->fields.size()));
            value -= Schema::kOrderStep;
            ordered.append(row);
            ordered.last().append(value);
        }
        backend.insertRows(file->qualified, columns, ordered);
    });
}

QHash<QString, QList<QVariant>> readByKey(Engine& engine, const QString& table,
                                          const QStringList& keys, const QStringList& fields)
{
    const auto file = engine.attach(table);
    if (file->key.isEmpty())
        throw EngineError(QStringLiteral("Table %1 has no key").arg(table));
    Backend& backend = engine.backend();
    const QString key = quotedName(file->key);
    QStringList columns = {key};
    for (const QString& field : fields)
        columns.append(quotedName(Schema::field(file->fields, field).name));
    QHash<QString, QList<QVariant>> found;
    // The keys go in as parameters of their own, compared byte for byte however they are
    // made up; a statement for each power of two of them (the last key repeated to fill it),
    // so that a few statements serve every number of keys.
    constexpr qsizetype kMostKeys = 512;
    for (qsizetype from = 0; from < keys.size(); from += kMostKeys) {
        const QStringList part = keys.mid(from, kMostKeys);
        qsizetype places = 1;
        while (places < part.size())
            places *= 2;
        QStringList parameters;
        for (qsizetype i = 0; i < places; ++i)
            parameters.append(backend.parameter(int(i + 1)));
        // Locked in key order, the order every writer of several articles takes them in.
        QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 IN (%4) ORDER BY %3")
                          .arg(columns.join(QStringLiteral(", ")), file->qualified, key,
                               parameters.join(QStringLiteral(", ")));
        if (engine.inTransaction())
            sql += backend.lockForUpdate();
        Statement& read = engine.prepared(sql);
        for (qsizetype i = 0; i < places; ++i)
            read.bind(int(i + 1), part.at(std::min(i, part.size() - 1)));
        const ResetOnExit reset(read);
        while (read.step()) {
            QList<QVariant> values;
            values.reserve(fields.size());
            for (int i = 0; i < fields.size(); ++i)
                values.append(read.column(i + 1));
            found.insert(read.column(0).toString(), values);
        }
    }
    return found;
}

void updateByKey(Engine& engine, const QString& table, const QStringList& fields,
                 const QList<QList<QVariant>>& rows)
{
    const auto file = engine.attach(table);
    if (file->key.isEmpty())
        throw EngineError(QStringLiteral("Table %1 has no key").arg(table));
    update(engine, *file, Schema::field(file->fields, file->key), fields, rows);
}

void updateByRowId(Engine& engine, const QString& table, const QStringList& fields,
                   const QList<QList<QVariant>>& rows)
{
    const auto file = engine.attach(table);
    update(engine, *file, {engine.backend().rowId(), FieldType::Integer}, fields, rows);
}

} // namespace kestar::TableBatch
