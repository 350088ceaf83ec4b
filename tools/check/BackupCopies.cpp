#include "tools/check/BackupCopies.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace kestar::check {

namespace {

const QString kMagacin = QStringLiteral("magacin.db");
const QString kPrometx = QStringLiteral("prometx.db");

// Files of the backup folder by name in lower case (copies from another system may be named
// in capitals), with their paths.
QHash<QString, QFileInfo> filesOf(const QString& folder)
{
    QHash<QString, QFileInfo> files;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries)
        files.insert(entry.fileName().toLower(), entry);
    return files;
}

} // namespace

QString BackupCopies::folderBeside(const QString& dataFolder)
{
    QDir parent(QFileInfo(QDir(dataFolder).absolutePath()).dir());
    const QStringList entries = parent.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        if (entry.compare(QLatin1String("back-up"), Qt::CaseInsensitive) == 0)
            return parent.filePath(entry);
    }
    return {};
}

std::optional<BackupCopies> BackupCopies::withStamp(const QString& backupFolder,
                                                    const QString& stamp, QString* why)
{
    const QHash<QString, QFileInfo> files = filesOf(backupFolder);
    BackupCopies copies{stamp, {}, {}};
    QStringList missing;
    for (const auto& [name, target] :
         {std::pair{kMagacin, &copies.magacin}, std::pair{kPrometx, &copies.prometx}}) {
        const auto found = files.constFind((stamp + name).toLower());
        if (found == files.constEnd())
            missing.append(stamp + name);
        else
            *target = found->filePath();
    }
    if (!missing.isEmpty()) {
        if (why)
            *why = QStringLiteral("%1 has no %2")
                       .arg(QDir::toNativeSeparators(backupFolder),
                            missing.join(QLatin1String(" and no ")));
        return std::nullopt;
    }
    return copies;
}

std::optional<BackupCopies> BackupCopies::newest(const QString& backupFolder)
{
    const QHash<QString, QFileInfo> files = filesOf(backupFolder);
    std::optional<BackupCopies> best;
    QDateTime bestTime;
    for (auto it = files.constBegin(); it != files.constEnd(); ++it) {
        if (!it.key().endsWith(kMagacin))
            continue;
        // "pmagacin.db" ends like "magacin.db" too; its stamp has no ledger copy beside it.
        const QString stampLower = it.key().chopped(kMagacin.size());
        const auto ledger = files.constFind(stampLower + kPrometx);
        if (ledger == files.constEnd())
            continue;
        const QDateTime time = std::max(it->lastModified(), ledger->lastModified());
        const QString stamp = it->fileName().chopped(kMagacin.size());
        // Copies of one second sort by stamp, so the choice never depends on the listing.
        if (!best || time > bestTime || (time == bestTime && stamp > best->stamp)) {
            best = BackupCopies{stamp, it->filePath(), ledger->filePath()};
            bestTime = time;
        }
    }
    return best;
}

} // namespace kestar::check
