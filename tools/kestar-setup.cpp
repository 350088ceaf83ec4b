#include "tools/SetupCommand.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestar-setup"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    return kestar::SetupCommand::run(arguments, out, err);
}
