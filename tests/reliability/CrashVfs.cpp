#include "tests/reliability/CrashVfs.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <random>
#include <sqlite3.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kestar::test::CrashVfs {

namespace {

// One write (or truncation) no sync has made durable yet: enough to undo it and to redo it.
struct PendingWrite
{
    sqlite3_int64 offset = 0;
    std::string before; // the bytes it replaced (shorter when it wrote past the end)
    std::string after;  // the bytes it wrote; for a truncation, empty
    sqlite3_int64 sizeBefore = 0;
    bool truncation = false;
    sqlite3_int64 newSize = 0;
};

// A file made or removed in a folder that no sync of the folder has made durable yet.
struct PendingEntry
{
    std::string path;
    bool made = false;                // made, else removed
    std::string content;              // of a removed file
    std::vector<PendingWrite> writes; // a removed file's own unsynced writes
};

struct State
{
    Options options;
    sqlite3_vfs* unix = nullptr;
    bool armed = false;
    qint64 operations = 0; // since arm(): writes, truncations, syncs, removals
    qint64 syncs = 0;
    qint64 syncsAndRemovals = 0;
    std::map<std::string, std::vector<PendingWrite>> writes;  // by path
    std::map<std::string, std::vector<PendingEntry>> folders; // by folder, in order
    std::vector<std::string> superJournals;                   // that exist now
};

State& state()
{
    static State s;
    return s;
}

struct File
{
    sqlite3_file base;
    sqlite3_file* real;
    std::string path; // empty for SQLite's nameless temporary files
    bool syncsFolder; // the first sync of a new journal also syncs its folder, as unix does
};

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

void trace(const char* mark)
{
    const ssize_t ignored = ::write(STDOUT_FILENO, mark, std::strlen(mark));
    (void)ignored;
}

std::string readAll(const std::string& path)
{
    std::string bytes;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return bytes;
    char buffer[65536];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, size_t(n));
    ::close(fd);
    return bytes;
}

void writeAt(int fd, const std::string& bytes, sqlite3_int64 offset)
{
    if (!bytes.empty() && ::pwrite(fd, bytes.data(), bytes.size(), offset) < 0)
        std::abort();
}

// Puts one file back to its durable content, then lets each unsynced write of it reach the
// disk whole, not at all, or torn.
void settleWrites(const std::string& path, const std::vector<PendingWrite>& writes,
                  std::mt19937& random)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return;
    for (auto write = writes.rbegin(); write != writes.rend(); ++write) {
        writeAt(fd, write->before, write->truncation ? write->newSize : write->offset);
        if (::ftruncate(fd, write->sizeBefore) != 0)
            std::abort();
    }
    for (const PendingWrite& write : writes) {
        const int fate = int(random() % 3);
        if (fate == 1)
            continue; // never reached the disk
        if (write.truncation) {
            if (::ftruncate(fd, write.newSize) != 0)
                std::abort();
            continue;
        }
        if (fate == 0) {
            writeAt(fd, write.after, write.offset);
            continue;
        }
        // Torn: each 512-byte sector old, new or garbage.
        for (size_t at = 0; at < write.after.size(); at += 512) {
            std::string sector = write.after.substr(at, 512);
            const int kind = int(random() % 4);
            if (kind == 2)
                continue;
            if (kind == 3) {
                for (char& byte : sector)
                    byte = char(random());
            }
            writeAt(fd, sector, write.offset + sqlite3_int64(at));
        }
    }
    ::close(fd);
}

