#include "tools/import/OldFolderImport.h"

#include "backup/pgcopy/PgSharedRows.h"
#include "backup/pgcopy/PgTableCopy.h"
#include "data/DataFolderLock.h"
#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/FileSharedData.h"
#include "data/Schema.h"
#include "data/TextFiles.h"
#include "platform/Regional.h"
#include "tools/SetupDatabase.h"
#include "tools/SetupFolder.h"
#include "tools/import/ImportReport.h"
#include "tools/import/MemoFile.h"
#include "tools/import/ParadoxTable.h"
#include "tools/import/TableImport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QRegularExpression>
#include <exception>
#include <memory>
#include <optional>
#include <vector>

namespace kestar {

namespace {

constexpr QDir::Filters kAnyEntry =
    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

struct OldTable
{
    const TableDef* def = nullptr;
    std::unique_ptr<ParadoxTable> table;
    std::unique_ptr<MemoFile> memo;
};

// Files of the old table engine: tables, their indexes, memo, validity and form files, and the
// engine's lock and network control files. None of them belongs in the new folder.
bool isOldEngineFile(const QString& fileName)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(.*\\.(db|px|mb|val|tv|fam|x[0-9a-f]{2}|y[0-9a-f]{2}|xg[0-9a-f]|"
                       "yg[0-9a-f]|lck|net))$"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern.match(fileName).hasMatch();
}

// The entry of folder named name with letter case ignored; "" when there is none.
QString findFile(const QString& folder, const QString& name)
{
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden);
    for (const QFileInfo& entry : entries) {
        if (entry.fileName() == name)
            return entry.filePath();
    }
    for (const QFileInfo& entry : entries) {
        if (entry.fileName().compare(name, Qt::CaseInsensitive) == 0)
            return entry.filePath();
    }
    return {};
}

// The absolute path a folder will have, with every link of the part that exists resolved.
QString resolvedPath(const QString& path)
{
    QString existing = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QString rest;
    while (!QFileInfo::exists(existing) && existing != QDir::rootPath()) {
        rest = QStringLiteral("/") + QFileInfo(existing).fileName() + rest;
        existing = QFileInfo(existing).absolutePath();
    }
    return QFileInfo(existing).canonicalFilePath() + rest;
}

bool isInside(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

// The counter a text file of the data folder keeps, and the ledger field whose largest number
// it holds.
struct KeptCounter
{
    Counter counter;
    QString field;
};

std::optional<KeptCounter> counterOf(const QString& textFile)
{
    static const QHash<QString, KeptCounter> counters{
        {QStringLiteral("dokument.txt"), {Counter::Document, QStringLiteral("BROJDOKUMENTA")}},
        {QStringLiteral("otpremnica.txt"), {Counter::Issue, QStringLiteral("OTPREMNICA")}},
        {QStringLiteral("ulaz.txt"), {Counter::Receipt, QStringLiteral("ULAZ")}},
        {QStringLiteral("predracun.txt"), {Counter::Order, QStringLiteral("PREDRACUN")}},
        {QStringLiteral("rnalog.txt"), {Counter::WorkOrder, QStringLiteral("RADNINALOG")}}};
    const auto found = counters.constFind(textFile);
    if (found == counters.constEnd())
        return std::nullopt;
    return *found;
}

// The starting contents of a text file that keeps no counter; the group files start empty.
QStringList startingLines(const QString& textFile)
{
    if (textFile == QLatin1String("firma.txt"))
        return TextFiles::fitFields({}, TextFiles::kCompanyFieldCount);
    if (textFile == QLatin1String("oprema.txt"))
        return {QStringLiteral("1")};
    return {};
}

// The working folders an import into finalPath makes beside it: ".NAME.import-PID-N".
QRegularExpression workingFolderName(const QString& finalPath)
{
    return QRegularExpression(
        QStringLiteral("^\\.%1\\.import-[0-9]+-[0-9]+$")
            .arg(QRegularExpression::escape(QFileInfo(finalPath).fileName())));
}

// A working folder is held by a lock file beside it for as long as its import runs; the lock of
// a process that has gone is stale. Only the age of a lock never makes it stale: an import of a
// large folder runs for minutes.
std::unique_ptr<QLockFile> lockOf(const QString& workingFolder)
{
    auto lock = std::make_unique<QLockFile>(workingFolder + QStringLiteral(".lock"));
    lock->setStaleLockTime(0);
    return lock;
}

// Removes what an import into finalPath that was killed or lost its power left beside it.
void removeLeftovers(const QString& finalPath, ImportReport& report)
{
    const QRegularExpression pattern = workingFolderName(finalPath);
    const QFileInfoList entries =
        QDir(QFileInfo(finalPath).absolutePath())
            .entryInfoList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QFileInfo& entry : entries) {
        if (!pattern.match(entry.fileName()).hasMatch())
            continue;
        const auto lock = lockOf(entry.filePath());
        if (!lock->tryLock(0))
            continue; // an import that still runs
        if (QDir(entry.filePath()).removeRecursively())
            report.addNote(QStringLiteral("removed the working folder %1, left behind by an "
                                          "import that did not come to its end")
                               .arg(entry.fileName()));
        else
            report.addProblem(QStringLiteral("the working folder %1, left behind by an import "
                                             "that did not come to its end, could not be removed")
                                  .arg(entry.fileName()));
    }
}

// The folder being built, removed again unless the import comes to its end.
class BuildFolder
{
public:
    BuildFolder(const QString& finalPath, ImportReport& report)
    {
        const QFileInfo target(finalPath);
        const QString parent = target.absolutePath();
        QString top = parent;
        while (!QFileInfo::exists(top) && QFileInfo(top).absolutePath() != top) {
            m_madeParent = top;
            top = QFileInfo(top).absolutePath();
        }
        if (!QDir().mkpath(parent))
            throw SetupError(QStringLiteral("Cannot make the folder %1").arg(parent));
        removeLeftovers(finalPath, report);
        for (int attempt = 0; attempt < 100 && m_path.isEmpty(); ++attempt) {
            const QString candidate =
                QDir(parent).filePath(QStringLiteral(".%1.import-%2-%3")
                                          .arg(target.fileName())
                                          .arg(QCoreApplication::applicationPid())
                                          .arg(attempt));
            // The lock comes first: a working folder without one is never an import's that runs.
            auto lock = lockOf(candidate);
            if (QFileInfo::exists(candidate) || !lock->tryLock(0))
                continue;
            if (QDir().mkdir(candidate)) {
                m_path = candidate;
                m_lock = std::move(lock);
            }
        }
        if (m_path.isEmpty())
            throw SetupError(QStringLiteral("Cannot make a working folder in %1").arg(parent));
    }
    ~BuildFolder()
    {
        if (!m_path.isEmpty())
            QDir(m_path).removeRecursively();
        m_lock.reset();
        if (!m_madeParent.isEmpty())
            QDir(m_madeParent).removeRecursively();
    }
    BuildFolder(const BuildFolder&) = delete;
    BuildFolder& operator=(const BuildFolder&) = delete;

