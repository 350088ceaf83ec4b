#include "shell/DateFormatCheck.h"

#include <QStringList>

namespace kestar {

bool dateFormatFits(const QString& formattedToday)
{
    const qsizetype length = formattedToday.size();
    if (length < 8 || length > 10)
        return true;
    return formattedToday.at(length - 5) == QLatin1Char('/');
}

QStringList dateFormatMessages()
{
    return {QStringLiteral("NEPRAVILNO PODESEN DATUM"),
            QStringLiteral("Podesite u Control Panelu datum na format DD/MM/YYYY"),
            QStringLiteral("Takodje podesite da se decimalno mesto odvaja tackom!")};
}

} // namespace kestar
