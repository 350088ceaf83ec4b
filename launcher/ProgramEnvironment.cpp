#include "launcher/ProgramEnvironment.h"

namespace kestar::ProgramEnvironment {

QProcessEnvironment forProgram(const QProcessEnvironment& desktop)
{
    QProcessEnvironment environment = desktop;
    const QString all = environment.value(QStringLiteral("LC_ALL"));
    if (!all.isEmpty()) {
        for (const QString& name : environment.keys()) {
            if (name.startsWith(QLatin1String("LC_")))
                environment.remove(name);
        }
        environment.insert(QStringLiteral("LANG"), all);
    }
    environment.remove(QStringLiteral("LC_ALL"));
    environment.insert(QStringLiteral("LC_TIME"), QString::fromLatin1(kRegionalLocale));
    environment.insert(QStringLiteral("LC_NUMERIC"), QString::fromLatin1(kRegionalLocale));
    return environment;
}

} // namespace kestar::ProgramEnvironment
