#include "masterdata/GroupFiles.h"

#include "data/EngineError.h"
#include "data/TextFileSnapshot.h"
#include "data/TextFiles.h"

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
    // The two files pair by position: when the second cannot be written, the first goes back.
    const TextFileSnapshot formerNames(kNameFile);
    TextFiles::replaceLines(kNameFile, names);
    try {
        TextFiles::replaceLines(kCodeFile, codes);
    } catch (const EngineError& error) {
        throw EngineError(formerNames.restoreAfter(error.text()));
    }
}

} // namespace kestar
