#include "data/FileReplace.h"

#include "data/EngineError.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace kestar {

namespace {

QString reason(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// A failure of one step, with the error number it left.
struct Failure
{
    int code = 0;
    QString text; // for faults the system has no number for
};

QString describe(const Failure& failure)
{
    return failure.text.isEmpty() ? reason(failure.code) : failure.text;
}

[[noreturn]] void failWrite(const QString& name, const Failure& failure)
{
    throw EngineError(QStringLiteral("Cannot write file \"%1\". %2").arg(name, describe(failure)));
}

// Closes the descriptor when it goes out of scope, unless closed and checked before.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    // A network share may report a failed write only here.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

// Writes all of bytes at offset; a short write is continued, an interrupted one repeated.
bool writeAt(int fd, const char* bytes, qint64 size, qint64 offset)
{
    while (size > 0) {
        const ssize_t written = ::pwrite(fd, bytes, size_t(size), off_t(offset));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            errno = EIO;
            return false;
        }
        bytes += written;
        size -= written;
        offset += written;
    }
    return true;
}

bool readWhole(int fd, QByteArray& bytes)
{
    bytes.clear();
    char buffer[4096];
    qint64 offset = 0;
    for (;;) {
        const ssize_t count = ::pread(fd, buffer, sizeof buffer, off_t(offset));
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (count == 0)
            return true;
        bytes.append(buffer, count);
        offset += count;
    }
}

// Reads the file at path afresh and compares it with content.
std::optional<Failure> readsBack(const QByteArray& path, const QByteArray& content)
{
    Descriptor file(::open(path.constData(), O_RDONLY | O_CLOEXEC));
    QByteArray stored;
    if (!file.isOpen() || !readWhole(file.get(), stored))
        return Failure{errno, {}};
    if (stored != content)
        return Failure{0, QStringLiteral("What was written does not read back the same")};
    return std::nullopt;
}

void syncFolderOf(const QByteArray& path)
{
    // The rename is durable once the folder is synced; a file system that cannot sync a folder
    // says so, and the file itself is synced already.
    const QByteArray folder = QFile::encodeName(QFileInfo(QFile::decodeName(path)).absolutePath());
    Descriptor dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.isOpen())
        ::fsync(dir.get());
}

QByteArray temporaryPath(const QByteArray& target)
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const QFileInfo info(QFile::decodeName(target));
    QByteArray suffix;
    for (int i = 0; i < 6; ++i)
        suffix.append(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)]);
    return QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                             QLatin1Char('.') + QString::fromLatin1(suffix));
}

// Writes content into the new file and syncs it.
std::optional<Failure> writeNewFile(int fd, const QByteArray& content, const struct stat* former)
{
    if (former) {
        // The replaced file's permissions, and its owner where the user may give it.
        if (::fchmod(fd, former->st_mode & 07777) != 0)
            return Failure{errno, {}};
        if (::fchown(fd, former->st_uid, former->st_gid) != 0 && errno != EPERM)
            return Failure{errno, {}};
    }
    if (!writeAt(fd, content.constData(), content.size(), 0) || ::fsync(fd) != 0)
        return Failure{errno, {}};
    return std::nullopt;
}

// The folder allows no new files: the target itself is rewritten, and put back on failure.
void replaceInPlace(const QString& name, const QByteArray& target, const QByteArray& content)
{
    Descriptor file(::open(target.constData(), O_RDWR | O_CLOEXEC));
    QByteArray former;
    if (!file.isOpen() || !readWhole(file.get(), former))
        throw EngineError(QStringLiteral("Cannot create file \"%1\". %2").arg(name, reason(errno)));
    const int fd = file.get();
    const qint64 common = qMin(former.size(), content.size());
    // Growing the file is what a full disk or a size limit refuses: that comes first, while every
    // former byte is still in place.
    std::optional<Failure> failure;
    if (!writeAt(fd, content.constData() + common, content.size() - common, common) ||
        !writeAt(fd, content.constData(), common, 0) || ::ftruncate(fd, content.size()) != 0 ||
        ::fsync(fd) != 0)
        failure = Failure{errno, {}};
    if (!failure && !file.close())
        failure = Failure{errno, {}};
    if (!failure)
        failure = readsBack(target, content);
    if (!failure)
        return;

    Descriptor again(::open(target.constData(), O_WRONLY | O_CLOEXEC));
    const bool restored =
        again.isOpen() && writeAt(again.get(), former.constData(), common, 0) &&
        ::ftruncate(again.get(), former.size()) == 0 &&
        writeAt(again.get(), former.constData() + common, former.size() - common, common) &&
        ::fsync(again.get()) == 0 && again.close();
    if (restored)
        failWrite(name, *failure);
    const int restoreCode = errno;
    throw EngineError(QStringLiteral("Cannot write file \"%1\". %2 (its former content could not "
                                     "be put back: %3)")
                          .arg(name, describe(*failure), reason(restoreCode)));
}

} // namespace

void FileReplace::replace(const QString& name, const QString& path, const QByteArray& content)
{
    const QByteArray target = QFile::encodeName(path);
    struct stat former = {};
    const bool exists = ::stat(target.constData(), &former) == 0;

    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = temporaryPath(target);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        const int code = errno;
        if (exists && (code == EACCES || code == EPERM)) {
            replaceInPlace(name, target, content);
            return;
        }
        throw EngineError(QStringLiteral("Cannot create file \"%1\". %2").arg(name, reason(code)));
    }

    Descriptor file(fd);
    std::optional<Failure> failure = writeNewFile(fd, content, exists ? &former : nullptr);
    if (!failure && !file.close())
        failure = Failure{errno, {}};
    if (!failure)
        failure = readsBack(temporary, content);
    if (!failure && ::rename(temporary.constData(), target.constData()) != 0)
        failure = Failure{errno, {}};
    if (failure) {
        ::unlink(temporary.constData());
        failWrite(name, *failure);
    }
    syncFolderOf(target);
}

} // namespace kestar
