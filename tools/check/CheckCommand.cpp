#include "tools/check/CheckCommand.h"

namespace kestar::CheckCommand {

QString usage()
{
    return QString();
}

int run(const QStringList&, QTextStream&, QTextStream& err)
{
    err << "Not built yet.\n";
    return 1;
}

} // namespace kestar::CheckCommand
