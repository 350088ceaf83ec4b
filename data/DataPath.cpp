#include "data/DataPath.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace kestar {

namespace {

QString entryIgnoringCase(const QString& folder, const QString& part)
{
    const QStringList entries = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& entry : entries) {
        if (entry.compare(part, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return part;
}

} // namespace

QString DataPath::resolve(const QString& name)
{
    QString normal = name;
    normal.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QString path = normal.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QDir::currentPath();
    const QStringList parts = normal.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const QString exact = QDir(path).filePath(part);
        if (part == QLatin1String(".") || part == QLatin1String("..") || QFileInfo::exists(exact))
            path = exact;
        else
            path = QDir(path).filePath(entryIgnoringCase(path, part));
    }
    return path;
}

} // namespace kestar
