#include "backup/Backup.h"

#include "backup/pgcopy/PgTableCopy.h"
#include "data/BackupManifest.h"
#include "data/DataPath.h"
#include "data/DataStore.h"
#include "data/DiskSync.h"
#include "data/EngineError.h"
#include "data/JournalRecovery.h"
#include "data/Schema.h"
#include "platform/Regional.h"
#include "platform/WorkingFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <algorithm>
#include <optional>

namespace kestar {

namespace {

const QString kDataFolder = QStringLiteral("podaci");
const QString kBackupFolder = QStringLiteral("back-up");

// Puts the program folder back as the working folder however the backup ends, so that the
// relative data paths of the rest of the program resolve again.
class ProgramFolderRestorer
{
public:
    explicit ProgramFolderRestorer(QString programFolder)
        : m_programFolder(std::move(programFolder))
    {
    }
    ~ProgramFolderRestorer() { WorkingFolder::change(m_programFolder); }
    ProgramFolderRestorer(const ProgramFolderRestorer&) = delete;
    ProgramFolderRestorer& operator=(const ProgramFolderRestorer&) = delete;

private:
    QString m_programFolder;
};

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value % 100, 2, 10, QLatin1Char('0'));
}

// QFile::copy reports success once the bytes were written; reading both files back is what
// tells that the copy really holds the data. Gives the copy's SHA-256 checksum when it does.
std::optional<QByteArray> sameContent(const QString& first, const QString& second)
{
    QFile a(first);
    QFile b(second);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly))
        return std::nullopt;
    if (a.size() != b.size())
        return std::nullopt;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    constexpr qint64 kChunk = 1 << 20;
    while (!a.atEnd()) {
        const QByteArray chunk = a.read(kChunk);
        if (chunk.isEmpty() || b.read(chunk.size()) != chunk)
            return std::nullopt;
        hash.addData(chunk);
    }
    if (!b.atEnd())
        return std::nullopt;
    return hash.result().toHex();
}

// Copies source to target, replacing a file of that name, and puts the copy on the disk.
// Returns why it failed, or an empty text when the target now holds exactly the source's bytes
// (their checksum in *sha256).
QString copyChecked(const QString& source, const QString& target, QByteArray* sha256)
{
    const QFileInfo existing(target);
    if (existing.exists() || existing.isSymLink()) {
        if (existing.isDir() && !existing.isSymLink())
            return QStringLiteral("na mestu kopije je folder");
        QFile old(target);
        if (!old.remove())
            return QStringLiteral("stara kopija se ne moze zameniti: %1").arg(old.errorString());
    }
    QFile file(source);
    if (!file.copy(target))
        return file.errorString();
    const QString synced = DiskSync::file(target);
    const std::optional<QByteArray> checksum = sameContent(source, target);
    if (!synced.isEmpty() || !checksum) {
        // A copy that differs from its source, or may not outlive a power cut, must not pass
        // for a backup.
        QFile::remove(target);
        return synced.isEmpty() ? QStringLiteral("kopija se razlikuje od originala") : synced;
    }
    *sha256 = *checksum;
    return {};
}

// The files of one backup, by name, and where each is copied from.
struct Source
{
    QString name;
    QString path;
    QString failure; // why there is nothing to copy
};

