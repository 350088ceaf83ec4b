#pragma once

#include "tools/SetupCommand.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace kestar::test {

// What one run of kestar-setup gave back.
struct CommandResult
{
    int code = -1;
    QString out;
    QString err;
};

// kestar-setup with the arguments given (without the program name), run in this process.
inline CommandResult runSetup(const QStringList& arguments)
{
    CommandResult result;
    QTextStream out(&result.out);
    QTextStream err(&result.err);
    result.code = SetupCommand::run(arguments, out, err);
    return result;
}

} // namespace kestar::test
