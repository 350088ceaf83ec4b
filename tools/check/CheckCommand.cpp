#include "tools/check/CheckCommand.h"

#include "platform/Regional.h"
#include "tools/SetupCommand.h"
#include "tools/check/CheckReport.h"
#include "tools/check/FolderCheck.h"

#include <QDir>
#include <exception>

namespace kestar::CheckCommand {

QString usage()
{
    return QStringLiteral(
        "kestar-setup check PODACI [--since BACKUP_STAMP]\n"
        "  Checks a data folder without changing anything in it: lists the journals a crash\n"
        "  left and what the program does with each when it next starts; reads every table\n"
        "  back as the program reads it and lists the values it cannot read (row, field, what\n"
        "  is wrong) and repeated article codes; compares the counters dokument.txt,\n"
        "  otpremnica.txt and ulaz.txt with the ledger and lists document numbers\n"
        "  (BROJDOKUMENTA) held by more than one posting; compares each article's stock with\n"
        "  the ledger rows added since a backup and lists ledger rows gone since then; lists\n"
        "  articles whose KOLICINA is not MAGACIN1+...+MAGACIN5, for information.\n"
        "  --since BACKUP_STAMP   the backup to compare with, by its stamp as the backup\n"
        "                         names its copies in back-up beside PODACI\n"
        "                         (08-12-26-09-05-07); without it the newest backup\n"
        "                         holding both magacin.db and prometx.db, if any\n"
        "  Exit code 0 when the folder is consistent, 1 when problems were found or the\n"
        "  folder cannot be checked, 2 for a wrong command line.\n");
}

int run(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    const auto usageError = [&err](const QString& problem) {
        err << problem << "\n\n" << SetupCommand::usage();
        err.flush();
        return SetupCommand::kUsage;
    };
    check::FolderCheckOptions options;
    bool haveFolder = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--since")) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty())
                return usageError(QStringLiteral("--since needs a backup stamp."));
            options.sinceStamp = arguments.at(++i);
        } else if (argument.startsWith(QLatin1String("--since="))) {
            options.sinceStamp = argument.mid(int(qstrlen("--since=")));
            if (options.sinceStamp.isEmpty())
                return usageError(QStringLiteral("--since needs a backup stamp."));
        } else if (argument.startsWith(QLatin1String("--"))) {
            return usageError(QStringLiteral("Unknown option: %1").arg(argument));
        } else if (!haveFolder) {
            options.dataFolder = argument;
            haveFolder = true;
        } else {
            return usageError(
                QStringLiteral("Only one data folder can be checked at a time: %1").arg(argument));
        }
    }
    if (!haveFolder || options.dataFolder.isEmpty())
        return usageError(QStringLiteral("No data folder given."));
    if (options.sinceStamp.contains(QLatin1Char('/')) ||
        options.sinceStamp.contains(QLatin1Char('\\')))
        return usageError(
            QStringLiteral("A backup stamp names no folder: %1").arg(options.sinceStamp));

    // Stored values are read back with the settings the program insists on at start-up, not
    // with whatever the machine running the check happens to use.
    const ScopedRegional regional(Regional::standard());
    check::CheckReport report(out);
    try {
        out << "Checking the data folder "
            << QDir::toNativeSeparators(QDir(options.dataFolder).absolutePath()) << '\n';
        if (!check::FolderCheck::run(options, report)) {
            out.flush();
            err << "Not a data folder: " << QDir::toNativeSeparators(options.dataFolder) << '\n';
            err.flush();
            return SetupCommand::kRefused;
        }
    } catch (const std::exception& error) {
        out.flush();
        err << "The check stopped: " << error.what() << '\n';
        err.flush();
        return SetupCommand::kRefused;
    }
    report.verdict();
    return report.problems() == 0 ? SetupCommand::kOk : SetupCommand::kRefused;
}

} // namespace kestar::CheckCommand
