#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace kestar {

class PgConnection;

// Hears which tables the other connections to the database commit writes to: each committing
// transaction of the program sends one notice per table it wrote on the channel kChannel (see
// PgBackend::commit), and this connection LISTENs there. libpq runs one query at a time,
// so the connection's socket is watched from the event loop, between statements; notices
// that arrive with the results of the program's own statements are collected as each result
// comes in and handed on from the event loop too. Notices the connection sent itself are
// left out: its own writes are known already.
class PgChangeListener : public QObject
{
public:
    static constexpr const char* kChannel = "kestar_changes";

    // heard: called from the event loop with the names of the tables written elsewhere, or an
    // empty list when notices may have been missed (the connection was made anew).
    PgChangeListener(PgConnection& connection, std::function<void(const QStringList&)> heard);
    ~PgChangeListener() override;

private:
    // After every result of the connection: takes the notices that came with it.
    void afterResult();
    void collect();
    void scheduleWake();
    // From the event loop: reads what the socket holds and hands the notices on.
    void wake();
    void listen();

    PgConnection& m_connection;
    std::function<void(const QStringList&)> m_heard;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QSet<QString> m_tables;
    int m_generation = -1; // of the connection that LISTENs
    bool m_wakeQueued = false;
};

} // namespace kestar
