#include "data/pg/PgConnection.h"

#include "data/EngineError.h"

#include <QVarLengthArray>
#include <atomic>
#include <libpq-fe.h>
#include <thread>

namespace kestar {

namespace {

std::atomic<qint64> addedDelayMicroseconds{0};

QString connectionError(pg_conn* conn)
{
    return QString::fromUtf8(PQerrorMessage(conn)).trimmed();
}

} // namespace

PgConnection::PgConnection(const QString& connectionString)
{
    m_conn = PQconnectdb(connectionString.toUtf8().constData());
    m_database = m_conn && PQdb(m_conn) ? QString::fromUtf8(PQdb(m_conn)) : connectionString;
    if (!m_conn || PQstatus(m_conn) != CONNECTION_OK) {
        const QString error = m_conn ? connectionError(m_conn) : QStringLiteral("out of memory");
        PQfinish(m_conn);
        m_conn = nullptr;
        throw EngineError(
            QStringLiteral("Baza podataka %1 nije dostupna!!! %2").arg(m_database, error));
    }
    setUpSession();
}

PgConnection::~PgConnection()
{
    PQfinish(m_conn);
}

void PgConnection::setUpSession()
{
    // Dates cross as ISO text, numbers as the shortest text that reads back the same.
    PGresult* result = PQexec(m_conn, "SET client_encoding = 'UTF8'; SET DateStyle = 'ISO, YMD';"
                                      " SET extra_float_digits = 1;"
                                      " SET client_min_messages = warning");
    PQclear(check(result));
}

QByteArray PgConnection::nextStatementName()
{
    return "k" + QByteArray::number(++m_nextName);
}

QString PgConnection::lostText() const
{
    return QStringLiteral("Veza sa bazom podataka %1 je prekinuta!!! Sta nije bilo zavrseno nije "
                          "upamceno; ponovite radnju kada baza bude ponovo dostupna.")
        .arg(m_database);
}

QString PgConnection::undecidedText() const
{
    return QStringLiteral("Veza sa bazom podataka %1 je prekinuta dok se upis zavrsavao!!! Nije "
                          "poznato da li je upamceno; proverite pre nego sto ponovite radnju.")
        .arg(m_database);
}

void PgConnection::raiseLost()
{
    m_lastState.clear();
    throw EngineError(lostText());
}

void PgConnection::ensureOpen()
{
    if (PQstatus(m_conn) != CONNECTION_OK) {
        if (m_lostTransaction)
            raiseLost();
        connectAnew();
        if (PQstatus(m_conn) != CONNECTION_OK)
            raiseLost();
    }
    const PGTransactionStatusType status = PQtransactionStatus(m_conn);
    m_transactionBefore = status == PQTRANS_INTRANS || status == PQTRANS_INERROR;
    if (!m_unused.isEmpty() && status != PQTRANS_INERROR) {
        const QList<QByteArray> names = std::exchange(m_unused, {});
        for (const QByteArray& name : names)
            deallocate(name);
    }
}

void PgConnection::connectAnew()
{
    PQreset(m_conn);
    if (PQstatus(m_conn) != CONNECTION_OK)
        return;
    ++m_generation;
    m_unused.clear();
    setUpSession();
}

void PgConnection::setAddedRoundTripDelay(std::chrono::microseconds delay)
{
    addedDelayMicroseconds = delay.count();
}

void PgConnection::waitAddedDelay()
{
    const qint64 delay = addedDelayMicroseconds;
    if (delay > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(delay));
}

pg_result* PgConnection::check(pg_result* result)
{
    waitAddedDelay();
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
        m_lastState.clear();
        if (m_afterResult)
            m_afterResult();
        return result;
    }
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    const QString text = primary ? QString::fromUtf8(primary) : connectionError(m_conn);
    PQclear(result);
    if (PQstatus(m_conn) != CONNECTION_OK) {
        // Whatever an open transaction held is gone with the connection.
        m_lostTransaction = m_transactionBefore;
        raiseLost();
    }
    m_lastState = state ? QByteArray(state) : QByteArray();
    throw EngineError(text);
}

