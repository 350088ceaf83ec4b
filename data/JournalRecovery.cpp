#include "data/JournalRecovery.h"

#include "data/DataFolderRefusal.h"
#include "data/EngineError.h"
#include "data/sqlite/SqliteFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace kestar {

namespace {

// SQLite's rollback journal, as its file format describes it: a header that starts with these
// eight bytes once the journal has been synced (before that the journal is not hot and SQLite
// deletes it unread), and, after the page records, the super-journal record:
//   4 bytes  the lock-byte page number (1 GiB / page size + 1)
//   N bytes  the super-journal's path, UTF-8
//   4 bytes  N, big-endian
//   4 bytes  the sum of the path's bytes taken as signed 8-bit numbers
//   8 bytes  the same eight bytes as at the start
const char kMagic[8] = {'\xd9', '\xd5', '\x05', '\xf9', '\x20', '\xa1', '\x63', '\xd7'};
constexpr int kHeaderSize = 28;
constexpr int kPageSizeOffset = 24;
constexpr quint32 kLockByte = 0x40000000;
constexpr qint64 kLongestPath = 512; // SQLite's limit for a path on this system

quint32 bigEndian(const QByteArray& bytes, qint64 offset)
{
    quint32 value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 8) | quint8(bytes.at(offset + i));
    return value;
}

// The super-journal record at the end of a journal: where it starts and the path it holds.
struct SuperRecord
{
    qint64 start = -1;
    QByteArray path;
};

// Reads the header and the last bytes of a journal; an unreadable file records nothing.
bool readJournal(const QString& journal, QByteArray& header, QByteArray& tail, qint64& size)
{
    QFile file(journal);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    size = file.size();
    header = file.read(kHeaderSize);
    const qint64 tailSize = qMin(size, kLongestPath + 24);
    if (!file.seek(size - tailSize))
        return false;
    tail = file.read(tailSize);
    return header.size() == kHeaderSize && tail.size() == tailSize;
}

bool isSynced(const QByteArray& header)
{
    return header.size() == kHeaderSize && std::memcmp(header.constData(), kMagic, 8) == 0;
}

SuperRecord superRecordOf(const QByteArray& tail, qint64 size)
{
    SuperRecord record;
    const qint64 t = tail.size();
    if (t < 16 || std::memcmp(tail.constData() + t - 8, kMagic, 8) != 0)
        return record;
    const qint64 length = bigEndian(tail, t - 16);
    if (length <= 0 || length > kLongestPath || length + 20 > t)
        return record;
    quint32 sum = bigEndian(tail, t - 12);
    const QByteArray path = tail.mid(t - 16 - length, length);
    for (const char c : path)
        sum -= quint32(qint32(static_cast<signed char>(c)));
    // A checksum that does not add up means a torn record: SQLite then names no super-journal.
    if (sum != 0)
        return record;
    record.path = path;
    record.start = size - 20 - length;
    return record;
}

// The lock-byte page number that opens a super-journal record for this journal's page size.
bool opensRecord(const QByteArray& header, const QByteArray& tail, qint64 recordOffsetInTail)
{
    const quint32 pageSize = bigEndian(header, kPageSizeOffset);
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0 || recordOffsetInTail < 0)
        return false;
    return bigEndian(tail, recordOffsetInTail) == kLockByte / pageSize + 1;
}

// Whether the record can be cut off the journal as dropSuperRecord() does: it opens with the
// lock-byte page number of the journal's page size, as SQLite writes it.
bool canDropRecord(const QString& journal)
{
    QByteArray header, tail;
    qint64 size = 0;
    if (!readJournal(journal, header, tail, size))
        return false;
    const SuperRecord record = superRecordOf(tail, size);
    return record.start >= 0 && opensRecord(header, tail, record.start - (size - tail.size()));
}

JournalFinding findingFor(const QString& journal, const QString& programFolder)
{
    JournalFinding finding;
    finding.journal = journal;
    finding.table = journal.chopped(int(qstrlen("-journal")));
    finding.superJournal = JournalRecovery::superJournalOf(journal);
    if (finding.superJournal.isEmpty()) {
        finding.kind = JournalFinding::Kind::Own;
        return finding;
    }
    const QFileInfo named(finding.superJournal);
    if (named.exists()) {
        finding.kind = JournalFinding::Kind::Unfinished;
        return finding;
    }
    if (named.absoluteDir().exists()) {
        finding.kind = JournalFinding::Kind::Finished;
        return finding;
    }
    // The scratch folder went with the program folder: look for it under its own name there.
    const QDir moved(QDir(programFolder).filePath(named.absoluteDir().dirName()));
    if (QFileInfo::exists(moved.filePath(named.fileName())) && canDropRecord(journal)) {
        finding.kind = JournalFinding::Kind::Moved;
        finding.foundAt = moved.filePath(named.fileName());
    } else if (moved.exists() && !QFileInfo::exists(moved.filePath(named.fileName()))) {
        finding.kind = JournalFinding::Kind::Finished;
    } else {
        finding.kind = JournalFinding::Kind::Lost;
    }
    return finding;
}