// A data folder whose tables are in a database: its tables, written as SQLite table files
// into a hidden folder of the backup folder from one moment of the database, and the shared
// data of its rows written as their text files from the same moment, join the folder's other
// files, so that the set is the one a folder of table files gives. The selector file stays
// out: a set restores into whichever store the restored folder names. A database made before
// it kept the shared data has them as text files of the folder still.
QList<Source> databaseSources(const QString& connection, const QStringList& files, const QDir& data,
                              QTemporaryDir& tables)
{
    QString reason;
    QStringList exported;
    if (!tables.isValid()) {
        reason = tables.errorString();
    } else {
        try {
            exported = PgTableCopy::exportTables(connection, tables.path());
        } catch (const EngineError& error) {
            reason = error.text();
        }
    }
    QList<Source> sources;
    for (const QString& name : exported) {
        if (!name.endsWith(QLatin1String(".db")))
            sources.append({name, QDir(tables.path()).filePath(name), {}});
    }
    for (const QString& name : files) {
        // A table file left in the folder is not what the program reads: the database is; nor
        // is a text file whose data the database keeps.
        const bool kept = std::any_of(exported.cbegin(), exported.cend(), [&](const QString& e) {
            return e.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (!kept &&
            name.compare(QLatin1String(DataStore::kSelectorFile), Qt::CaseInsensitive) != 0 &&
            !name.endsWith(QLatin1String(".db"), Qt::CaseInsensitive))
            sources.append({name, data.filePath(name), {}});
    }
    for (const TableDef& def : Schema::tables()) {
        const QString name = def.name + QStringLiteral(".db");
        sources.append({name, QDir(tables.path()).filePath(name), reason});
    }
    std::sort(sources.begin(), sources.end(), [](const Source& a, const Source& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return sources;
}

} // namespace

QString Backup::datePart(const QDate& date, const QString& shortDateText)
{
    if (shortDateText.size() == 10) {
        return shortDateText.mid(0, 2) + QLatin1Char('-') + shortDateText.mid(3, 2) +
               QLatin1Char('-') + shortDateText.mid(8, 2);
    }
    return twoDigits(date.day()) + QLatin1Char('-') + twoDigits(date.month()) + QLatin1Char('-') +
           twoDigits(date.year());
}

QString Backup::timePart(const QTime& time, const QString& timeText)
{
    if (timeText.size() == 8) {
        return timeText.mid(0, 2) + QLatin1Char('-') + timeText.mid(3, 2) + QLatin1Char('-') +
               timeText.mid(6, 2);
    }
    if (timeText.size() == 7) {
        return QLatin1Char('0') + timeText.mid(0, 1) + QLatin1Char('-') + timeText.mid(2, 2) +
               QLatin1Char('-') + timeText.mid(5, 2);
    }
    return twoDigits(time.hour()) + QLatin1Char('-') + twoDigits(time.minute()) + QLatin1Char('-') +
           twoDigits(time.second());
}

QString Backup::stamp(const QDateTime& moment)
{
    const QDate date = moment.date();
    const QTime time = moment.time();
    return datePart(date, Regional::formatDate(date)) + QLatin1Char('-') +
           timePart(time, Regional::formatTime(time));
}

BackupResult Backup::run(const QString& programFolder, const QDateTime& moment,
                         const std::function<void(int)>& progress)
{
    BackupResult result;
    const ProgramFolderRestorer restorer(programFolder);
    const QDir program(programFolder);
    const QString dataFolder = DataPath::resolve(program.filePath(kDataFolder));
    const QString backupFolder = DataPath::resolve(program.filePath(kBackupFolder));

    if (!QFileInfo(dataFolder).isDir() || !WorkingFolder::change(dataFolder)) {
        result.outcome = BackupResult::Outcome::DataFolderMissing;
        result.folder = dataFolder;
        return result;
    }
    // A table left with a journal by a write that never ended (the program was killed and has
    // not read that table since) is copied as the engine would read it, not half written.
    // One that cannot be settled keeps its copy from counting as backed up.
    QSet<QString> unsettled;
    QList<BackupFailure> unsettledFailures;
    for (const JournalRecovery::Unsettled& table : JournalRecovery::settleJournals(dataFolder)) {
        unsettledFailures.append(
            {table.table,
             table.orphaned
                 ? QStringLiteral("nedovrsen upis: njegov dnevnik trazi %1, koji vise ne postoji")
                       .arg(QDir::toNativeSeparators(table.detail))
                 : table.detail});
        unsettled.insert(table.table);
    }
    // Hidden and system entries are left out because QDir::Hidden and QDir::System are not
    // asked for; read-only files are listed like any other.
    const QStringList files =
        QDir(QStringLiteral("."))
            .entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    result.stamp = stamp(moment);

    if (!QFileInfo(backupFolder).isDir()) {
        result.outcome = BackupResult::Outcome::BackupFolderMissing;
        result.folder = backupFolder;
        return result;
    }
    if (files.isEmpty()) {
        result.outcome = BackupResult::Outcome::NoFiles;
        result.folder = dataFolder;
        return result;
    }

    result.failures = unsettledFailures;
    const QDir data(dataFolder);
    QList<Source> sources;
    QString connection;
    try {
        connection = DataStore::connectionString(dataFolder);
    } catch (const EngineError& error) {
        result.failures.append({QString::fromLatin1(DataStore::kSelectorFile), error.text()});
    }
    std::optional<QTemporaryDir> tables; // removed with whatever it holds on every way out
    if (!connection.isEmpty()) {
        tables.emplace(QDir(backupFolder).filePath(QStringLiteral(".kestar-tables-XXXXXX")));
        sources = databaseSources(connection, files, data, *tables);
    } else {
        for (const QString& name : files)
            sources.append({name, data.filePath(name), {}});
    }

    // The manifest goes first without its closing line, so that a backup that never ends leaves
    // a set marked unfinished, and last with every copy's checksum.
    BackupManifest manifest;
    manifest.stamp = result.stamp;
    manifest.made = moment;
    manifest.dataFolder = dataFolder;
    const QString manifestName = BackupManifest::fileName(result.stamp);
    QString manifestError = BackupManifest::write(backupFolder, manifest);

    if (progress)
        progress(0);
    const int step = 100 / static_cast<int>(qMax(qsizetype(1), sources.size()));
    const QDir target(backupFolder);
    for (int position = 0; position < sources.size(); ++position) {
        const QString& name = sources[position].name;
        const QString copyName = result.stamp + name;
        QByteArray sha256;
        // A table that could not be read is listed without checksum: the set is incomplete.
        const QString reason =
            sources[position].failure.isEmpty()
                ? copyChecked(sources[position].path, target.filePath(copyName), &sha256)
                : sources[position].failure;
        if (reason.isEmpty())
            result.copied << copyName;
        else
            result.failures.append({name, reason});
        if (unsettled.contains(name) || name.endsWith(QLatin1String("-journal")))
            sha256.clear();
        manifest.files.append({name, QFileInfo(sources[position].path).size(), sha256});
        if (progress)
            progress(position * step);
    }
    manifest.finished = true;
    if (manifestError.isEmpty())
        manifestError = DiskSync::folder(backupFolder);
    if (manifestError.isEmpty())
        manifestError = BackupManifest::write(backupFolder, manifest);
    if (!manifestError.isEmpty())
        result.failures.append({manifestName, manifestError});
    return result;
}

QString Backup::failureText(const BackupResult& result)
{
    const QString failed = QStringLiteral("BACK UP NIJE USPEO!!! ");
    switch (result.outcome) {
    case BackupResult::Outcome::DataFolderMissing:
        return failed + QStringLiteral("Ne postoji folder sa podacima: ") +
               QDir::toNativeSeparators(result.folder);
    case BackupResult::Outcome::BackupFolderMissing:
        return failed + QStringLiteral("Ne postoji folder za back up: ") +
               QDir::toNativeSeparators(result.folder);
    case BackupResult::Outcome::NoFiles:
        return QStringLiteral("U folderu podaci nema fajlova za back up!");
    case BackupResult::Outcome::Done:
        break;
    }
    if (result.failures.isEmpty())
        return {};
    QString text = failed + QStringLiteral("Nisu snimljeni fajlovi:");
    for (const BackupFailure& failure : result.failures)
        text += QStringLiteral("\n %1 (%2)").arg(failure.file, failure.reason);
    return text;
}

} // namespace kestar
