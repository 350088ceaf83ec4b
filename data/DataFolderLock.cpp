#include "data/DataFolderLock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <cerrno>
#include <cstring>

namespace kestar {

namespace {

QString lockPathIn(const QString& folder)
{
    return QDir(folder).filePath(DataFolderLock::kFileName);
}

// The lines QLockFile writes: process id, program, computer name, computer id, boot id.
QList<QByteArray> lockLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(4096).split('\n');
}

bool parseHolder(const QList<QByteArray>& lines, DataFolderLock::Holder* holder)
{
    if (lines.size() < 3)
        return false;
    bool ok = false;
    const qint64 pid = lines.at(0).toLongLong(&ok);
    if (!ok || pid <= 0)
        return false;
    holder->pid = pid;
    holder->program = QString::fromUtf8(lines.at(1));
    holder->host = QString::fromUtf8(lines.at(2));
    // The computer's id decides, as it does for QLockFile, where the lock file has one: two
    // computers may well carry the same name.
    const QByteArray hostId = lines.size() > 3 ? lines.at(3) : QByteArray();
    const QByteArray ownId = QSysInfo::machineUniqueId();
    if (!hostId.isEmpty() && !ownId.isEmpty())
        holder->sameHost = hostId == ownId;
    else
        holder->sameHost = holder->host.isEmpty() || holder->host == QSysInfo::machineHostName();
    return true;
}

} // namespace

DataFolderLock::DataFolderLock(const QString& dataFolder) : m_folder(dataFolder) {}

DataFolderLock::~DataFolderLock()
{
    release();
}

QString DataFolderLock::absoluteFolder() const
{
    return QDir::toNativeSeparators(QFileInfo(m_folder).absoluteFilePath());
}

QString DataFolderLock::lockFilePath() const
{
    return lockPathIn(m_folder);
}

DataFolderLock::Outcome DataFolderLock::acquire()
{
    if (isHeld())
        return Outcome::Held;
    m_error.clear();
    m_holder = {};
    if (!QFileInfo(m_folder).isDir())
        return Outcome::FolderMissing;
    m_lock = std::make_unique<QLockFile>(lockFilePath());
    // Held for a whole run: only a holder that is gone makes a lock stale, never its age.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) {
        m_holder = {QSysInfo::machineHostName(), QCoreApplication::applicationPid(),
                    QCoreApplication::applicationName(), true};
        return Outcome::Held;
    }
    const int error = errno;
    switch (m_lock->error()) {
    case QLockFile::LockFailedError:
        if (!readHolder(m_folder, &m_holder)) {
            // A lock file being written or taken away this very moment, or one that is not
            // a lock file: either way the folder is not free.
            m_holder = {};
        }
        return Outcome::HeldElsewhere;
    case QLockFile::PermissionError:
        m_error = QString::fromLocal8Bit(std::strerror(error));
        return Outcome::NotPermitted;
    case QLockFile::NoError:
    case QLockFile::UnknownError:
        break;
    }
    m_error = QString::fromLocal8Bit(std::strerror(error));
    return Outcome::Failed;
}

void DataFolderLock::release()
{
    if (m_lock)
        m_lock->unlock();
    m_lock.reset();
}

void DataFolderLock::releaseMoved(const QString& movedFolder)
{
    if (!isHeld())
        return;
    Holder found;
    if (readHolder(movedFolder, &found) && found.sameHost &&
        found.pid == QCoreApplication::applicationPid())
        QFile::remove(lockPathIn(movedFolder));
    // QLockFile would now remove the lock file under the folder's former name, where another
    // folder may stand and another process hold its own lock: it is let go without that. Its
    // file descriptor stays open until the process ends.
    (void)m_lock.release();
}

bool DataFolderLock::readHolder(const QString& dataFolder, Holder* holder)
{
    return parseHolder(lockLines(lockPathIn(dataFolder)), holder);
}

} // namespace kestar
