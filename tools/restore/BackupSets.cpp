#include "tools/restore/BackupSets.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <algorithm>

namespace kestar::restore {

namespace {

// A copy's name: the date part, a dash, the time part (left empty by old backups on a computer
// with an unusual time form) and the file's name.
const QRegularExpression
    kCopyName(QStringLiteral("^(\\d\\d-\\d\\d-\\d\\d-(?:\\d\\d-\\d\\d-\\d\\d)?)(.+)$"));
const QRegularExpression kManifestName(QStringLiteral("^\\.(.+)\\.manifest$"));

void judge(const QString& backupFolder, BackupSet& set, const QString& manifestProblem)
{
    if (!set.manifest) {
        set.status =
            manifestProblem.isEmpty() ? BackupSet::Status::NoManifest : BackupSet::Status::Damaged;
        set.detail = manifestProblem.isEmpty()
                         ? QString()
                         : QStringLiteral("the manifest cannot be read: %1").arg(manifestProblem);
        return;
    }
    if (!set.manifest->finished) {
        set.status = BackupSet::Status::Unfinished;
        set.detail = QStringLiteral("the backup did not come to its end");
        return;
    }
    QStringList missing;
    QStringList gone;
    QStringList resized;
    for (const BackupManifest::File& file : set.manifest->files) {
        if (!file.copied()) {
            missing.append(file.name);
            continue;
        }
        const QFileInfo copy(QDir(backupFolder).filePath(set.stamp + file.name));
        if (!copy.isFile())
            gone.append(file.name);
        else if (copy.size() != file.size)
            resized.append(file.name);
    }
    if (!resized.isEmpty()) {
        set.status = BackupSet::Status::Damaged;
        set.detail = QStringLiteral("copies differ in size from the manifest: %1")
                         .arg(resized.join(QStringLiteral(", ")));
    } else if (!missing.isEmpty() || !gone.isEmpty()) {
        set.status = BackupSet::Status::Incomplete;
        QStringList parts;
        if (!missing.isEmpty())
            parts.append(
                QStringLiteral("not backed up: %1").arg(missing.join(QStringLiteral(", "))));
        if (!gone.isEmpty())
            parts.append(QStringLiteral("copies gone: %1").arg(gone.join(QStringLiteral(", "))));
        set.detail = parts.join(QStringLiteral("; "));
    } else {
        set.status = BackupSet::Status::Complete;
    }
}

} // namespace

QString BackupSet::statusName(Status status)
{
    switch (status) {
    case Status::Complete:
        return QStringLiteral("complete");
    case Status::Incomplete:
        return QStringLiteral("incomplete");
    case Status::Unfinished:
        return QStringLiteral("unfinished");
    case Status::Damaged:
        return QStringLiteral("damaged");
    case Status::NoManifest:
        break;
    }
    return QStringLiteral("no manifest");
}

QStringList BackupSet::fileNames() const
{
    QStringList names;
    if (manifest) {
        for (const BackupManifest::File& file : manifest->files)
            names.append(file.name);
        return names;
    }
    for (const QString& copy : copies)
        names.append(copy.mid(stamp.size()));
    return names;
}

QList<BackupSet> BackupSets::list(const QString& backupFolder)
{
    QHash<QString, BackupSet> sets;
    QHash<QString, QString> problems;
    const QFileInfoList entries =
        QDir(backupFolder)
            .entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        if (const auto manifest = kManifestName.match(name); manifest.hasMatch()) {
            BackupSet& set = sets[manifest.captured(1)];
            set.stamp = manifest.captured(1);
            QString why;
            set.manifest = BackupManifest::read(backupFolder, set.stamp, &why);
            if (!set.manifest)
                problems.insert(set.stamp, why);
            continue;
        }
        const auto copy = kCopyName.match(name);
        if (name.startsWith(QLatin1Char('.')) || !copy.hasMatch())
            continue;
        BackupSet& set = sets[copy.captured(1)];
        set.stamp = copy.captured(1);
        set.copies.append(name);
        set.bytes += entry.size();
        set.time = std::max(set.time, entry.lastModified());
    }
    QList<BackupSet> result;
    for (BackupSet& set : sets) {
        if (set.manifest && set.manifest->made.isValid())
            set.time = set.manifest->made;
        judge(backupFolder, set, problems.value(set.stamp));
        result.append(set);
    }
    std::sort(result.begin(), result.end(), [](const BackupSet& a, const BackupSet& b) {
        return a.time != b.time ? a.time > b.time : a.stamp > b.stamp;
    });
    return result;
}

std::optional<BackupSet> BackupSets::find(const QString& backupFolder, const QString& stamp)
{
    for (const BackupSet& set : list(backupFolder)) {
        if (set.stamp == stamp)
            return set;
    }
    return std::nullopt;
}

std::optional<QByteArray> BackupSets::checksum(const QString& path, QString* why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (why)
            *why = file.errorString();
        return std::nullopt;
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file)) {
        if (why)
            *why = file.errorString();
        return std::nullopt;
    }
    return hash.result().toHex();
}

QStringList BackupSets::verify(const QString& backupFolder, const BackupSet& set)
{
    QStringList problems;
    if (!set.manifest)
        return problems;
    for (const BackupManifest::File& file : set.manifest->files) {
        const QString copy = set.stamp + file.name;
        QString why;
        const std::optional<QByteArray> sum = checksum(QDir(backupFolder).filePath(copy), &why);
        if (!sum)
            problems.append(QStringLiteral("%1 cannot be read: %2").arg(copy, why));
        else if (*sum != file.sha256)
            problems.append(
                QStringLiteral("%1 differs from the checksum in the manifest").arg(copy));
    }
    return problems;
}

} // namespace kestar::restore
