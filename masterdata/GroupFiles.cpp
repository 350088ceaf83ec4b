#include "masterdata/GroupFiles.h"

#include "data/DataPath.h"
#include "data/TextFiles.h"

#include <QFile>
#include <QFileInfo>

namespace kestar {

namespace {
const QString kNameFile = QStringLiteral("podaci/grupe.txt");
const QString kCodeFile = QStringLiteral("podaci/sgrupe.txt");
} // namespace

GroupFiles GroupFiles::read()
{
    GroupFiles groups;
    groups.names = TextFiles::readLines(kNameFile);
    groups.codes = TextFiles::readLines(kCodeFile);
    return groups;
}

void GroupFiles::write(const QStringList& names, const QStringList& codes)
{
    const bool hadNames = QFileInfo::exists(DataPath::resolve(kNameFile));
    const QStringList formerNames = hadNames ? TextFiles::readLines(kNameFile) : QStringList();
    TextFiles::replaceLines(kNameFile, names);
    try {
        TextFiles::replaceLines(kCodeFile, codes);
    } catch (...) {
        try {
            if (hadNames)
                TextFiles::replaceLines(kNameFile, formerNames);
            else
                QFile::remove(DataPath::resolve(kNameFile));
        } catch (...) {
            // The code file's error is the one to report.
        }
        throw;
    }
}

} // namespace kestar
