#include "tests/support/PgRelay.h"

#include <QByteArray>
#include <QDir>
#include <cstring>
#include <string.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace kestar::test {

namespace {

QString port()
{
    const QString value = qEnvironmentVariable("PGPORT");
    return value.isEmpty() ? QStringLiteral("5432") : value;
}

sockaddr_un addressOf(const QString& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(path);
    if (size_t(bytes.size()) >= sizeof(address.sun_path))
        throw std::runtime_error("socket path too long");
    std::memcpy(address.sun_path, bytes.constData(), size_t(bytes.size()));
    return address;
}

bool sendAll(int fd, const char* data, ssize_t size)
{
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size_t(size), MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        data += sent;
        size -= sent;
    }
    return true;
}

// One client of the relay and its connection to the server.
struct Pair
{
    int client = -1;
    int server = -1;
    bool dropAnswer = false; // the COMMIT went on; whatever the server says next is lost
};

} // namespace

PgRelay::PgRelay()
{
    const QString host = qEnvironmentVariable("PGHOST");
    m_server = QDir(host.isEmpty() ? QStringLiteral("/var/run/postgresql") : host)
                   .filePath(QStringLiteral(".s.PGSQL.") + port());
    const sockaddr_un address =
        addressOf(QDir(m_folder.path()).filePath(QStringLiteral(".s.PGSQL.") + port()));
    m_listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<const sockaddr*>(&address),
                                 sizeof(address)) != 0 ||
        ::listen(m_listener, 16) != 0 || ::pipe(m_wake) != 0)
        throw std::runtime_error("the relay cannot listen");
    m_thread = std::thread([this] { run(); });
}

PgRelay::~PgRelay()
{
    const char stop = 's';
    (void)::write(m_wake[1], &stop, 1);
    m_thread.join();
    ::close(m_listener);
    ::close(m_wake[0]);
    ::close(m_wake[1]);
}

QString PgRelay::connection(const QString& database) const
{
    return QStringLiteral("host=%1 port=%2 dbname=%3").arg(m_folder.path(), port(), database);
}

void PgRelay::cutAtNextCommit(Cut cut, bool refuseAfter)
{
    std::lock_guard lock(m_mutex);
    m_armed = true;
    m_cut = cut;
    m_refuseAfter = refuseAfter;
}

void PgRelay::run()
{
    std::vector<Pair> pairs;
    bool refusing = false;
    const auto close = [](Pair& pair) {
        ::close(pair.client);
        ::close(pair.server);
        pair.client = pair.server = -1;
    };
    char buffer[65536];
    for (;;) {
        std::vector<pollfd> watched{{m_wake[0], POLLIN, 0}, {m_listener, POLLIN, 0}};
        for (const Pair& pair : pairs) {
            watched.push_back({pair.client, POLLIN, 0});
            watched.push_back({pair.server, POLLIN, 0});
        }
        if (::poll(watched.data(), watched.size(), -1) < 0)
            continue;
        if (watched[0].revents)
            break;
        if (watched[1].revents & POLLIN) {
            Pair pair;
            pair.client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            const sockaddr_un server = addressOf(m_server);
            pair.server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (refusing || pair.client < 0 || pair.server < 0 ||
                ::connect(pair.server, reinterpret_cast<const sockaddr*>(&server),
                          sizeof(server)) != 0)
                close(pair);
            else
                pairs.push_back(pair);
        }
        for (size_t i = 0; i < pairs.size(); ++i) {
            Pair& pair = pairs[i];
            const pollfd& client = watched[2 + 2 * i];
            const pollfd& server = watched[3 + 2 * i];
            if (client.revents && pair.client >= 0) {
                const ssize_t size = ::recv(pair.client, buffer, sizeof(buffer), 0);
                bool cut = false;
                if (size > 0 && ::memmem(buffer, size_t(size), "COMMIT", 6)) {
                    std::lock_guard lock(m_mutex);
                    if (m_armed) {
                        m_armed = false;
                        cut = true;
                        refusing = m_refuseAfter;
                        if (m_cut == Cut::AfterCommit)
                            pair.dropAnswer = true;
                    }
                }
                if (size <= 0 || (cut && !pair.dropAnswer) ||
                    !sendAll(pair.server, buffer, size)) {
                    m_cuts += cut ? 1 : 0;
                    close(pair);
                    continue;
                }
            }
            if (server.revents && pair.server >= 0) {
                const ssize_t size = ::recv(pair.server, buffer, sizeof(buffer), 0);
                if (pair.dropAnswer) {
                    ++m_cuts;
                    close(pair);
                } else if (size <= 0 || !sendAll(pair.client, buffer, size)) {
                    close(pair);
                }
            }
        }
        std::erase_if(pairs, [](const Pair& pair) { return pair.client < 0; });
    }
    for (Pair& pair : pairs)
        close(pair);
}

} // namespace kestar::test