// Cuts the super-journal record off a journal, so that SQLite rolls the table file back on
// its own; synced before anything else happens.
void dropSuperRecord(const QString& journal)
{
    QByteArray header, tail;
    qint64 size = 0;
    const bool read = readJournal(journal, header, tail, size);
    const SuperRecord record = read ? superRecordOf(tail, size) : SuperRecord();
    const QByteArray path = QFile::encodeName(journal);
    const int fd = record.start < 0 ? -1 : ::open(path.constData(), O_WRONLY | O_CLOEXEC);
    const bool done = fd >= 0 && ::ftruncate(fd, record.start) == 0 && ::fsync(fd) == 0;
    const int code = record.start < 0 ? EIO : errno;
    if (fd >= 0)
        ::close(fd);
    if (!done)
        throw EngineError(QStringLiteral("Cannot write file \"%1\". %2")
                              .arg(journal, QString::fromLocal8Bit(std::strerror(code))));
}

// Opens the table file once, so that SQLite deals with its journal now. A file that cannot be
// opened for writing keeps its journal; the engine reports it when it opens the table.
void letSqliteSettle(const QString& table)
{
    SqliteFile::readOnce(table, 5000);
}

const QString kJournalSuffix = QStringLiteral("-journal");

} // namespace

QString JournalRecovery::superJournalOf(const QString& journalPath)
{
    QByteArray header, tail;
    qint64 size = 0;
    if (!readJournal(journalPath, header, tail, size))
        return {};
    return QString::fromUtf8(superRecordOf(tail, size).path);
}

QString JournalRecovery::formerProgramFolder(const QString& superJournal)
{
    // The folders may be gone: the path is taken apart as text.
    return QFileInfo(QFileInfo(superJournal).absolutePath()).absolutePath();
}

QList<JournalFinding> JournalRecovery::inspect(const QString& dataFolder,
                                               const QString& programFolder)
{
    QList<JournalFinding> findings;
    const QDir folder(dataFolder);
    const QStringList entries =
        folder.entryList({QStringLiteral("*-journal")}, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& entry : entries) {
        const QString journal = folder.absoluteFilePath(entry);
        QByteArray header, tail;
        qint64 size = 0;
        if (!readJournal(journal, header, tail, size) || !isSynced(header))
            continue;
        if (!QFileInfo(journal.chopped(int(qstrlen("-journal")))).isFile())
            continue;
        findings.append(findingFor(journal, programFolder));
    }
    return findings;
}

void JournalRecovery::settle(const QString& dataFolder, const QString& programFolder)
{
    const QList<JournalFinding> findings = inspect(dataFolder, programFolder);
    QStringList lost;
    QString lostSuper;
    for (const JournalFinding& finding : findings) {
        if (finding.kind != JournalFinding::Kind::Lost)
            continue;
        lost.append(QFileInfo(finding.journal).fileName());
        if (lostSuper.isEmpty())
            lostSuper = finding.superJournal;
    }
    if (!lost.isEmpty())
        throw DataFolderRefusal(DataFolderRefusal::Reason::LostJournal,
                                QDir(dataFolder).absolutePath(), {}, lost, lostSuper);

    // The super-journal was found moved, so the commit did not finish: every table file it
    // wrote is rolled back, each on its own, and the super-journal goes once none names it.
    QSet<QString> movedSupers;
    for (const JournalFinding& finding : findings) {
        if (finding.kind != JournalFinding::Kind::Moved)
            continue;
        dropSuperRecord(finding.journal);
        movedSupers.insert(finding.foundAt);
    }
    for (const QString& superJournal : std::as_const(movedSupers))
        QFile::remove(superJournal);
    for (const JournalFinding& finding : findings)
        letSqliteSettle(finding.table);
}

JournalRecovery::State JournalRecovery::stateOf(const QString& journalPath)
{
    QFile file(journalPath);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0)
        return State::None;
    char first = 0;
    if (!file.getChar(&first) || first == '\0')
        return State::Finished;
    const QString super = superJournalOf(journalPath);
    if (super.isEmpty() || QFileInfo::exists(super))
        return State::Hot;
    return State::Orphaned;
}

QStringList JournalRecovery::journalsIn(const QString& folder)
{
    QStringList journals;
    const QStringList entries =
        QDir(folder).entryList({QStringLiteral("*") + kJournalSuffix},
                               QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& entry : entries)
        journals.append(QDir(folder).filePath(entry));
    return journals;
}

QList<JournalRecovery::Unsettled> JournalRecovery::settleJournals(const QString& folder)
{
    QList<Unsettled> unsettled;
    for (const QString& journal : journalsIn(folder)) {
        const QString table = journal.chopped(kJournalSuffix.size());
        const QString name = QFileInfo(table).fileName();
        QString reason;
        switch (stateOf(journal)) {
        case State::Orphaned:
            unsettled.append({name, true, superJournalOf(journal)});
            continue;
        case State::Hot:
            reason = QFileInfo(table).isFile() ? SqliteFile::readOnce(table, 0)
                                               : QStringLiteral("No such file or directory");
            break;
        case State::None:
        case State::Finished:
            break;
        }
        if (reason.isEmpty() && QFileInfo::exists(journal) && stateOf(journal) != State::Hot &&
            !QFile::remove(journal))
            reason = QStringLiteral("%1-journal: cannot remove it").arg(name);
        if (reason.isEmpty() && QFileInfo::exists(journal))
            reason = QStringLiteral("%1-journal: still hot after the table was read").arg(name);
        if (!reason.isEmpty())
            unsettled.append({name, false, reason});
    }
    return unsettled;
}

} // namespace kestar