    QString path() const { return m_path; }

    // Renames the folder into place; afterwards nothing is removed.
    void moveTo(const QString& finalPath)
    {
        if (QFileInfo(finalPath).isDir())
            QDir().rmdir(finalPath); // it was checked to be empty
        if (!QDir().rename(m_path, finalPath))
            throw SetupError(QStringLiteral("Cannot rename %1 to %2").arg(m_path, finalPath));
        m_path.clear();
        m_lock.reset();
        m_madeParent.clear();
    }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    QString m_madeParent; // the topmost parent folder made for the new folder
};

// An empty new folder is held while the import runs, so that no program starts on it
// meanwhile; one that a program holds is refused as such.
void checkFolders(const QString& oldFolder, const QString& newFolder, DataFolderLock& lock)
{
    if (!QFileInfo(oldFolder).isDir())
        throw SetupError(QStringLiteral("The old data folder %1 does not exist").arg(oldFolder));
    const QFileInfo info(newFolder);
    if (info.isDir() && lock.acquire() == DataFolderLock::Outcome::HeldElsewhere)
        throw SetupError(QStringLiteral("KESTAR is running on %1 (computer %2, process %3)")
                             .arg(newFolder, lock.holder().host)
                             .arg(lock.holder().pid));
    const QStringList entries = info.isDir() ? QDir(newFolder).entryList(kAnyEntry) : QStringList();
    if ((info.exists() || info.isSymLink()) &&
        (!info.isDir() ||
         entries != QStringList(lock.isHeld() ? DataFolderLock::kFileName : QString())))
        throw SetupError(QStringLiteral("%1 already exists").arg(newFolder));
    if (isInside(resolvedPath(newFolder), QFileInfo(oldFolder).canonicalFilePath()))
        throw SetupError(QStringLiteral("The new data folder may not lie inside the old one, "
                                        "which the import never changes"));
}

std::vector<OldTable> openOldTables(const QString& oldFolder)
{
    std::vector<OldTable> tables;
    QStringList failures;
    for (const TableDef& def : Schema::tables()) {
        OldTable old;
        old.def = &def;
        const QString path = findFile(oldFolder, def.name + QStringLiteral(".db"));
        if (path.isEmpty()) {
            failures.append(QStringLiteral("the table %1 (%1.DB) is missing").arg(def.name));
            continue;
        }
        try {
            old.table = std::make_unique<ParadoxTable>(path);
        } catch (const ImportError& error) {
            failures.append(error.text());
            continue;
        }
        QString memoPath = findFile(oldFolder, def.name + QStringLiteral(".mb"));
        if (memoPath.isEmpty())
            memoPath = QDir(oldFolder).filePath(QFileInfo(path).completeBaseName() +
                                                QStringLiteral(".MB"));
        old.memo = std::make_unique<MemoFile>(memoPath);
        tables.push_back(std::move(old));
    }
    if (!failures.isEmpty())
        throw SetupError(QStringLiteral("not every old table can be read: ") +
                         failures.join(QStringLiteral("; ")));
    return tables;
}

// ledgerLargest: the largest number of each whole-number field written into the new ledger.
void copyOtherFiles(const QString& oldFolder, const QString& newFolder,
                    const QHash<QString, qint64>& ledgerLargest, ImportReport& report)
{
    QStringList leftOut;
    QStringList copied;
    const QFileInfoList entries =
        QDir(oldFolder).entryInfoList(kAnyEntry, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir()) {
            leftOut.append(entry.fileName() + QStringLiteral("/"));
            continue;
        }
        // The lock of a program that runs on the old folder stays with it.
        if (entry.fileName() == DataFolderLock::kFileName)
            continue;
        if (isOldEngineFile(entry.fileName())) {
            const QString base = entry.completeBaseName();
            const bool ours = std::any_of(
                Schema::tables().cbegin(), Schema::tables().cend(), [&base](const TableDef& def) {
                    return def.name.compare(base, Qt::CaseInsensitive) == 0;
                });
            if (!ours)
                leftOut.append(entry.fileName());
            continue;
        }
        const QString target = QDir(newFolder).filePath(entry.fileName());
        if (!QFile::copy(entry.filePath(), target))
            throw SetupError(QStringLiteral("Cannot copy %1").arg(entry.filePath()));
        copied.append(entry.fileName());
    }
    if (!copied.isEmpty())
        report.addNote(QStringLiteral("copied unchanged: ") + copied.join(QStringLiteral(", ")));
    if (!leftOut.isEmpty())
        report.addNote(QStringLiteral("not copied (folders, and tables or files of the old table "
                                      "engine that KESTAR does not use): ") +
                       leftOut.join(QStringLiteral(", ")));
    FileSharedData shared(newFolder);
    for (const QString& name : SetupFolder::textFileNames()) {
        if (!findFile(newFolder, name).isEmpty())
            continue;
        const std::optional<KeptCounter> kept = counterOf(name);
        if (!kept) {
            TextFiles::replaceLines(QDir(newFolder).filePath(name), startingLines(name));
        } else {
            // A counter that started at 0 would give the next document the number of one
            // already in the ledger.
            const qint64 largest = ledgerLargest.value(kept->field);
            shared.setLastNumber(kept->counter, QString::number(qMax<qint64>(largest, 0)));
            if (largest > 0) {
                report.addProblem(QStringLiteral("%1 is missing in the old folder; it was written "
                                                 "with %2, the largest %3 in the ledger")
                                      .arg(name)
                                      .arg(largest)
                                      .arg(kept->field));
                continue;
            }
        }
        report.addProblem(QStringLiteral("%1 is missing in the old folder; it was written with its "
                                         "starting contents")
                              .arg(name));
    }
}

void buildNewFolder(std::vector<OldTable>& tables, const QString& oldFolder, const QString& folder,
                    int codePage, ImportReport& report)
{
    for (const OldTable& old : tables)
        Schema::createTableFile(folder, *old.def);
    // The engine of the folder being built, never the working folder's (which may name a
    // database).
    Engine engine(folder);
    QHash<QString, qint64> ledgerLargest;
    for (OldTable& old : tables) {
        const QString path = QDir(folder).filePath(old.def->name + QStringLiteral(".db"));
        const QHash<QString, qint64> largest =
            TableImport::run(engine, path, *old.def, *old.table, *old.memo, codePage, report);
        if (old.def->name == QLatin1String("prometx"))
            ledgerLargest = largest;
    }
    copyOtherFiles(oldFolder, folder, ledgerLargest, report);
}

} // namespace

