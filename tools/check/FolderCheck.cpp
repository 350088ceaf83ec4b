#include "tools/check/FolderCheck.h"

#include "backup/pgcopy/PgTableCopy.h"
#include "data/DataStore.h"
#include "data/FileSharedData.h"
#include "data/Schema.h"
#include "data/pg/PgSharedData.h"
#include "tools/SetupDatabase.h"
#include "tools/check/BackupCopies.h"
#include "tools/check/CheckReport.h"
#include "tools/check/CounterCheck.h"
#include "tools/check/DocumentNumberCheck.h"
#include "tools/check/JournalCheck.h"
#include "tools/check/MovementCheck.h"
#include "tools/check/TableReadCheck.h"
#include "tools/check/WarehouseSumCheck.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <memory>
#include <optional>

namespace kestar::check {

namespace {

// The file of each of the program's tables, matched without regard to letter case as the
// engine matches it; other .db files of the folder come after them in name order.
struct TableFiles
{
    QHash<QString, QString> program; // bare table name -> path
    QStringList others;              // paths
};

TableFiles findTableFiles(const QDir& folder)
{
    TableFiles files;
    const QStringList entries =
        folder.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& entry : entries) {
        if (!entry.endsWith(QLatin1String(".db"), Qt::CaseInsensitive))
            continue;
        const QString base = entry.chopped(3).toLower();
        bool known = false;
        for (const TableDef& def : Schema::tables())
            known = known || def.name == base;
        if (known && !files.program.contains(base))
            files.program.insert(base, folder.filePath(entry));
        else
            files.others.append(folder.filePath(entry));
    }
    return files;
}

} // namespace

bool FolderCheck::run(const FolderCheckOptions& options, CheckReport& report)
{
    const QFileInfo info(options.dataFolder);
    if (!info.isDir())
        return false;
    const QDir folder(info.absoluteFilePath());
    // A folder whose tables are in a database has them read from one moment of it, written
    // as table files into a temporary folder; the checks then read those as they read a
    // folder's own.
    const QString connection = DataStore::connectionString(folder.path());
    std::optional<QTemporaryDir> snapshot;
    bool sharedInDatabase = false;
    if (!connection.isEmpty()) {
        snapshot.emplace();
        if (!snapshot->isValid())
            throw std::runtime_error(snapshot->errorString().toStdString());
        PgTableCopy::exportTables(connection, snapshot->path());
        sharedInDatabase = SetupDatabase::programTablesIn(connection)
                               .contains(QLatin1String(PgSharedData::kTable));
    }
    const TableFiles files = findTableFiles(snapshot ? QDir(snapshot->path()) : folder);
    TableReadCheck reader(report);
    CounterCheck counters;
    DocumentNumberCheck numbers;
    MovementCheck movement;
    WarehouseSumCheck sums;

    report.section(QStringLiteral("Unfinished writes left by a crash"));
    if (connection.isEmpty()) {
        reportJournals(folder.path(), report);
        report.section(QStringLiteral("Tables of %1").arg(QDir::toNativeSeparators(folder.path())));
    } else {
        report.note(QStringLiteral("None: the tables are in the database \"%1\", which finishes "
                                   "or forgets every write itself.")
                        .arg(connection));
        report.section(QStringLiteral("Tables of the database \"%1\"").arg(connection));
    }
    std::unique_ptr<StoredTable> magacin, prometx;
    for (const TableDef& def : Schema::tables()) {
        const QString label = def.name + QStringLiteral(".db");
        const QString path = files.program.value(def.name);
        if (path.isEmpty()) {
            report.problem(QStringLiteral("%1 is missing").arg(label));
            continue;
        }
        auto table = reader.open(label, path, &def);
        if (def.name == QLatin1String("magacin"))
            magacin = std::move(table);
        else if (def.name == QLatin1String("prometx"))
            prometx = std::move(table);
        else if (table)
            reader.walk(label, *table, def.key);
    }

    // The backup is read before the current ledger, whose walk takes its rows off it.
    std::optional<BackupCopies> copies;
    QString noBackup;
    const QString backupFolder = BackupCopies::folderBeside(folder.path());
    if (backupFolder.isEmpty()) {
        noBackup = QStringLiteral("there is no backup folder back-up beside the data folder");
    } else if (!options.sinceStamp.isEmpty()) {
        copies = BackupCopies::withStamp(backupFolder, options.sinceStamp, &noBackup);
    } else {
        copies = BackupCopies::newest(backupFolder);
        if (!copies)
            noBackup = QStringLiteral("%1 holds no backup with both magacin.db and prometx.db")
                           .arg(QDir::toNativeSeparators(backupFolder));
    }
    const bool compare = copies && prometx && movement.loadBackup(*copies, *prometx);
    const bool backupFailed = copies && prometx && !compare;

    bool articlesRead = false;
    bool ledgerRead = false;
    if (magacin) {
        movement.prepareArticles(*magacin);
        sums.prepare(*magacin);
        articlesRead = reader.walk(QStringLiteral("magacin.db"), *magacin,
                                   Schema::table(QStringLiteral("magacin")).key,
                                   [&](qint64, sqlite3_stmt* row) {
                                       if (compare)
                                           movement.takeArticle(row);
                                       sums.takeRow(row);
                                   });
    }
    if (prometx) {
        counters.prepare(*prometx);
        numbers.prepare(*prometx);
        if (compare)
            movement.prepareLedger(*prometx);
        ledgerRead = reader.walk(QStringLiteral("prometx.db"), *prometx, QString(),
                                 [&](qint64 rowNumber, sqlite3_stmt* row) {
                                     counters.takeRow(row);
                                     numbers.takeRow(rowNumber, row);
                                     if (compare)
                                         movement.takeLedgerRow(row);
                                 });
    }
    for (const QString& path : files.others) {
        const QString label = QFileInfo(path).fileName();
        report.note(QStringLiteral("%1 is none of the program's tables").arg(label));
        if (auto table = reader.open(label, path, nullptr))
            reader.walk(label, *table, table->key());
    }

    report.section(QStringLiteral("Document counters"));
    // The counters of a database are read from the same moment as its ledger; a database made
    // before it kept them has them in the folder's files still.
    if (!connection.isEmpty() && !sharedInDatabase)
        report.problem(PgSharedData::missingTableText());
    FileSharedData shared(sharedInDatabase ? snapshot->path() : folder.path());
    counters.report(shared, ledgerRead, report);
    numbers.report(ledgerRead, report);

    if (compare || backupFailed) {
        report.section(QStringLiteral("Stock movement since the backup %1").arg(copies->stamp));
        movement.report(articlesRead && ledgerRead, report);
    } else if (!prometx) {
        report.section(QStringLiteral("Stock movement"));
        report.note(QStringLiteral("Not compared: the ledger cannot be read."));
    } else if (!options.sinceStamp.isEmpty()) {
        // The backup asked for is not there: the comparison that was wanted cannot be made.
        report.section(
            QStringLiteral("Stock movement since the backup %1").arg(options.sinceStamp));
        report.problem(QStringLiteral("Stock movement not compared: %1").arg(noBackup));
    } else {
        report.section(QStringLiteral("Stock movement"));
        report.note(QStringLiteral("No backup to compare with: %1.").arg(noBackup));
    }

    report.section(QStringLiteral("Information: KOLICINA against MAGACIN1+...+MAGACIN5"));
    if (articlesRead)
        sums.report(report);
    else
        report.note(QStringLiteral("Not compared: the article table cannot be read."));
    return true;
}

} // namespace kestar::check
