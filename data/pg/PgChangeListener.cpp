#include "data/pg/PgChangeListener.h"

#include "data/EngineError.h"
#include "data/pg/PgConnection.h"

#include <QMetaObject>
#include <QSocketNotifier>
#include <libpq-fe.h>

namespace kestar {

PgChangeListener::PgChangeListener(PgConnection& connection,
                                   std::function<void(const QStringList&)> heard)
    : m_connection(connection), m_heard(std::move(heard))
{
    try {
        listen();
    } catch (const EngineError&) {
        // Tried again after the next result of the connection.
        m_generation = -1;
    }
    m_connection.setAfterResult([this]() { afterResult(); });
}

PgChangeListener::~PgChangeListener()
{
    m_connection.setAfterResult({});
}

void PgChangeListener::listen()
{
    // Outside a transaction only: a LISTEN inside one would end with its rollback.
    m_connection.exec(QStringLiteral("LISTEN %1").arg(QLatin1String(kChannel)));
    m_generation = m_connection.generation();
    m_notifier =
        std::make_unique<QSocketNotifier>(PQsocket(m_connection.handle()), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &PgChangeListener::wake);
}

void PgChangeListener::afterResult()
{
    collect();
    if (m_generation != m_connection.generation()) {
        // The socket watched is that of the connection that was lost.
        if (m_notifier)
            m_notifier->setEnabled(false);
        scheduleWake();
    } else if (!m_tables.isEmpty()) {
        scheduleWake();
    }
}

void PgChangeListener::collect()
{
    pg_conn* conn = m_connection.handle();
    const int self = PQbackendPID(conn);
    while (PGnotify* notice = PQnotifies(conn)) {
        if (notice->be_pid != self)
            m_tables.insert(QString::fromUtf8(notice->extra));
        PQfreemem(notice);
    }
}

void PgChangeListener::scheduleWake()
{
    if (m_wakeQueued)
        return;
    m_wakeQueued = true;
    QMetaObject::invokeMethod(this, &PgChangeListener::wake, Qt::QueuedConnection);
}

void PgChangeListener::wake()
{
    m_wakeQueued = false;
    pg_conn* conn = m_connection.handle();
    if (m_generation != m_connection.generation()) {
        // The connection was made anew: it listens again, and whatever was sent meanwhile is
        // unknown, so every table counts as written.
        if (PQstatus(conn) != CONNECTION_OK || PQtransactionStatus(conn) != PQTRANS_IDLE)
            return; // tried again after the next result
        m_tables.clear();
        try {
            listen();
        } catch (const EngineError&) {
            return;
        }
        m_heard({});
        return;
    }
    if (PQstatus(conn) == CONNECTION_OK && PQconsumeInput(conn) == 0) {
        // The server is gone: the socket would stay readable for ever. The next statement
        // connects anew, and the new connection is listened to then.
        if (m_notifier)
            m_notifier->setEnabled(false);
    }
    collect();
    if (m_tables.isEmpty())
        return;
    QStringList tables = m_tables.values();
    m_tables.clear();
    tables.sort();
    m_heard(tables);
}

} // namespace kestar
