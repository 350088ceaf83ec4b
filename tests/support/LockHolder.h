#pragma once

#include <QProcess>
#include <QString>

namespace kestar::test {

// Another process that holds the lock of a data folder, as a second copy of the program would:
// it takes the lock when started and keeps it until it is killed.
class LockHolder
{
public:
    explicit LockHolder(const QString& dataFolder);
    ~LockHolder();
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    // True once the process said it holds the lock.
    bool holds() const { return m_holds; }
    qint64 pid() const { return m_process.processId(); }
    // Ends it with SIGKILL, as a crash would: its lock file stays behind.
    void kill();

private:
    QProcess m_process;
    bool m_holds = false;
};

} // namespace kestar::test
