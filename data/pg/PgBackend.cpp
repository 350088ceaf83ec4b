#include "data/pg/PgBackend.h"

#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/FieldValue.h"
#include "data/Schema.h"
#include "data/pg/PgChangeListener.h"
#include "data/pg/PgConnection.h"
#include "data/pg/PgStatement.h"
#include "data/sql/SqlTranslator.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>
#include <algorithm>

namespace kestar {

namespace {

QString columnType(FieldType type)
{
    switch (type) {
    case FieldType::Integer:
        return QStringLiteral("integer");
    case FieldType::Number:
        return QStringLiteral("double precision");
    case FieldType::Date:
        return QStringLiteral("date");
    case FieldType::Text:
        break;
    }
    return QStringLiteral("text COLLATE \"C\"");
}

// The state PostgreSQL gives a repeated primary key or unique value.
constexpr const char* kUniqueViolation = "23505";

// The most parameters one statement may carry.
constexpr int kMostParameters = 65535;

// Rows written as one statement each: as many rows as the parameters allow.
QList<QList<QList<QVariant>>> inStatements(const QList<QList<QVariant>>& rows, int columns)
{
    const qsizetype perStatement = std::max(1, kMostParameters / std::max(1, columns));
    QList<QList<QList<QVariant>>> parts;
    for (qsizetype i = 0; i < rows.size(); i += perStatement)
        parts.append(rows.mid(i, perStatement));
    return parts;
}

// "($1, $2), ($3, $4)" for the rows, the parameters' texts appended to parameters; the first
// row's values cast to types where they are given (a VALUES list outside an INSERT takes its
// column types from its first row).
QString valuesList(const QList<QList<QVariant>>& rows, const QStringList& types,
                   QList<std::optional<QByteArray>>& parameters)
{
    QStringList tuples;
    tuples.reserve(rows.size());
    for (qsizetype r = 0; r < rows.size(); ++r) {
        QStringList values;
        for (qsizetype c = 0; c < rows.at(r).size(); ++c) {
            parameters.append(PgStatement::parameterText(rows.at(r).at(c)));
            QString value = QStringLiteral("$%1").arg(parameters.size());
            if (r == 0 && c < types.size())
                value += QStringLiteral("::") + types.at(c);
            values.append(value);
        }
        tuples.append(QLatin1Char('(') + values.join(QStringLiteral(", ")) + QLatin1Char(')'));
    }
    return tuples.join(QStringLiteral(", "));
}

} // namespace

PgBackend::PgBackend(const QString& connectionString)
    : m_connection(std::make_unique<PgConnection>(connectionString))
{
}

PgBackend::~PgBackend()
{
    m_listener.reset();
}

std::unique_ptr<Statement> PgBackend::prepare(const QString& sql)
{
    // A row's id is handed back by the insert that makes it.
    const QString trimmed = sql.trimmed();
    if (trimmed.startsWith(QLatin1String("INSERT"), Qt::CaseInsensitive) &&
        !trimmed.contains(QLatin1String("RETURNING"), Qt::CaseInsensitive))
        return std::make_unique<PgStatement>(*m_connection,
                                             trimmed + QStringLiteral(" RETURNING rowid"), true);
    return std::make_unique<PgStatement>(*m_connection, sql, false);
}

void PgBackend::exec(const QString& sql)
{
    m_connection->exec(sql);
}

void PgBackend::rollback()
{
    m_connection->rollback();
}

namespace {

// A text in small letters: "C.utf8" folds the letters of every alphabet as the program does.
// The same as ILIKE does to both sides, spelled out so that the trigram index of a search field,
// made on this very expression, can serve the search.
QString folded(const QString& operand)
{
    return QStringLiteral("lower((%1) COLLATE \"C.utf8\")").arg(operand);
}

} // namespace

QString PgBackend::foldingLike(const QString& operand, const QString& pattern) const
{
    // The backslash is no escape character in the program's patterns.
    return folded(operand) + QStringLiteral(" LIKE ") + folded(pattern) +
           QStringLiteral(" ESCAPE ''");
}

QString PgBackend::rowIdIn(const QString& jsonArray) const
{
    return QStringLiteral("SELECT jsonb_array_elements_text(%1::jsonb)::bigint").arg(jsonArray);
}

QString PgBackend::orderTerm(const QString& column, bool descending) const
{
    // SQLite puts NULL before every value.
    return column +
           (descending ? QStringLiteral(" DESC NULLS LAST") : QStringLiteral(" ASC NULLS FIRST"));
}

QString PgBackend::asText(const QString& operand) const
{
    return QStringLiteral("CAST(%1 AS text)").arg(operand);
}

void PgBackend::readTableNames()
{
    m_tables.clear();
    PgStatement names(*m_connection,
                      QStringLiteral("SELECT tablename FROM pg_tables WHERE schemaname = "
                                     "current_schema()"),
                      false);
    while (names.step()) {
        const QString name = names.column(0).toString();
        m_tables.insert(name.toLower(), name);
    }
    names.reset();
}

QString PgBackend::tableNamed(const QString& name)
{
    const QString key = name.toLower();
    if (!m_tables.contains(key))
        readTableNames();
    return m_tables.value(key);
}

std::shared_ptr<TableFile> PgBackend::attach(const QString& path, const QString& alias,
                                             const std::function<void()>&)
{
    auto file = std::make_shared<TableFile>();
    file->path = path;
    file->alias = alias;
    file->table = tableNamed(QFileInfo(path).completeBaseName());
    if (file->table.isEmpty())
        throw EngineError(QStringLiteral("Table does not exist: %1").arg(path));
    file->qualified = sql::quotedName(file->table);

    PgStatement columns(
        *m_connection,
        QStringLiteral(
            "SELECT a.attname, format_type(a.atttypid, a.atttypmod), "
            "EXISTS (SELECT 1 FROM pg_index i WHERE i.indrelid = c.oid AND i.indisprimary "
            "AND a.attnum = ANY (i.indkey)) "
            "FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid "
            "JOIN pg_namespace n ON n.oid = c.relnamespace "
            "WHERE n.nspname = current_schema() AND c.relname = $1 AND a.attnum > 0 "
            "AND NOT a.attisdropped ORDER BY a.attnum"),
        false);
    columns.bind(1, file->table);
    int keyCount = 0;
    QString key;
    while (columns.step()) {
        const QString column = columns.column(0).toString();
        if (column == rowId())
            continue;
        if (column.compare(QLatin1String(Schema::kOrderColumn), Qt::CaseInsensitive) == 0) {
            file->hasOrder = true;
            continue;
        }
        file->fields.append({column, FieldValue::typeFromSql(columns.column(1).toString())});
        if (columns.columnInt(2) != 0) {
            ++keyCount;
            key = column;
        }
    }
    columns.reset();
    if (keyCount == 1)
        file->key = key;
    return file;
}

void PgBackend::insertRows(const QString& table, const QStringList& columns,
                           const QList<QList<QVariant>>& rows)
{
    QStringList names;
    for (const QString& column : columns)
        names.append(sql::quotedName(column));
    // The values of an INSERT take the types of the columns they go into.
    for (const QList<QList<QVariant>>& part : inStatements(rows, int(columns.size()))) {
        QList<std::optional<QByteArray>> parameters;
        const QString values = valuesList(part, {}, parameters);
        m_connection->execParams(QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
                                     .arg(table, names.join(QStringLiteral(", ")), values)
                                     .toUtf8(),
                                 parameters);
    }
}

void PgBackend::updateRows(const QString& table, const QList<FieldDef>& columns,
                           const QList<QList<QVariant>>& rows)
{
    if (columns.size() < 2)
        return;
    QStringList names, types, assignments;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        const FieldDef& column = columns.at(i);
        const QString name = QStringLiteral("c%1").arg(i);
        names.append(name);
        // A row id is wider than the whole numbers of the fields.
        types.append(i == 0 && column.type == FieldType::Integer ? QStringLiteral("bigint")
                                                                 : columnType(column.type));
        if (i > 0)
            assignments.append(sql::quotedName(column.name) + QStringLiteral(" = v.") + name);
    }
    for (const QList<QList<QVariant>>& part : inStatements(rows, int(columns.size()))) {
        QList<std::optional<QByteArray>> parameters;
        const QString values = valuesList(part, types, parameters);
        m_connection->execParams(
            QStringLiteral("UPDATE %1 AS t SET %2 FROM (VALUES %3) AS v (%4) WHERE t.%5 = v.c0")
                .arg(table, assignments.join(QStringLiteral(", ")), values,
                     names.join(QStringLiteral(", ")), sql::quotedName(columns.first().name))
                .toUtf8(),
            parameters);
    }
}

