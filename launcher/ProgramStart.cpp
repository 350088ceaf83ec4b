#include "launcher/ProgramStart.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace kestar::ProgramStart {

QString programPath(const QString& launcherFolder)
{
    const QDir folder(launcherFolder);
    for (const char* relative : {KESTAR_PROGRAM_FROM_LAUNCHER, "../app/kestar"}) {
        const QFileInfo program(folder.filePath(QString::fromUtf8(relative)));
        if (program.isFile() && program.isExecutable())
            return QDir::cleanPath(program.absoluteFilePath());
    }
    return {};
}

QString exec(const QString& program, const QString& folder, const QProcessEnvironment& environment)
{
    if (::chdir(QFile::encodeName(folder).constData()) != 0)
        return QStringLiteral("%1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
    const std::string path = QFile::encodeName(program).toStdString();
    std::vector<std::string> variables;
    for (const QString& variable : environment.toStringList())
        variables.push_back(variable.toStdString());
    std::vector<char*> envp;
    for (std::string& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    std::string name = path;
    char* argv[] = {name.data(), nullptr};
    ::execve(path.c_str(), argv, envp.data());
    return QStringLiteral("%1: %2").arg(program, QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace kestar::ProgramStart
