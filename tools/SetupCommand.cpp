#include "tools/SetupCommand.h"

#include "data/EngineError.h"
#include "tools/SetupFolder.h"
#include "tools/check/CheckCommand.h"
#include "tools/import/ImportCommand.h"
#include "tools/restore/RestoreCommand.h"

#include <QDir>
#include <exception>

namespace kestar {

QString SetupCommand::usage()
{
    return QStringLiteral(
               "Usage: kestar-setup new PODACI_FOLDER [--password P] [--demo] [--postgres "
               "CONNINFO]\n"
               "       kestar-setup import OLD_PODACI NEW_PODACI [--codepage N]\n"
               "       kestar-setup check PODACI [--since BACKUP_STAMP]\n"
               "       kestar-setup backups PODACI\n"
               "       kestar-setup restore PODACI STAMP [--force]\n"
               "       kestar-setup --help\n"
               "\n"
               "Makes a new data folder for KESTAR: the five empty tables, the text files with\n"
               "their starting contents and the user \"Administrator\".\n"
               "\n"
               "  PODACI_FOLDER   the data folder to make (podaci beside the program); it must "
               "not\n"
               "                  exist yet, or be empty\n"
               "  --password P    the administrator's password, at most 3 characters (default "
               "123)\n"
               "  --demo          also fill in an invented firm with groups, articles, machines, "
               "a\n"
               "                  worker user (Magacioner, password 111) and a few posted "
               "documents\n"
               "  --postgres CONNINFO  keep the tables in that PostgreSQL database (a libpq\n"
               "                  connection string without a password, e.g. \"host=server\n"
               "                  dbname=kestar user=kestar\"; the password goes in ~/.pgpass);\n"
               "                  the database must not hold the tables yet, and the folder\n"
               "                  gets the file baza.txt naming it\n") +
           QStringLiteral("\n") + ImportCommand::usage() + QStringLiteral("\n") +
           CheckCommand::usage() + QStringLiteral("\n") + RestoreCommand::usage();
}

int SetupCommand::run(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        out << usage();
        out.flush();
        return kOk;
    }
    const auto usageError = [&err](const QString& problem) {
        err << problem << "\n\n" << usage();
        err.flush();
        return kUsage;
    };
    if (arguments.isEmpty())
        return usageError(QStringLiteral("No command given."));
    if (arguments.first() == QLatin1String("import"))
        return ImportCommand::run(arguments.mid(1), out, err);
    if (arguments.first() == QLatin1String("check"))
        return CheckCommand::run(arguments.mid(1), out, err);
    if (arguments.first() == QLatin1String("backups"))
        return RestoreCommand::listBackups(arguments.mid(1), out, err);
    if (arguments.first() == QLatin1String("restore"))
        return RestoreCommand::restore(arguments.mid(1), out, err);
    if (arguments.first() != QLatin1String("new"))
        return usageError(QStringLiteral("Unknown command: %1").arg(arguments.first()));

    SetupOptions options;
    bool haveFolder = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--demo")) {
            options.demo = true;
        } else if (argument == QLatin1String("--password")) {
            if (i + 1 >= arguments.size())
                return usageError(QStringLiteral("--password needs a value."));
            options.password = arguments.at(++i);
        } else if (argument == QLatin1String("--postgres")) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty())
                return usageError(QStringLiteral("--postgres needs a connection string."));
            options.postgres = arguments.at(++i);
        } else if (argument.startsWith(QLatin1String("--postgres="))) {
            options.postgres = argument.mid(int(qstrlen("--postgres=")));
            if (options.postgres.isEmpty())
                return usageError(QStringLiteral("--postgres needs a connection string."));
        } else if (argument.startsWith(QLatin1String("--password="))) {
            options.password = argument.mid(int(qstrlen("--password=")));
        } else if (argument.startsWith(QLatin1String("--"))) {
            return usageError(QStringLiteral("Unknown option: %1").arg(argument));
        } else if (!haveFolder) {
            options.folder = argument;
            haveFolder = true;
        } else {
            return usageError(
                QStringLiteral("Only one data folder can be made at a time: %1").arg(argument));
        }
    }
    if (!haveFolder || options.folder.isEmpty())
        return usageError(QStringLiteral("No data folder given."));

    try {
        SetupFolder::create(options);
    } catch (const SetupError& error) {
        err << error.text() << '\n';
        err.flush();
        return kRefused;
    } catch (const EngineError& error) {
        err << "The data folder could not be made: " << error.text() << '\n';
        err.flush();
        return kRefused;
    } catch (const std::exception& error) {
        err << "The data folder could not be made: " << error.what() << '\n';
        err.flush();
        return kRefused;
    }
    out << "Made the data folder " << QDir::toNativeSeparators(QDir(options.folder).absolutePath())
        << (options.demo ? " with demo data" : "")
        << (options.postgres.isEmpty()
                ? QString()
                : QStringLiteral(", its tables in the database \"%1\"").arg(options.postgres))
        << "; the first user is Administrator.\n";
    out.flush();
    return kOk;
}

} // namespace kestar
