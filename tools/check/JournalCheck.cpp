#include "tools/check/JournalCheck.h"

#include "data/JournalRecovery.h"
#include "tools/check/CheckReport.h"

#include <QDir>
#include <QFileInfo>

namespace kestar::check {

namespace {

QString programFolderOf(const QString& dataFolder)
{
    QDir folder(QFileInfo(dataFolder).absoluteFilePath());
    folder.cdUp();
    return folder.path();
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// What the program does with the journal when it next starts.
QString fate(const JournalFinding& finding)
{
    using Kind = JournalFinding::Kind;
    switch (finding.kind) {
    case Kind::Own:
        return QStringLiteral("the program rolls that write back when it next starts");
    case Kind::Unfinished:
        return QStringLiteral("its super-journal %1 is there, so the commit did not finish; the "
                              "program rolls the write back when it next starts")
            .arg(native(finding.superJournal));
    case Kind::Finished:
        return QStringLiteral("its super-journal %1 is gone from a folder still there, so the "
                              "commit finished; the program deletes the journal when it next "
                              "starts")
            .arg(native(finding.superJournal));
    case Kind::Moved:
        return QStringLiteral("it names the super-journal %1, which now lies at %2 (the program "
                              "folder was moved); the commit did not finish, and the program "
                              "rolls the write back when it next starts")
            .arg(native(finding.superJournal), native(finding.foundAt));
    case Kind::Lost:
        return QStringLiteral("it names the super-journal %1, which no longer exists, so whether "
                              "the write finished cannot be told; the program refuses to open "
                              "the tables. Move the program folder back to %2 and start the "
                              "program there, or restore a backup")
            .arg(native(finding.superJournal),
                 native(JournalRecovery::formerProgramFolder(finding.superJournal)));
    }
    return {};
}

} // namespace

void reportJournals(const QString& dataFolder, CheckReport& report)
{
    const QList<JournalFinding> findings =
        JournalRecovery::inspect(dataFolder, programFolderOf(dataFolder));
    for (const JournalFinding& finding : findings) {
        const QString text = QStringLiteral("%1: an unfinished write; %2")
                                 .arg(QFileInfo(finding.journal).fileName(), fate(finding));
        if (finding.kind == JournalFinding::Kind::Lost)
            report.problem(text);
        else
            report.note(text);
    }
    if (findings.isEmpty())
        report.note(QStringLiteral("None: every write was finished or rolled back."));
}

QString journalNote(const QString& tablePath)
{
    const QString journal = tablePath + QStringLiteral("-journal");
    const QString dataFolder = QFileInfo(tablePath).absolutePath();
    for (const JournalFinding& finding :
         JournalRecovery::inspect(dataFolder, programFolderOf(dataFolder))) {
        if (QFileInfo(finding.journal) == QFileInfo(journal))
            return QStringLiteral("an unfinished write left %1 beside it: %2")
                .arg(QFileInfo(journal).fileName(), fate(finding));
    }
    return {};
}

} // namespace kestar::check