// The power cut: folder changes survive up to a random point in each folder, writes each on
// their own; then the process ends as the machine would.
[[noreturn]] void powerCut()
{
    State& s = state();
    std::mt19937 random(s.options.seed);
    for (auto& [folder, entries] : s.folders) {
        const size_t kept = random() % (entries.size() + 1);
        for (size_t i = entries.size(); i > kept; --i) {
            PendingEntry& entry = entries[i - 1];
            if (entry.made) {
                ::unlink(entry.path.c_str());
                s.writes.erase(entry.path);
                continue;
            }
            const int fd =
                ::open(entry.path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (fd >= 0) {
                writeAt(fd, entry.content, 0);
                ::close(fd);
            }
            auto& writes = s.writes[entry.path];
            writes.insert(writes.begin(), entry.writes.begin(), entry.writes.end());
        }
    }
    for (const auto& [path, writes] : s.writes)
        settleWrites(path, writes, random);
    ::kill(::getpid(), SIGKILL);
    std::abort();
}

[[noreturn]] void killNow()
{
    State& s = state();
    if (s.options.superJournalsLost) {
        // As if the super-journals had lived in a folder that a restart empties.
        for (const std::string& path : s.superJournals)
            ::unlink(path.c_str());
    }
    ::kill(::getpid(), SIGKILL);
    std::abort();
}

enum class Operation
{
    Write,
    Sync,
    Removal,
};

// Counts one disk operation that is about to be carried out, and ends the process first when
// it is the one aimed at.
void operation(Operation kind)
{
    State& s = state();
    if (!s.armed)
        return;
    ++s.operations;
    if (kind != Operation::Write)
        ++s.syncsAndRemovals;
    if (kind == Operation::Sync)
        ++s.syncs;
    if (s.options.trigger == Trigger::Kill && !s.options.countSyncsAndRemovals &&
        s.operations == s.options.at)
        killNow();
    if (s.options.trigger == Trigger::PowerLoss && kind == Operation::Sync &&
        s.syncs == s.options.at)
        powerCut();
}

// After a sync or a removal was carried out: a kill counted in syncs and removals comes right
// after the one aimed at, so that it also lands just past a commit point.
void carriedOut()
{
    const State& s = state();
    if (s.armed && s.options.trigger == Trigger::Kill && s.options.countSyncsAndRemovals &&
        s.syncsAndRemovals == s.options.at)
        killNow();
}

void folderSynced(const std::string& folder)
{
    if (!state().options.syncsKeepNothing)
        state().folders.erase(folder);
}

File* asFile(sqlite3_file* file)
{
    return reinterpret_cast<File*>(file);
}

int fileClose(sqlite3_file* file)
{
    File* f = asFile(file);
    const int rc = f->real->pMethods ? f->real->pMethods->xClose(f->real) : SQLITE_OK;
    f->path.~basic_string();
    return rc;
}

int fileRead(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset)
{
    return asFile(file)->real->pMethods->xRead(asFile(file)->real, buffer, amount, offset);
}

sqlite3_int64 sizeOf(File* f)
{
    sqlite3_int64 size = 0;
    f->real->pMethods->xFileSize(f->real, &size);
    return size;
}

int fileWrite(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset)
{
    File* f = asFile(file);
    if (!f->path.empty()) {
        operation(Operation::Write);
        PendingWrite write;
        write.offset = offset;
        write.sizeBefore = sizeOf(f);
        write.after.assign(static_cast<const char*>(data), size_t(amount));
        const sqlite3_int64 kept = std::min<sqlite3_int64>(amount, write.sizeBefore - offset);
        if (kept > 0) {
            write.before.resize(size_t(kept));
            f->real->pMethods->xRead(f->real, write.before.data(), int(kept), offset);
        }
        state().writes[f->path].push_back(std::move(write));
    }
    return f->real->pMethods->xWrite(f->real, data, amount, offset);
}

int fileTruncate(sqlite3_file* file, sqlite3_int64 size)
{
    File* f = asFile(file);
    if (!f->path.empty()) {
        operation(Operation::Write);
        PendingWrite write;
        write.truncation = true;
        write.newSize = size;
        write.sizeBefore = sizeOf(f);
        if (write.sizeBefore > size) {
            write.before.resize(size_t(write.sizeBefore - size));
            f->real->pMethods->xRead(f->real, write.before.data(), int(write.before.size()), size);
        }
        state().writes[f->path].push_back(std::move(write));
    }
    return f->real->pMethods->xTruncate(f->real, size);
}

int fileSync(sqlite3_file* file, int flags)
{
    File* f = asFile(file);
    if (!f->path.empty()) {
        operation(Operation::Sync);
        trace("~s\n");
        if (!state().options.syncsKeepNothing)
            state().writes.erase(f->path);
        if (f->syncsFolder) {
            folderSynced(folderOf(f->path));
            f->syncsFolder = false;
        }
    }
    const int rc = f->real->pMethods->xSync(f->real, flags);
    if (!f->path.empty())
        carriedOut();
    return rc;
}

int fileSize(sqlite3_file* file, sqlite3_int64* size)
{
    return asFile(file)->real->pMethods->xFileSize(asFile(file)->real, size);
}
int fileLock(sqlite3_file* file, int level)
{
    return asFile(file)->real->pMethods->xLock(asFile(file)->real, level);
}
int fileUnlock(sqlite3_file* file, int level)
{
    return asFile(file)->real->pMethods->xUnlock(asFile(file)->real, level);
}
int fileCheckReserved(sqlite3_file* file, int* out)
{
    return asFile(file)->real->pMethods->xCheckReservedLock(asFile(file)->real, out);
}
int fileControl(sqlite3_file* file, int op, void* arg)
{
    return asFile(file)->real->pMethods->xFileControl(asFile(file)->real, op, arg);
}
int fileSectorSize(sqlite3_file* file)
{
    return asFile(file)->real->pMethods->xSectorSize(asFile(file)->real);
}
int fileCharacteristics(sqlite3_file* file)
{
    return asFile(file)->real->pMethods->xDeviceCharacteristics(asFile(file)->real);
}

// Version 1: no shared memory and no memory mapping, which a rollback journal never needs.
const sqlite3_io_methods kMethods = {
    1,
    fileClose,
    fileRead,
    fileWrite,
    fileTruncate,
    fileSync,
    fileSize,
    fileLock,
    fileUnlock,
    fileCheckReserved,
    fileControl,
    fileSectorSize,
    fileCharacteristics,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

int vfsOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags)
{
    State& s = state();
    File* f = asFile(file);
    f->real = reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(file) + sizeof(File));
    new (&f->path) std::string(name ? name : "");
    f->syncsFolder = false;
    struct stat info;
    const bool existed = name && ::stat(name, &info) == 0;
    const int rc = s.unix->xOpen(s.unix, name, f->real, flags, outFlags);
    if (rc != SQLITE_OK) {
        f->path.~basic_string();
        f->base.pMethods = nullptr;
        return rc;
    }
    f->base.pMethods = &kMethods;
    if (name && (flags & SQLITE_OPEN_SUPER_JOURNAL))
        s.superJournals.push_back(f->path);
    if (name && !existed && (flags & SQLITE_OPEN_CREATE)) {
        s.writes.erase(f->path);
        s.folders[folderOf(f->path)].push_back({f->path, true, {}, {}});
        f->syncsFolder = (flags & (SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_SUPER_JOURNAL)) != 0;
    }
    return SQLITE_OK;
}

