#include "data/EngineScratch.h"

#include "data/DataFolderRefusal.h"
#include "data/JournalRecovery.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace kestar {

namespace {

const QString kOwnerFile = QStringLiteral("owner.lock");

// A folder this young may belong to an engine that has made it and not yet locked it.
constexpr qint64 kYoungSeconds = 60;

QString dataFolderIn(const QDir& program)
{
    if (QFileInfo(program.filePath(QStringLiteral("podaci"))).isDir())
        return program.filePath(QStringLiteral("podaci"));
    const QStringList entries = program.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        if (entry.compare(QLatin1String("podaci"), Qt::CaseInsensitive) == 0)
            return program.filePath(entry);
    }
    return {};
}

bool holdsSuperJournal(const QDir& folder)
{
    const QStringList files = folder.entryList(QDir::Files | QDir::Hidden);
    for (const QString& file : files) {
        if (file.contains(QLatin1String("-mj")))
            return true;
    }
    return false;
}

} // namespace

EngineScratch::EngineScratch()
{
    const QDir program = QDir::current();
    const QString data = dataFolderIn(program);
    if (data.isEmpty()) {
        m_dir = std::make_unique<QTemporaryDir>();
    } else {
        // What a crash left is settled while the scratch folders it needs are still there.
        JournalRecovery::settle(data, program.absolutePath());
        removeAbandoned(program.path());
        m_dir = std::make_unique<QTemporaryDir>(program.filePath(kPrefix + "XXXXXX"));
        // Anywhere else (the system's temporary folder is emptied by a restart) a crash in the
        // middle of a commit could not be recovered.
        if (!m_dir->isValid())
            throw DataFolderRefusal(DataFolderRefusal::Reason::ScratchFolder,
                                    QDir::toNativeSeparators(program.absolutePath()),
                                    m_dir->errorString());
    }
    if (m_dir->isValid()) {
        m_owner = std::make_unique<QLockFile>(m_dir->filePath(kOwnerFile));
        m_owner->setStaleLockTime(0);
        m_owner->tryLock(0);
    }
}

EngineScratch::~EngineScratch()
{
    m_owner.reset();
}

int EngineScratch::removeAbandoned(const QString& programFolder)
{
    const QDir program(programFolder);
    const QStringList folders =
        program.entryList({kPrefix + '*'}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    int removed = 0;
    for (const QString& name : folders) {
        QDir folder(program.filePath(name));
        const QFileInfo info(folder.path());
        if (info.lastModified().toUTC().secsTo(now) < kYoungSeconds &&
            !QFileInfo::exists(folder.filePath(kOwnerFile)))
            continue;
        if (holdsSuperJournal(folder))
            continue;
        // The lock of a live engine cannot be taken; that of a killed one is stale and can.
        QLockFile probe(folder.filePath(kOwnerFile));
        probe.setStaleLockTime(0);
        if (QFileInfo::exists(folder.filePath(kOwnerFile)) && !probe.tryLock(0))
            continue;
        probe.unlock();
        if (folder.removeRecursively())
            ++removed;
    }
    return removed;
}

} // namespace kestar