bool OldFolderImport::run(const QString& oldFolder, const QString& newFolder, ImportReport& report,
                          int codePage, const QString& postgres)
{
    // Values are written as text in the program's own regional forms, whatever this computer's.
    const ScopedRegional regional(Regional::standard());
    bool loaded = false;
    try {
        if (!postgres.isEmpty()) {
            SetupDatabase::checkConnectionString(postgres);
            SetupDatabase::refuseHeldDatabase(postgres);
        }
        DataFolderLock lock(newFolder);
        checkFolders(oldFolder, newFolder, lock);
        std::vector<OldTable> tables = openOldTables(oldFolder);
        BuildFolder build(newFolder, report);
        buildNewFolder(tables, oldFolder, build.path(), codePage, report);
        tables.clear();
        if (!postgres.isEmpty()) {
            // The tables and shared data built as files go into the database whole; the folder
            // keeps its other files and names the database instead.
            loaded = true;
            PgTableCopy::loadTables(build.path(), postgres);
            QStringList moved = QDir(build.path()).entryList({QStringLiteral("*.db")}, QDir::Files);
            moved += PgSharedRows::filesIn(build.path());
            for (const QString& file : std::as_const(moved))
                QFile::remove(QDir(build.path()).filePath(file));
            SetupDatabase::writeSelector(build.path(), postgres);
        }
        lock.release();
        build.moveTo(newFolder);
        return true;
    } catch (const SetupError& error) {
        report.setRefused(error.text());
    } catch (const EngineError& error) {
        report.setRefused(
            QStringLiteral("the new data folder could not be made: %1").arg(error.text()));
    } catch (const ImportError& error) {
        report.setRefused(error.text());
    } catch (const std::exception& error) {
        report.setRefused(QStringLiteral("the new data folder could not be made: %1")
                              .arg(QString::fromLocal8Bit(error.what())));
    }
    // The database held none of the tables before: those there now are this import's.
    if (loaded)
        SetupDatabase::dropProgramTables(postgres);
    return false;
}

} // namespace kestar
