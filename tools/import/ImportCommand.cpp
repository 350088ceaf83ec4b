#include "tools/import/ImportCommand.h"

namespace kestar::ImportCommand {

QString usage()
{
    return QString();
}

int run(const QStringList&, QTextStream&, QTextStream& err)
{
    err << "Not built yet.\n";
    return 1;
}

} // namespace kestar::ImportCommand