void PgBackend::commit(const QStringList& writtenTables)
{
    // The notices go with the COMMIT, one way to the server and back; the listeners hear them
    // only if it commits.
    QString notices;
    for (const QString& table : writtenTables)
        notices += QStringLiteral("NOTIFY %1, '%2';")
                       .arg(QLatin1String(PgChangeListener::kChannel),
                            QString(table).replace(QLatin1Char('\''), QLatin1String("''")));
    m_connection->commit(notices);
}

bool PgBackend::listenForChanges(std::function<void(const QStringList&)> heard)
{
    if (!m_listener)
        m_listener = std::make_unique<PgChangeListener>(*m_connection, std::move(heard));
    return true;
}

void PgBackend::lockKeys(const QString& table, const QStringList& keys)
{
    if (keys.isEmpty())
        return;
    // Transaction-level advisory locks on the hashes of table and key, taken in one order by
    // every connection, so that two of them locking overlapping keys never wait on each other.
    PgStatement lock(*m_connection,
                     QStringLiteral("SELECT count(pg_advisory_xact_lock(h)) FROM (SELECT DISTINCT "
                                    "hashtext($1 || '|' || k) AS h FROM "
                                    "jsonb_array_elements_text($2::jsonb) AS k ORDER BY h "
                                    "OFFSET 0) AS locks"),
                     false);
    lock.bind(1, table.toLower());
    lock.bind(2,
              QString::fromUtf8(
                  QJsonDocument(QJsonArray::fromStringList(keys)).toJson(QJsonDocument::Compact)));
    lock.run();
}