void PgConnection::exec(const QString& sql)
{
    ensureOpen();
    PQclear(check(PQexec(m_conn, sql.toUtf8().constData())));
}

pg_result* PgConnection::runParams(const QByteArray& sql,
                                   const QList<std::optional<QByteArray>>& parameters)
{
    ensureOpen();
    QVarLengthArray<const char*, 64> values(parameters.size());
    for (qsizetype i = 0; i < parameters.size(); ++i)
        values[i] = parameters.at(i) ? parameters.at(i)->constData() : nullptr;
    return check(PQexecParams(m_conn, sql.constData(), int(values.size()), nullptr,
                              values.constData(), nullptr, nullptr, 0));
}

void PgConnection::execParams(const QByteArray& sql,
                              const QList<std::optional<QByteArray>>& parameters)
{
    PQclear(runParams(sql, parameters));
}

void PgConnection::rollback()
{
    if (PQstatus(m_conn) != CONNECTION_OK) {
        m_lostTransaction = false;
        return;
    }
    if (PQtransactionStatus(m_conn) == PQTRANS_IDLE)
        return;
    PQclear(check(PQexec(m_conn, "ROLLBACK")));
}

QByteArray PgConnection::value(const QByteArray& sql,
                                 const QList<std::optional<QByteArray>>& parameters)
{
    PGresult* result = runParams(sql, parameters);
    const QByteArray text = PQntuples(result) > 0 && !PQgetisnull(result, 0, 0)
                                ? QByteArray(PQgetvalue(result, 0, 0))
                                : QByteArray();
    PQclear(result);
    return text;
}

void PgConnection::commit(const QString& statementsFirst)
{
    // Which transaction this is, asked before the COMMIT goes out: an answer lost with the
    // connection would otherwise leave the user told "not saved" about a document the server
    // kept, and the document posted twice. Nothing written, nothing to ask about later.
    const QByteArray xid = value("SELECT pg_current_xact_id_if_assigned()", {});
    try {
        exec(statementsFirst + QStringLiteral("COMMIT"));
    } catch (const EngineError&) {
        if (PQstatus(m_conn) == CONNECTION_OK || xid.isEmpty())
            throw;
        settleLostCommit(xid);
    }
}

void PgConnection::settleLostCommit(const QByteArray& xid)
{
    // Kept or thrown away, the transaction is over: the next statements run on a new
    // connection.
    m_lostTransaction = false;
    connectAnew();
    if (PQstatus(m_conn) != CONNECTION_OK)
        throw EngineError(undecidedText());
    // The session that ran the COMMIT may still be finishing it; it ends once it finds its
    // client gone.
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray status;
        try {
            status = value("SELECT pg_xact_status($1::xid8)", {xid});
        } catch (const EngineError&) {
            throw EngineError(undecidedText());
        }
        if (status == "committed")
            return;
        if (status != "in progress")
            throw EngineError(lostText());
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    throw EngineError(undecidedText());
}

bool PgConnection::inTransaction() const
{
    if (PQstatus(m_conn) != CONNECTION_OK)
        return m_lostTransaction;
    const PGTransactionStatusType status = PQtransactionStatus(m_conn);
    return status == PQTRANS_INTRANS || status == PQTRANS_INERROR || status == PQTRANS_ACTIVE;
}

void PgConnection::deallocate(const QByteArray& name)
{
    if (PQstatus(m_conn) != CONNECTION_OK)
        return;
    if (PQtransactionStatus(m_conn) == PQTRANS_INERROR) {
        m_unused.append(name);
        return;
    }
    PQclear(PQexec(m_conn, ("DEALLOCATE " + name).constData()));
    waitAddedDelay();
}

} // namespace kestar
