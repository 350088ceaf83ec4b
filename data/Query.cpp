#include "data/Query.h"

#include "data/Backend.h"
#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/FieldValue.h"
#include "data/QueryReader.h"
#include "data/Schema.h"
#include "data/sql/SqlDialect.h"

#include <QHash>
#include <algorithm>
#include <limits>

namespace kestar {

Query::Query(Engine& engine, const QString& sql, QObject* parent)
    : Cursor(parent), m_engine(engine), m_sql(sql)
{
    connect(&m_engine, &Engine::tableWritten, this,
            [this](const QString& path, const QObject* writer) {
                if (!isOpen() || writer == this)
                    return;
                for (const auto& table : std::as_const(m_tables)) {
                    if (table->path == path) {
                        markStale();
                        return;
                    }
                }
            });
    connect(&m_engine, &Engine::aboutToWrite, this, [this] {
        if (isOpen())
            emit aboutToChange();
    });
}

Query::~Query()
{
    if (isOpen())
        emit aboutToChange();
}

void Query::setSql(const QString& statement)
{
    close();
    m_sql = statement;
}

// ---- opening and reading --------------------------------------------------------------------

void Query::open()
{
    if (isOpen())
        return;
    if (m_sql.trimmed().isEmpty())
        throw EngineError(QStringLiteral("No SQL statement to run"));
    QList<std::shared_ptr<const TableFile>> tables;
    const sql::Translation translation = sql::translate(
        m_sql,
        [&](const QString& name) {
            auto file = m_engine.attach(name);
            tables.append(file);
            sql::TableInfo info;
            info.qualified = file->qualified;
            for (const FieldDef& field : file->fields) {
                info.fields.append(field.name);
                info.types.append(field.type);
            }
            if (!file->key.isEmpty())
                info.natural = {file->key};
            else if (file->hasOrder)
                info.natural = {QString::fromLatin1(Schema::kOrderColumn)};
            else
                info.natural = {QStringLiteral("_rowid_")};
            return info;
        },
        &m_engine.backend());

    m_tables = tables;
    m_live = translation.live && tables.size() == 1;
    m_liveTable = m_live ? tables.first() : nullptr;
    m_firstField = translation.live ? 1 : 0;
    QList<FieldDef> fields;
    m_writeFields.clear();
    QList<bool> isTableField;
    for (const QString& column : translation.columns) {
        FieldDef def{column, FieldType::Number};
        bool isField = false;
        for (const auto& table : std::as_const(tables)) {
            for (const FieldDef& field : table->fields) {
                if (!isField && field.name.compare(column, Qt::CaseInsensitive) == 0) {
                    def.type = field.type;
                    m_writeFields.append(field);
                    isField = true;
                }
            }
        }
        if (!isField)
            m_writeFields.append(def);
        isTableField.append(isField);
        fields.append(def);
    }
    setFields(fields);

    m_updates.reset();
    m_delete.reset();
    m_writeColumn.clear();
    m_comparedColumns.clear();
    if (m_live) {
        QStringList names;
        QHash<QString, int> first;
        for (int i = 0; i < m_writeFields.size(); ++i) {
            names.append(m_writeFields.at(i).name);
            const QString name = m_writeFields.at(i).name.toUpper();
            m_writeColumn.append(first.value(name, i));
            first.insert(name, m_writeColumn.last());
            if (isTableField.at(i) && m_writeColumn.last() == i)
                m_comparedColumns.append(i);
        }
        Backend& backend = m_engine.backend();
        m_updates = std::make_unique<RowUpdates>(backend, m_liveTable->qualified, names);
        m_delete = backend.prepare(backend.spell(
            QStringLiteral("DELETE FROM %1 WHERE rowid=?1").arg(m_liveTable->qualified)));
    }
    m_reader = std::make_unique<QueryReader>(m_engine, translation,
                                             tables.size() == 1 ? tables.first() : nullptr,
                                             int(fieldList().size()) + m_firstField, m_inPages);
    run();
    setState(DatasetState::Browse);
    clearStale();
    setCurrent(m_rows.size() > 0 ? 0 : -1);
    m_bof = true;
    m_eof = m_rows.size() == 0;
    emit stateChanged();
    emit rowsReset();
    emit currentChanged();
}

void Query::run()
{
    m_reader->start(m_rows);
}

void Query::readTo(qint64 row)
{
    while (row >= m_rows.size() && canReadMore())
        readMore();
}

bool Query::canReadMore() const
{
    return isOpen() && m_reader && m_reader->hasMore();
}

void Query::readMore()
{
    if (!canReadMore())
        return;
    const qint64 before = m_rows.size();
    m_reader->readMore(m_rows);
    if (m_rows.size() > before)
        emit rowsAdded(before, m_rows.size() - 1);
}

void Query::close()
{
    if (!isOpen())
        return;
    emit aboutToChange();
    setState(DatasetState::Closed);
    clearPending();
    m_rows.clear(0);
    m_current = -1;
    m_eof = m_bof = true;
    m_updates.reset();
    m_delete.reset();
    m_reader.reset();
    m_tables.clear();
    m_liveTable.reset();
    emit stateChanged();
    emit rowsReset();
}

void Query::reread()
{
    emit aboutToChange();
    const qint64 oldRow = m_current;
    const qint64 oldRowid = (m_live && oldRow >= 0) ? m_rows.value(oldRow, 0).toLongLong() : -1;
    const qint64 oldCount = m_rows.size();
    run();
    // A result read in pages is read again as far as it had been.
    readTo(qMax(oldCount, oldRow + 1) - 1);
    qint64 row = -1;
    if (m_rows.size() > 0) {
        row = qBound<qint64>(0, oldRow, m_rows.size() - 1);
        if (m_live && oldRowid >= 0) {
            for (qint64 r = 0; r < m_rows.size(); ++r) {
                if (m_rows.value(r, 0).toLongLong() == oldRowid) {
                    row = r;
                    break;
                }
            }
        }
    }
    m_current = row;
    if (row < 0)
        m_eof = m_bof = true;
}

void Query::refresh()
{
    checkOpen();
    finishPending();
    clearStale();
    reread();
    emit rowsReset();
    emit currentChanged();
}

// ---- moving ---------------------------------------------------------------------------------

void Query::setCurrent(qint64 row)
{
    m_current = row;
    emit currentChanged();
}

void Query::first()
{
    beginMove();
    setCurrent(m_rows.size() > 0 ? 0 : -1);
    m_bof = true;
    m_eof = m_rows.size() == 0;
}

void Query::last()
{
    beginMove();
    readTo(std::numeric_limits<qint64>::max());
    setCurrent(m_rows.size() - 1);
    m_bof = m_rows.size() == 0;
    m_eof = m_rows.size() == 0;
}

void Query::next()
{
    beginMove();
    readTo(m_current + 1);
    if (m_current + 1 < m_rows.size()) {
        setCurrent(m_current + 1);
        m_bof = m_eof = false;
    } else {
        m_eof = true;
    }
}

void Query::prior()
{
    beginMove();
    if (m_current > 0) {
        setCurrent(m_current - 1);
        m_bof = m_eof = false;
    } else {
        m_bof = true;
    }
}

void Query::moveTo(qint64 row)
{
    beginMove();
    readTo(row);
    if (m_rows.size() == 0)
        return;
    setCurrent(qBound<qint64>(0, row, m_rows.size() - 1));
    m_bof = m_eof = false;
}

bool Query::eof() const
{
    refreshIfStale();
    return !isOpen() || (state() != DatasetState::Insert && m_eof);
}

bool Query::bof() const
{
    refreshIfStale();
    return !isOpen() || (state() != DatasetState::Insert && m_bof);
}

bool Query::isEmpty() const
{
    refreshIfStale();
    return !isOpen() || (m_rows.size() == 0 && state() != DatasetState::Insert);
}

qint64 Query::rowCount() const
{
    if (!isOpen())
        return 0;
    refreshIfStale();
    return m_rows.size() + (state() == DatasetState::Insert ? 1 : 0);
}

qint64 Query::position() const
{
    if (!isOpen())
        return -1;
    refreshIfStale();
    if (state() == DatasetState::Insert)
        return m_current < 0 ? 0 : m_current;
    return m_current;
}

// ---- fields ---------------------------------------------------------------------------------

QVariant Query::storedValue(qint64 row, int field) const
{
    if (isPending() && row == m_current)
        return m_buffer.value(field);
    if (row < 0 || row >= m_rows.size())
        return {};
    return m_rows.value(row, field + m_firstField);
}

const FieldDef& Query::writeField(int field) const
{
    return m_writeFields.at(field);
}

QString Query::text(const QString& field) const
{
    const int index = checkedField(field);
    refreshIfStale();
    return FieldValue::toText(storedValue(m_current, index), fieldList().at(index).type);
}

double Query::number(const QString& field) const
{
    const int index = checkedField(field);
    refreshIfStale();
    return FieldValue::toNumber(storedValue(m_current, index), fieldList().at(index));
}

QString Query::textAt(qint64 row, int column) const
{
    if (!isOpen() || column < 0 || column >= fieldList().size())
        return {};
    refreshIfStale();
    return FieldValue::toText(storedValue(row, column), fieldList().at(column).type);
}

void Query::setText(const QString& field, const QString& text)
{
    checkedField(field);
    checkWritable();
    Cursor::setText(field, text);
}

void Query::setNumber(const QString& field, double value)
{
    checkedField(field);
    checkWritable();
    Cursor::setNumber(field, value);
}

QVariant Query::storedFromText(int field, const QString& text) const
{
    return FieldValue::fromText(text, writeField(field));
}

QVariant Query::storedFromNumber(int field, double value) const
{
    return FieldValue::fromNumber(value, writeField(field));
}

// ---- editing --------------------------------------------------------------------------------

void Query::insert()
{
    checkWritable();
    throw EngineError(QStringLiteral("U rezultat upita ne mogu da se dodaju redovi!!!"));
}

QList<QVariant> Query::currentRow()
{
    m_editTransaction = m_engine.transactionNumber();
    QList<QVariant> row;
    for (int i = 0; i < fieldList().size(); ++i)
        row.append(m_rows.value(m_current, i + m_firstField));
    return row;
}

void Query::editWithoutRow()
{
    throw EngineError(QStringLiteral("Cannot perform this operation on an empty dataset"));
}

void Query::afterCancel(bool)
{
    emit rowChanged(m_current);
}

void Query::postPending()
{
    const qint64 rowid = m_rows.value(m_current, 0).toLongLong();
    // Each table field is written once, from the column that changed it.
    QList<int> changed;
    for (const int column : changedColumns(m_original, m_buffer)) {
        const int target = m_writeColumn.at(column);
        if (target != column) {
            if (changed.contains(target))
                continue;
            m_buffer[target] = m_buffer.at(column);
        }
        changed.append(target);
    }
    std::sort(changed.begin(), changed.end());
    changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    // An edit the program began inside the running transaction is one of its own steps. Any
    // other first compares, under a lock, the fields it writes with what it read.
    const bool ownStep =
        m_editTransaction != 0 && m_editTransaction == m_engine.transactionNumber();
    if (!changed.isEmpty()) {
        RowUpdates::writeUnlessChanged(
            m_engine, m_liveTable->path, this, false,
            [&]() {
                return ownStep ? RowUpdates::Since::Unchanged
                               : m_updates->since(rowid, comparable(changed), m_original);
            },
            [&]() { m_updates->write(rowid, changed, m_buffer); }, [&]() { showRowsAsTheyAre(); });
    }
    QList<QVariant> row{QVariant(rowid)};
    row.append(m_buffer);
    m_rows.replace(m_current, row);
    setState(DatasetState::Browse);
    clearPending();
    emit rowChanged(m_current);
    emit stateChanged();
}

void Query::remove()
{
    checkWritable();
    if (state() == DatasetState::Edit)
        cancel();
    refreshIfStale();
    if (m_current < 0)
        throw EngineError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    const qint64 rowid = m_rows.value(m_current, 0).toLongLong();
    // The row goes only as the user saw it.
    RowUpdates::writeUnlessChanged(
        m_engine, m_liveTable->path, this, true,
        [&]() { return m_updates->since(rowid, m_comparedColumns, currentRow()); },
        [&]() {
            m_delete->bind(1, rowid);
            m_delete->run();
        },
        [&]() { showRowsAsTheyAre(); });
    m_rows.remove(m_current);
    if (m_current >= m_rows.size()) {
        m_current = m_rows.size() - 1;
        m_eof = true;
    }
    if (m_current < 0)
        m_eof = m_bof = true;
    emit rowsReset();
    emit currentChanged();
}

QList<int> Query::comparable(const QList<int>& columns) const
{
    QList<int> fields;
    for (const int column : columns) {
        if (m_comparedColumns.contains(column))
            fields.append(column);
    }
    return fields;
}

void Query::showRowsAsTheyAre()
{
    // The pending values go; the rows are read anew, the cursor staying on the same row while
    // it is there.
    setState(DatasetState::Browse);
    clearPending();
    clearStale();
    reread();
    emit rowsReset();
    emit stateChanged();
    emit currentChanged();
}

} // namespace kestar
