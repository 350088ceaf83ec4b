#include "tools/restore/RestoreCommand.h"

#include "tools/SetupCommand.h"
#include "tools/check/BackupCopies.h"
#include "tools/check/CheckCommand.h"
#include "tools/restore/BackupSets.h"
#include "tools/restore/FolderRestore.h"

#include <QDir>
#include <QLocale>
#include <exception>

namespace kestar::RestoreCommand {

namespace {

int usageError(QTextStream& err, const QString& problem)
{
    err << problem << "\n\n" << SetupCommand::usage();
    err.flush();
    return SetupCommand::kUsage;
}

QString sizeText(qint64 bytes)
{
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

} // namespace

QString usage()
{
    return QStringLiteral(
        "kestar-setup backups PODACI\n"
        "  Lists the backups in back-up beside PODACI, newest first: complete (the backup\n"
        "  came to its end with every file of the data folder, and each copy still has the\n"
        "  size its manifest gives), incomplete (files did not reach the backup, or copies\n"
        "  are gone), unfinished (the backup never ended), damaged, or made before backups\n"
        "  recorded a manifest (no manifest). Only restore reads every copy back against\n"
        "  its checksum.\n"
        "kestar-setup restore PODACI STAMP [--force]\n"
        "  Puts the backup STAMP in the place of PODACI, refused while KESTAR runs on it.\n"
        "  Only a complete backup whose copies all match their checksums is restored; the\n"
        "  set is put together in a hidden folder and renamed into place, and the former\n"
        "  PODACI is kept beside it as PODACI.pre-restore-STAMP, with its journals. The\n"
        "  check of the restored folder ends the run, and its exit code is the check's.\n"
        "  When PODACI names a PostgreSQL database (baza.txt), the set's tables replace the\n"
        "  database's in one transaction, and the tables replaced are kept as table files in\n"
        "  PODACI.pre-restore-STAMP beside its former text files.\n"
        "  --force   also restore a backup without a manifest that holds the five tables\n");
}

int listBackups(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    if (arguments.size() != 1 || arguments.first().startsWith(QLatin1String("--")) ||
        arguments.first().isEmpty())
        return usageError(err, QStringLiteral("backups needs the data folder, and only it."));
    const QString dataFolder = QDir(arguments.first()).absolutePath();
    const QString backupFolder = check::BackupCopies::folderBeside(dataFolder);
    if (backupFolder.isEmpty()) {
        err << "There is no backup folder back-up beside " << QDir::toNativeSeparators(dataFolder)
            << '\n';
        err.flush();
        return SetupCommand::kRefused;
    }
    const QList<restore::BackupSet> sets = restore::BackupSets::list(backupFolder);
    out << "Backups of " << QDir::toNativeSeparators(dataFolder) << " in "
        << QDir::toNativeSeparators(backupFolder) << ", newest first:\n";
    if (sets.isEmpty())
        out << "  none\n";
    for (const restore::BackupSet& set : sets) {
        out << "  " << set.stamp.leftJustified(19) << ' '
            << restore::BackupSet::statusName(set.status).leftJustified(12) << ' '
            << QStringLiteral("%1 files").arg(set.copies.size()).leftJustified(10) << ' '
            << sizeText(set.bytes).leftJustified(10) << ' '
            << set.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (!set.detail.isEmpty())
            out << "\n" << QString(23, QLatin1Char(' ')) << set.detail;
        if (set.status == restore::BackupSet::Status::NoManifest)
            out << "\n" << QString(23, QLatin1Char(' ')) << "restore takes it only with --force";
        out << '\n';
    }
    out.flush();
    return SetupCommand::kOk;
}

int restore(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    restore::RestoreOptions options;
    QStringList positional;
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--force"))
            options.force = true;
        else if (argument.startsWith(QLatin1String("--")))
            return usageError(err, QStringLiteral("Unknown option: %1").arg(argument));
        else
            positional.append(argument);
    }
    if (positional.size() != 2 || positional.at(0).isEmpty() || positional.at(1).isEmpty())
        return usageError(err, QStringLiteral("restore needs the data folder and a backup stamp."));
    options.dataFolder = positional.at(0);
    options.stamp = positional.at(1);
    if (options.stamp.contains(QLatin1Char('/')) || options.stamp.contains(QLatin1Char('\\')))
        return usageError(err,
                          QStringLiteral("A backup stamp names no folder: %1").arg(options.stamp));
    try {
        if (!restore::FolderRestore::run(options, out, err))
            return SetupCommand::kRefused;
    } catch (const std::exception& error) {
        out.flush();
        err << "The restore stopped: " << error.what() << '\n';
        err.flush();
        return SetupCommand::kRefused;
    }
    return CheckCommand::run({options.dataFolder, QStringLiteral("--since"), options.stamp}, out,
                             err);
}

} // namespace kestar::RestoreCommand
