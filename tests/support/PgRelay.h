#pragma once

#include <QString>
#include <QTemporaryDir>
#include <atomic>
#include <mutex>
#include <thread>

namespace kestar::test {

// A socket of its own in front of the test server: libpq connects through it and every byte
// goes on to the server and back, until it is told to cut the connection at the next COMMIT,
// as a network or a server that goes away at the worst moment would. Runs its own thread,
// since the program waits for the server without an event loop.
class PgRelay
{
public:
    enum class Cut {
        BeforeCommit, // the COMMIT never reaches the server
        AfterCommit,  // the server commits, its answer never comes back
    };

    PgRelay();
    ~PgRelay();
    PgRelay(const PgRelay&) = delete;
    PgRelay& operator=(const PgRelay&) = delete;

    // A libpq connection string to database through the relay.
    QString connection(const QString& database) const;
    // The next message that holds a COMMIT ends its connection as cut says; with refuseAfter,
    // every later connection is closed at once, as a server that stays away.
    void cutAtNextCommit(Cut cut, bool refuseAfter = false);
    // How many connections it has cut.
    int cuts() const { return m_cuts; }

private:
    void run();

    QTemporaryDir m_folder;
    QString m_server;
    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    std::mutex m_mutex;
    bool m_armed = false;
    Cut m_cut = Cut::AfterCommit;
    bool m_refuseAfter = false;
    std::atomic<int> m_cuts{0};
    std::thread m_thread;
};

} // namespace kestar::test