int vfsDelete(sqlite3_vfs*, const char* name, int syncFolder)
{
    State& s = state();
    operation(Operation::Removal);
    PendingEntry entry{name, false, readAll(name), {}};
    if (auto found = s.writes.find(entry.path); found != s.writes.end()) {
        entry.writes = std::move(found->second);
        s.writes.erase(found);
    }
    const int rc = s.unix->xDelete(s.unix, name, syncFolder);
    if (rc != SQLITE_OK)
        return rc;
    s.superJournals.erase(std::remove(s.superJournals.begin(), s.superJournals.end(), entry.path),
                          s.superJournals.end());
    const std::string folder = folderOf(entry.path);
    s.folders[folder].push_back(std::move(entry));
    if (syncFolder)
        folderSynced(folder);
    trace(std::strstr(name, "-mj") ? "~m\n" : "~j\n");
    carriedOut();
    return SQLITE_OK;
}

int vfsAccess(sqlite3_vfs*, const char* name, int flags, int* out)
{
    return state().unix->xAccess(state().unix, name, flags, out);
}
int vfsFullPathname(sqlite3_vfs*, const char* name, int size, char* out)
{
    return state().unix->xFullPathname(state().unix, name, size, out);
}
void* vfsDlOpen(sqlite3_vfs*, const char* name)
{
    return state().unix->xDlOpen(state().unix, name);
}
void vfsDlError(sqlite3_vfs*, int size, char* out)
{
    state().unix->xDlError(state().unix, size, out);
}
void (*vfsDlSym(sqlite3_vfs*, void* handle, const char* symbol))(void)
{
    return state().unix->xDlSym(state().unix, handle, symbol);
}
void vfsDlClose(sqlite3_vfs*, void* handle)
{
    state().unix->xDlClose(state().unix, handle);
}
int vfsRandomness(sqlite3_vfs*, int size, char* out)
{
    return state().unix->xRandomness(state().unix, size, out);
}
int vfsSleep(sqlite3_vfs*, int microseconds)
{
    return state().unix->xSleep(state().unix, microseconds);
}
int vfsCurrentTime(sqlite3_vfs*, double* out)
{
    return state().unix->xCurrentTime(state().unix, out);
}
int vfsLastError(sqlite3_vfs*, int size, char* out)
{
    return state().unix->xGetLastError(state().unix, size, out);
}
int vfsCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* out)
{
    return state().unix->xCurrentTimeInt64(state().unix, out);
}

} // namespace

void install(const Options& options)
{
    State& s = state();
    s.options = options;
    s.unix = sqlite3_vfs_find("unix");
    static sqlite3_vfs vfs;
    vfs.iVersion = 2;
    vfs.szOsFile = int(sizeof(File)) + s.unix->szOsFile;
    vfs.mxPathname = s.unix->mxPathname;
    vfs.zName = "kestar-crash";
    vfs.xOpen = vfsOpen;
    vfs.xDelete = vfsDelete;
    vfs.xAccess = vfsAccess;
    vfs.xFullPathname = vfsFullPathname;
    vfs.xDlOpen = vfsDlOpen;
    vfs.xDlError = vfsDlError;
    vfs.xDlSym = vfsDlSym;
    vfs.xDlClose = vfsDlClose;
    vfs.xRandomness = vfsRandomness;
    vfs.xSleep = vfsSleep;
    vfs.xCurrentTime = vfsCurrentTime;
    vfs.xGetLastError = vfsLastError;
    vfs.xCurrentTimeInt64 = vfsCurrentTimeInt64;
    sqlite3_vfs_register(&vfs, 1);
}

void arm()
{
    state().armed = true;
}

} // namespace kestar::test::CrashVfs
