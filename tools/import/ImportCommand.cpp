#include "tools/import/ImportCommand.h"

#include "tools/SetupCommand.h"
#include "tools/import/ImportReport.h"
#include "tools/import/OldFolderImport.h"
#include "tools/import/TableImport.h"

#include <QDir>
#include <QStringDecoder>
#include <exception>

namespace kestar::ImportCommand {

QString usage()
{
    return QStringLiteral(
        "kestar-setup import OLD_PODACI NEW_PODACI [--codepage N] [--postgres CONNINFO]\n"
        "  Makes the data folder NEW_PODACI from the data folder of the old installation:\n"
        "  the tables magacin, pmagacin, prometx, korisnici and masina (.DB files with their\n"
        "  .MB memo files) are read and written as KESTAR tables, every other file (firma.txt,\n"
        "  oprema.txt, the counters, grupe.txt, sgrupe.txt, ...) is copied unchanged. OLD_PODACI\n"
        "  is only read. NEW_PODACI must not exist yet, or be empty; it is made only when all\n"
        "  five tables can be read. A report of rows, fields and values that did not come over\n"
        "  ends the run.\n"
        "  --codepage N    read the old tables' text in code page N (1250, 852, ...) instead of\n"
        "                  the one each table's header names; the report says which was used\n"
        "  --postgres CONNINFO  put the tables into that PostgreSQL database (which must not\n"
        "                  hold them yet) instead of table files; NEW_PODACI names it in\n"
        "                  baza.txt\n");
}

int run(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    const auto usageError = [&err](const QString& problem) {
        err << problem << "\n\n" << usage();
        err.flush();
        return SetupCommand::kUsage;
    };
    QStringList folders;
    int codePage = 0;
    QString postgres;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--codepage")) {
            bool ok = false;
            codePage = i + 1 < arguments.size() ? arguments.at(++i).toInt(&ok) : 0;
            if (!ok || codePage <= 0 || TableImport::codecName(codePage).isEmpty() ||
                !QStringDecoder(TableImport::codecName(codePage).toLatin1().constData()).isValid())
                return usageError(QStringLiteral("--codepage needs a code page this computer "
                                                 "can convert, such as 1250 or 852."));
        } else if (argument == QLatin1String("--postgres")) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty())
                return usageError(QStringLiteral("--postgres needs a connection string."));
            postgres = arguments.at(++i);
        } else if (argument.startsWith(QLatin1String("--"))) {
            return usageError(QStringLiteral("Unknown option: %1").arg(argument));
        } else {
            folders.append(argument);
        }
    }
    if (folders.size() != 2 || folders.at(0).isEmpty() || folders.at(1).isEmpty())
        return usageError(QStringLiteral("import needs the old and the new data folder."));

    try {
        out << "Import of " << QDir::toNativeSeparators(QDir(folders.at(0)).absolutePath())
            << " into " << QDir::toNativeSeparators(QDir(folders.at(1)).absolutePath()) << "\n\n";
        ImportReport report;
        const bool made =
            OldFolderImport::run(folders.at(0), folders.at(1), report, codePage, postgres);
        out << report.text();
        out.flush();
        if (!made) {
            err << "Nothing was written.\n";
            err.flush();
            return SetupCommand::kRefused;
        }
        return SetupCommand::kOk;
    } catch (const std::exception& error) {
        out.flush();
        err << "The import failed: " << error.what() << '\n';
        err.flush();
        return SetupCommand::kRefused;
    }
}

} // namespace kestar::ImportCommand
