#include "tools/restore/FolderRestore.h"

#include "backup/pgcopy/PgSharedRows.h"
#include "backup/pgcopy/PgTableCopy.h"
#include "data/DataFolderLock.h"
#include "data/DataStore.h"
#include "data/DiskSync.h"
#include "data/EngineError.h"
#include "data/EngineScratch.h"
#include "data/JournalRecovery.h"
#include "data/Schema.h"
#include "data/sqlite/SqliteFile.h"
#include "tools/check/BackupCopies.h"
#include "tools/restore/BackupSets.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>

namespace kestar::restore {

namespace {

// Why the restore stops; nothing has been changed when it is thrown.
struct Refusal
{
    QString text;
};

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Renames a file or folder only when nothing is in the way: a plain rename would put a folder
// in the place of an empty one made meanwhile.
QString renameNoReplace(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0)
        return {};
    if (errno != EINVAL && errno != ENOSYS)
        return QString::fromLocal8Bit(std::strerror(errno));
    // A file system that cannot refuse by itself: look first.
    if (QFileInfo::exists(to) || QFileInfo(to).isSymLink())
        return QString::fromLocal8Bit(std::strerror(EEXIST));
    if (std::rename(source.constData(), target.constData()) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    return {};
}

// The hidden folder the set is put together in, beside the data folder; removed again unless
// it was renamed into place.
class StagingFolder
{
public:
    StagingFolder(const QDir& parent, const QString& dataName)
    {
        for (int attempt = 0; attempt < 100 && m_path.isEmpty(); ++attempt) {
            const QString candidate = parent.filePath(QStringLiteral(".%1.restore-%2-%3")
                                                          .arg(dataName)
                                                          .arg(QCoreApplication::applicationPid())
                                                          .arg(attempt));
            if (!QFileInfo::exists(candidate) && parent.mkdir(QFileInfo(candidate).fileName()))
                m_path = candidate;
        }
        if (m_path.isEmpty())
            throw Refusal{
                QStringLiteral("Cannot make a working folder in %1").arg(native(parent.path()))};
    }
    ~StagingFolder()
    {
        if (!m_path.isEmpty())
            QDir(m_path).removeRecursively();
    }
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    QString path() const { return m_path; }
    QString filePath(const QString& name) const { return QDir(m_path).filePath(name); }
    void placed() { m_path.clear(); }

private:
    QString m_path;
};

void checkSet(const BackupSet& set, const RestoreOptions& options)
{
    switch (set.status) {
    case BackupSet::Status::Complete:
        return;
    case BackupSet::Status::NoManifest:
        if (!options.force)
            throw Refusal{
                QStringLiteral(
                    "The backup %1 has no manifest: it was made before backups recorded one, or by "
                    "a backup that never started its copies. Nothing tells whether it is whole. "
                    "Restore it with --force only if you know it is.")
                    .arg(set.stamp)};
        for (const TableDef& def : Schema::tables()) {
            if (!set.copies.contains(set.stamp + def.name + QStringLiteral(".db")))
                throw Refusal{QStringLiteral("The backup %1 has no copy of %2.db, even forced it "
                                             "cannot be a data folder")
                                  .arg(set.stamp, def.name)};
        }
        return;
    case BackupSet::Status::Incomplete:
    case BackupSet::Status::Unfinished:
    case BackupSet::Status::Damaged:
        break;
    }
    throw Refusal{QStringLiteral("The backup %1 is %2 (%3); it cannot be restored")
                      .arg(set.stamp, BackupSet::statusName(set.status), set.detail)};
}

void lockFolder(DataFolderLock& lock)
{
    switch (lock.acquire()) {
    case DataFolderLock::Outcome::Held:
    case DataFolderLock::Outcome::FolderMissing:
        return;
    case DataFolderLock::Outcome::HeldElsewhere: {
        const DataFolderLock::Holder& holder = lock.holder();
        throw Refusal{QStringLiteral("KESTAR is running on %1 (computer %2, process %3): close it "
                                     "first. If it no longer runs on that computer, remove %4.")
                          .arg(lock.absoluteFolder(), holder.host)
                          .arg(holder.pid)
                          .arg(native(lock.lockFilePath()))};
    }
    case DataFolderLock::Outcome::NotPermitted:
    case DataFolderLock::Outcome::Failed:
        break;
    }
    throw Refusal{
        QStringLiteral("Cannot lock %1: %2").arg(lock.absoluteFolder(), lock.errorText())};
}

// Copies the set into the staging folder, checks every copy there and lets the engine settle
// any journal the set holds.
void stage(const BackupSet& set, const QString& backupFolder, StagingFolder& staging,
           QTextStream& out)
{
    const QDir backup(backupFolder);
    for (const QString& name : set.fileNames()) {
        const QString source = backup.filePath(set.stamp + name);
        const QString target = staging.filePath(name);
        QFile file(source);
        if (!file.copy(target))
            throw Refusal{
                QStringLiteral("Cannot copy %1: %2").arg(native(source), file.errorString())};
        const QString synced = DiskSync::file(target);
        if (!synced.isEmpty())
            throw Refusal{QStringLiteral("Cannot write %1: %2").arg(native(target), synced)};
        QString why;
        QByteArray expected;
        if (set.manifest) {
            for (const BackupManifest::File& entry : set.manifest->files) {
                if (entry.name == name)
                    expected = entry.sha256;
            }
        } else {
            expected = BackupSets::checksum(source, &why).value_or(QByteArray());
        }
        const std::optional<QByteArray> copied = BackupSets::checksum(target, &why);
        if (!copied || *copied != expected)
            throw Refusal{QStringLiteral("The copy of %1 does not read back as the backup holds "
                                         "it%2")
                              .arg(name, why.isEmpty() ? QString() : QStringLiteral(": ") + why)};
    }
    const QList<JournalRecovery::Unsettled> unsettled =
        JournalRecovery::settleJournals(staging.path());
    for (const JournalRecovery::Unsettled& table : unsettled) {
        throw Refusal{
            table.orphaned
                ? QStringLiteral("The backup holds a journal of %1 that names the super-journal "
                                 "%2, which no longer exists: whether that write had finished "
                                 "cannot be told")
                      .arg(table.table, native(table.detail))
                : QStringLiteral("The journal of %1 in the backup cannot be settled: %2")
                      .arg(table.table, table.detail)};
    }
    const QStringList tables =
        QDir(staging.path()).entryList({QStringLiteral("*.db")}, QDir::Files, QDir::Name);
    for (const QString& table : tables) {
        const QString result = SqliteFile::quickCheck(staging.filePath(table));
        if (result != QLatin1String("ok"))
            throw Refusal{QStringLiteral("%1 of the backup is damaged: %2").arg(table, result)};
    }
    const QString synced = DiskSync::folder(staging.path());
    if (!synced.isEmpty())
        throw Refusal{QStringLiteral("Cannot write %1: %2").arg(native(staging.path()), synced)};
    out << "Copied and checked " << set.fileNames().size() << " files of the backup " << set.stamp
        << ".\n";
}

QString keptPath(const QDir& parent, const QString& dataName, const QString& stamp)
{
    const QString base = FolderRestore::keptName(dataName, stamp);
    QString name = base;
    for (int n = 2;
         QFileInfo::exists(parent.filePath(name)) || QFileInfo(parent.filePath(name)).isSymLink();
         ++n)
        name = QStringLiteral("%1.%2").arg(base).arg(n);
    return parent.filePath(name);
}

// The database the data folder names, "" when its tables are its own files (or there is no
// folder yet).
QString databaseOf(const QString& dataFolder)
{
    if (!QFileInfo(dataFolder).isDir())
        return {};
    try {
        return DataStore::connectionString(dataFolder);
    } catch (const EngineError& error) {
        throw Refusal{error.text()};
    }
}

void removeFiles(const QString& folder, const QStringList& names)
{
    for (const QString& name : names)
        QFile::remove(QDir(folder).filePath(name));
}

void removeTableFiles(const QString& folder)
{
    removeFiles(folder, QDir(folder).entryList(
                            {QStringLiteral("*.db"), QStringLiteral("*.db-journal")}, QDir::Files));
}

// Puts the staged set in the place of a data folder whose tables are in a database, after the
// data folder went aside as kept: the tables and shared data the database holds now are
// written into the kept folder beside its text files (so that it is a whole data folder of
// that moment), then the set's tables and shared data replace them in one transaction, and the
// set's other files with the selector file take the data folder's name just before it commits.
// Whatever fails puts everything back and refuses.
void placeIntoDatabase(const QString& connection, const QString& dataFolder, StagingFolder& staging,
                       const QString& kept, QTextStream& out)
{
    QStringList exported;
    const auto putBack = [&](const QString& why) {
        removeFiles(kept, exported);
        const QString back = renameNoReplace(kept, dataFolder);
        if (!back.isEmpty())
            throw Refusal{QStringLiteral("%1; and the former data folder cannot be renamed back "
                                         "(%2): it is %3")
                              .arg(why, back, native(kept))};
        throw Refusal{why};
    };
    try {
        exported = PgTableCopy::exportTables(connection, kept);
    } catch (const EngineError& error) {
        putBack(QStringLiteral("The tables of the database cannot be kept: %1").arg(error.text()));
    }
    const QString selectorName = QString::fromLatin1(DataStore::kSelectorFile);
    QFile selector(QDir(kept).filePath(selectorName));
    if (!selector.copy(staging.filePath(selectorName)))
        putBack(QStringLiteral("Cannot copy %1: %2")
                    .arg(native(selector.fileName()), selector.errorString()));
    bool placed = false;
    try {
        PgTableCopy::loadTables(staging.path(), connection, [&] {
            const QString moved = renameNoReplace(staging.path(), dataFolder);
            if (!moved.isEmpty())
                throw EngineError(QStringLiteral("Cannot rename %1 to %2: %3")
                                      .arg(native(staging.path()), native(dataFolder), moved));
            placed = true;
            // The folder reads its tables and shared data from the database from now on.
            removeTableFiles(dataFolder);
            removeFiles(dataFolder, PgSharedRows::filesIn(dataFolder));
        });
    } catch (const EngineError& error) {
        if (placed)
            renameNoReplace(dataFolder, staging.path());
        putBack(QStringLiteral("The backup cannot be put into the database: %1").arg(error.text()));
    }
    staging.placed();
    out << "The tables of the backup are now in the database \"" << connection << "\".\n";
}

} // namespace

QString FolderRestore::keptName(const QString& dataFolderName, const QString& stamp)
{
    return QStringLiteral("%1.pre-restore-%2").arg(dataFolderName, stamp);
}

bool FolderRestore::run(const RestoreOptions& options, QTextStream& out, QTextStream& err)
{
    const QString dataFolder = QDir::cleanPath(QFileInfo(options.dataFolder).absoluteFilePath());
    const QString dataName = QFileInfo(dataFolder).fileName();
    const QDir parent = QFileInfo(dataFolder).dir();
    try {
        if (QFileInfo::exists(dataFolder) && !QFileInfo(dataFolder).isDir())
            throw Refusal{QStringLiteral("%1 is not a folder").arg(native(dataFolder))};
        const QString backupFolder = check::BackupCopies::folderBeside(dataFolder);
        if (backupFolder.isEmpty())
            throw Refusal{QStringLiteral("There is no backup folder back-up beside %1")
                              .arg(native(dataFolder))};
        const std::optional<BackupSet> set = BackupSets::find(backupFolder, options.stamp);
        if (!set)
            throw Refusal{QStringLiteral("%1 holds no backup %2 (kestar-setup backups %3 lists "
                                         "them)")
                              .arg(native(backupFolder), options.stamp, native(dataFolder))};
        checkSet(*set, options);

        DataFolderLock lock(dataFolder);
        lockFolder(lock);
        const QStringList damaged = BackupSets::verify(backupFolder, *set);
        if (!damaged.isEmpty())
            throw Refusal{QStringLiteral("The backup %1 is damaged: %2")
                              .arg(set->stamp, damaged.join(QStringLiteral("; ")))};

        out << "Restore of the backup " << set->stamp << " into " << native(dataFolder) << '\n';
        const QString connection = databaseOf(dataFolder);
        StagingFolder staging(parent, dataName);
        stage(*set, backupFolder, staging, out);

        // The folder being replaced goes aside whole, with the journals that belong to its own
        // tables, before the set takes its name.
        const bool replacing = QFileInfo::exists(dataFolder);
        const QStringList journals =
            replacing ? JournalRecovery::journalsIn(dataFolder) : QStringList();
        const QString kept = keptPath(parent, dataName, set->stamp);
        if (replacing) {
            const QString moved = renameNoReplace(dataFolder, kept);
            if (!moved.isEmpty())
                throw Refusal{QStringLiteral("Cannot rename %1 to %2: %3")
                                  .arg(native(dataFolder), native(kept), moved)};
        }
        QString placed;
        if (connection.isEmpty())
            placed = renameNoReplace(staging.path(), dataFolder);
        else
            placeIntoDatabase(connection, dataFolder, staging, kept, out);
        if (!placed.isEmpty()) {
            const QString back = replacing ? renameNoReplace(kept, dataFolder) : QString();
            if (!back.isEmpty()) {
                err << "Cannot put the backup in place (" << placed << "), nor the former "
                    << "data folder back (" << back << "): it is " << native(kept) << '\n';
                err.flush();
                return false;
            }
            throw Refusal{QStringLiteral("Cannot rename %1 to %2: %3")
                              .arg(native(staging.path()), native(dataFolder), placed)};
        }
        staging.placed();
        if (replacing)
            lock.releaseMoved(kept);
        const QString synced = DiskSync::folder(parent.path());
        if (!synced.isEmpty())
            err << "Warning: " << native(parent.path()) << " may not be on the disk yet: " << synced
                << '\n';
        if (replacing) {
            out << "The former data folder is kept as " << native(kept);
            if (!journals.isEmpty())
                out << ", with the " << journals.size()
                    << " journal(s) of its own unfinished writes";
            out << ".\n";
        }
        const int removed = EngineScratch::removeAbandoned(parent.path());
        if (removed > 0)
            out << "Removed " << removed << " engine folder(s) left by ended programs.\n";
        out << "Restored: " << native(dataFolder) << " now holds the backup " << set->stamp
            << ".\n\n";
        out.flush();
        err.flush();
        return true;
    } catch (const Refusal& refusal) {
        out.flush();
        err << refusal.text << ". Nothing was changed.\n";
        err.flush();
        return false;
    }
}

} // namespace kestar::restore