bool PgBackend::inTransaction() const
{
    return m_connection->inTransaction();
}

bool PgBackend::lastErrorIsKeyViolation() const
{
    return m_connection->lastState() == kUniqueViolation;
}

void PgBackend::createTable(const TableDef& def)
{
    if (!tableNamed(def.name).isEmpty())
        throw EngineError(QStringLiteral("Table already exists: %1").arg(def.name));
    QStringList columns;
    for (const FieldDef& field : def.fields) {
        QString column = sql::quotedName(field.name) + QLatin1Char(' ') + columnType(field.type);
        if (field.name.compare(def.key, Qt::CaseInsensitive) == 0)
            column += QStringLiteral(" NOT NULL PRIMARY KEY");
        columns.append(column);
    }
    if (def.key.isEmpty()) {
        columns.append(sql::quotedName(QString::fromLatin1(Schema::kOrderColumn)) +
                       QStringLiteral(" bigint NOT NULL DEFAULT 0"));
        columns.append(QStringLiteral("rowid bigserial PRIMARY KEY"));
    } else {
        columns.append(QStringLiteral("rowid bigserial NOT NULL UNIQUE"));
    }
    // One string of statements runs as one transaction: all of them or none.
    QString sql = QStringLiteral("CREATE TABLE %1 (%2);")
                      .arg(sql::quotedName(def.name), columns.join(QStringLiteral(", ")));
    for (const Schema::IndexDef& index : Schema::indexes(def)) {
        QStringList quoted;
        for (const QString& field : index.fields)
            quoted.append(sql::quotedName(field));
        // The order column's ties are broken by the row id, as every walk reads them.
        if (index.fields == QStringList{QString::fromLatin1(Schema::kOrderColumn)})
            quoted.append(rowId());
        sql += QStringLiteral("CREATE INDEX %1 ON %2 (%3);")
                   .arg(sql::quotedName(index.name), sql::quotedName(def.name), quoted.join(", "));
    }
    m_connection->exec(sql);
    m_tables.insert(def.name.toLower(), def.name);
    for (const QString& field : def.searchFields)
        addSearchIndex(def.name, field);
}

void PgBackend::addSearchIndex(const QString& table, const QString& field)
{
    // The name search of a field narrowed by a trigram index of its folded text (pg_trgm, part
    // of the server's standard packages): a search text of three letters or more that matches
    // few names no longer reads the whole table. Without the extension, or without the right to
    // add it to the database, the search reads the table as before: nothing else changes.
    const QString sql =
        QStringLiteral("CREATE EXTENSION IF NOT EXISTS pg_trgm; CREATE INDEX %1 ON %2 USING gin "
                       "(%3 gin_trgm_ops)")
            .arg(sql::quotedName(table + QLatin1Char('_') + field + QStringLiteral("_trigrams")),
                 sql::quotedName(table), folded(sql::quotedName(field)));
    const bool inTransaction = m_connection->inTransaction();
    try {
        m_connection->exec(inTransaction ? QStringLiteral("SAVEPOINT kestar_search; ") + sql +
                                               QStringLiteral("; RELEASE kestar_search")
                                         : sql);
    } catch (const EngineError&) {
        if (inTransaction)
            m_connection->exec(QStringLiteral("ROLLBACK TO kestar_search; RELEASE kestar_search"));
    }
}

} // namespace kestar
