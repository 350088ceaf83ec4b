#include "data/pg/PgStatement.h"

#include "data/EngineError.h"
#include "data/RowStore.h"
#include "data/pg/PgConnection.h"

#include <QVarLengthArray>
#include <cstring>
#include <libpq-fe.h>
#include <limits>

namespace kestar {

namespace {

// Type oids of pg_type that the engine's tables and results use.
constexpr Oid kBool = 16;
constexpr Oid kInt8 = 20;
constexpr Oid kInt2 = 21;
constexpr Oid kInt4 = 23;
constexpr Oid kFloat4 = 700;
constexpr Oid kFloat8 = 701;
constexpr Oid kNumeric = 1700;

enum class Kind
{
    Integer,
    Real,
    Text
};

Kind kindOf(const PGresult* result, int column, const char* value)
{
    switch (PQftype(result, column)) {
    case kInt2:
    case kInt4:
    case kInt8:
    case kBool:
        return Kind::Integer;
    case kFloat4:
    case kFloat8:
        return Kind::Real;
    case kNumeric:
        // A sum of whole numbers is a whole number, as SQLite gives it.
        return std::strpbrk(value, ".eEN") ? Kind::Real : Kind::Integer;
    default:
        return Kind::Text;
    }
}

qint64 integerOf(const char* value, Oid type)
{
    if (type == kBool)
        return value[0] == 't' ? 1 : 0;
    return QByteArray::fromRawData(value, qsizetype(std::strlen(value))).toLongLong();
}

double realOf(const char* value)
{
    const QByteArray text = QByteArray::fromRawData(value, qsizetype(std::strlen(value)));
    if (text == "Infinity")
        return std::numeric_limits<double>::infinity();
    if (text == "-Infinity")
        return -std::numeric_limits<double>::infinity();
    return text.toDouble();
}

} // namespace

PgStatement::PgStatement(PgConnection& connection, const QString& sql, bool returningRowId)
    : m_connection(connection), m_sql(sql.toUtf8()), m_returningRowId(returningRowId)
{
    m_connection.ensureOpen();
    prepareOnServer();
}

PgStatement::~PgStatement()
{
    PQclear(m_result);
    if (m_generation == m_connection.generation())
        m_connection.deallocate(m_name);
}

void PgStatement::prepareOnServer()
{
    m_name = m_connection.nextStatementName();
    PQclear(m_connection.check(
        PQprepare(m_connection.handle(), m_name.constData(), m_sql.constData(), 0, nullptr)));
    m_generation = m_connection.generation();
}

std::optional<QByteArray> PgStatement::parameterText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return std::nullopt;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Bool:
        return QByteArray::number(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return QByteArray::number(value.toDouble(), 'g', 17);
    default:
        return value.toString().toUtf8();
    }
}

void PgStatement::bind(int index, const QVariant& value)
{
    if (index < 1)
        throw EngineError(QStringLiteral("column index out of range"));
    while (m_parameters.size() < index)
        m_parameters.append(std::nullopt);
    m_parameters[index - 1] = parameterText(value);
}

void PgStatement::reset()
{
    PQclear(m_result);
    m_result = nullptr;
    m_row = -1;
    m_rows = 0;
    m_parameters.clear();
}

void PgStatement::execute()
{
    m_connection.ensureOpen();
    if (m_generation != m_connection.generation())
        prepareOnServer();
    QVarLengthArray<const char*, 32> values(m_parameters.size());
    for (int i = 0; i < m_parameters.size(); ++i)
        values[i] = m_parameters.at(i) ? m_parameters.at(i)->constData() : nullptr;
    m_result = m_connection.check(PQexecPrepared(m_connection.handle(), m_name.constData(),
                                                 int(values.size()), values.constData(), nullptr,
                                                 nullptr, 0));
    m_rows = PQntuples(m_result);
    const char* changed = PQcmdTuples(m_result);
    m_changes = changed && *changed ? QByteArray(changed).toLongLong() : 0;
    if (m_returningRowId) {
        if (m_rows > 0)
            m_newRowId = QByteArray(PQgetvalue(m_result, 0, 0)).toLongLong();
        m_rows = 0;
    }
}

bool PgStatement::step()
{
    if (!m_result)
        execute();
    if (m_row + 1 >= m_rows) {
        m_row = m_rows;
        return false;
    }
    ++m_row;
    return true;
}

int PgStatement::columnCount() const
{
    return m_result ? PQnfields(m_result) : 0;
}

QVariant PgStatement::column(int index) const
{
    if (!m_result || m_row < 0 || m_row >= m_rows || PQgetisnull(m_result, m_row, index))
        return {};
    const char* value = PQgetvalue(m_result, m_row, index);
    switch (kindOf(m_result, index, value)) {
    case Kind::Integer:
        return QVariant(integerOf(value, PQftype(m_result, index)));
    case Kind::Real:
        return QVariant(realOf(value));
    case Kind::Text:
        break;
    }
    return QVariant(QString::fromUtf8(value, PQgetlength(m_result, m_row, index)));
}

qint64 PgStatement::columnInt(int index) const
{
    if (!m_result || m_row < 0 || m_row >= m_rows || PQgetisnull(m_result, m_row, index))
        return 0;
    const char* value = PQgetvalue(m_result, m_row, index);
    if (kindOf(m_result, index, value) == Kind::Real)
        return qint64(realOf(value));
    return integerOf(value, PQftype(m_result, index));
}

QString PgStatement::columnName(int index) const
{
    return m_result ? QString::fromUtf8(PQfname(m_result, index)) : QString();
}

void PgStatement::appendRow(RowStore& rows, int first, const QBitArray* wanted) const
{
    using Cell = RowStore::Cell;
    QVarLengthArray<Cell, 64> cells(rows.columns());
    for (int c = 0; c < rows.columns(); ++c) {
        Cell& cell = cells[c];
        const int column = first + c;
        if (wanted && !wanted->testBit(c)) {
            cell.kind = Cell::Missing;
            continue;
        }
        if (PQgetisnull(m_result, m_row, column)) {
            cell.kind = Cell::Null;
            continue;
        }
        const char* value = PQgetvalue(m_result, m_row, column);
        switch (kindOf(m_result, column, value)) {
        case Kind::Integer:
            cell.kind = Cell::Integer;
            cell.integer = integerOf(value, PQftype(m_result, column));
            break;
        case Kind::Real:
            cell.kind = Cell::Real;
            cell.real = realOf(value);
            break;
        case Kind::Text:
            // The bytes stay the answer's until reset(); the store copies them now.
            cell.kind = Cell::Text;
            cell.bytes = value;
            cell.length = PQgetlength(m_result, m_row, column);
            break;
        }
    }
    rows.appendCells(cells.constData());
}

} // namespace kestar
