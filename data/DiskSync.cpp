#include "data/DiskSync.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace kestar::DiskSync {

namespace {

QString syncPath(const QString& path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    const int result = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    return result == 0 ? QString() : QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QString file(const QString& path)
{
    return syncPath(path, O_RDONLY);
}

QString folder(const QString& path)
{
    return syncPath(path, O_RDONLY | O_DIRECTORY);
}

} // namespace kestar::DiskSync
