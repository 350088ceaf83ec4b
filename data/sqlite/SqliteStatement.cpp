#include "data/sqlite/SqliteStatement.h"

#include "data/EngineError.h"
#include "data/RowStore.h"

#include <QVarLengthArray>

#include <sqlite3.h>

namespace kestar {

SqliteStatement::SqliteStatement(sqlite3* db, const QString& sql) : m_db(db)
{
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &m_stmt, nullptr) != SQLITE_OK) {
        const QString error = sqliteError(db);
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw EngineError(error);
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : m_db(other.m_db), m_stmt(other.m_stmt)
{
    other.m_stmt = nullptr;
}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_db = other.m_db;
        m_stmt = other.m_stmt;
        other.m_stmt = nullptr;
    }
    return *this;
}

void SqliteStatement::bind(int index, const QVariant& value)
{
    int rc = SQLITE_OK;
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        rc = sqlite3_bind_null(m_stmt, index);
        break;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Bool:
        rc = sqlite3_bind_int64(m_stmt, index, value.toLongLong());
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        rc = sqlite3_bind_double(m_stmt, index, value.toDouble());
        break;
    default: {
        const QByteArray text = value.toString().toUtf8();
        rc = sqlite3_bind_text(m_stmt, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        break;
    }
    }
    if (rc != SQLITE_OK)
        throw EngineError(sqliteError(m_db));
}

void SqliteStatement::reset()
{
    if (!m_stmt)
        return;
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

bool SqliteStatement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const QString error = sqliteError(m_db);
    sqlite3_reset(m_stmt);
    throw EngineError(error);
}

void SqliteStatement::appendRow(RowStore& rows, int first, const QBitArray* wanted) const
{
    // A walk copies every field of every row it passes, so a row takes one call into the
    // statement per column (its values are read directly; this connection serves one thread)
    // and one growth of the store. Text is taken as the bytes SQLite holds (UTF-8 already):
    // asking for it as text would copy each value to end it with a zero.
    using Cell = RowStore::Cell;
    QVarLengthArray<Cell, 64> cells(rows.columns());
    for (int c = 0; c < rows.columns(); ++c) {
        Cell& cell = cells[c];
        if (wanted && !wanted->testBit(c)) {
            cell.kind = Cell::Missing;
            continue;
        }
        sqlite3_value* value = sqlite3_column_value(m_stmt, first + c);
        switch (sqlite3_value_type(value)) {
        case SQLITE_INTEGER:
            cell.kind = Cell::Integer;
            cell.integer = sqlite3_value_int64(value);
            break;
        case SQLITE_FLOAT:
            cell.kind = Cell::Real;
            cell.real = sqlite3_value_double(value);
            break;
        case SQLITE_NULL:
            cell.kind = Cell::Null;
            break;
        default:
            cell.kind = Cell::Text;
            cell.bytes = sqlite3_value_blob(value);
            cell.length = sqlite3_value_bytes(value);
            break;
        }
    }
    rows.appendCells(cells.constData());
}

qint64 SqliteStatement::changes() const
{
    return sqlite3_changes64(m_db);
}

qint64 SqliteStatement::newRowId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

int SqliteStatement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

QVariant SqliteStatement::column(int index) const
{
    switch (sqlite3_column_type(m_stmt, index)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(m_stmt, index)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, index));
    case SQLITE_NULL:
        return {};
    default: {
        const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, index));
        return QVariant(QString::fromUtf8(data, sqlite3_column_bytes(m_stmt, index)));
    }
    }
}

qint64 SqliteStatement::columnInt(int index) const
{
    return sqlite3_column_int64(m_stmt, index);
}

QString SqliteStatement::columnName(int index) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt, index));
}

QString SqliteStatement::columnDeclType(int index) const
{
    const char* type = sqlite3_column_decltype(m_stmt, index);
    return type ? QString::fromUtf8(type) : QString();
}

void sqliteExec(sqlite3* db, const QString& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const QString error = message ? QString::fromUtf8(message) : sqliteError(db);
        sqlite3_free(message);
        throw EngineError(error);
    }
}

QString sqliteError(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

} // namespace kestar
