#include "data/BackupManifest.h"

#include "data/DiskSync.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace kestar {

namespace {

const QByteArray kHeader = "KESTAR backup manifest";

// "file <sha256> <size> <name>" or "missing <size> <name>"; the name is the rest of the line,
// so that it may hold spaces.
bool parseFile(const QByteArray& line, BackupManifest::File* file)
{
    const bool copied = line.startsWith("file ");
    QByteArray rest = line.mid(copied ? 5 : 8);
    if (copied) {
        const qsizetype space = rest.indexOf(' ');
        file->sha256 = rest.left(space);
        if (space != 64 || QByteArray::fromHex(file->sha256).size() != 32)
            return false;
        rest = rest.mid(space + 1);
    }
    const qsizetype space = rest.indexOf(' ');
    bool ok = false;
    file->size = rest.left(space).toLongLong(&ok);
    file->name = QString::fromUtf8(rest.mid(space + 1));
    return ok && space > 0 && file->size >= 0 && !file->name.isEmpty();
}

} // namespace

QString BackupManifest::fileName(const QString& stamp)
{
    return QLatin1Char('.') + stamp + QStringLiteral(".manifest");
}

QByteArray BackupManifest::toText() const
{
    QByteArray text = kHeader + ' ' + QByteArray::number(kVersion) + '\n';
    text += "stamp " + stamp.toUtf8() + '\n';
    text += "made " + made.toString(Qt::ISODate).toUtf8() + '\n';
    text += "folder " + dataFolder.toUtf8() + '\n';
    for (const File& file : files) {
        if (file.copied())
            text += "file " + file.sha256 + ' ';
        else
            text += "missing ";
        text += QByteArray::number(file.size) + ' ' + file.name.toUtf8() + '\n';
    }
    if (finished)
        text += "end " + QByteArray::number(files.size()) + '\n';
    return text;
}

std::optional<BackupManifest> BackupManifest::parse(const QByteArray& text, QString* why)
{
    const auto refuse = [why](const QString& reason) -> std::optional<BackupManifest> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    QList<QByteArray> lines = text.split('\n');
    if (lines.isEmpty() || lines.first() != kHeader + ' ' + QByteArray::number(kVersion))
        return refuse(QStringLiteral("it is not a manifest of this program's backup"));
    if (!lines.last().isEmpty())
        return refuse(QStringLiteral("its last line is cut off"));
    lines.removeLast();
    BackupManifest manifest;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines.at(i);
        if (manifest.finished)
            return refuse(QStringLiteral("it goes on after its closing line"));
        if (line.startsWith("stamp ")) {
            manifest.stamp = QString::fromUtf8(line.mid(6));
        } else if (line.startsWith("made ")) {
            manifest.made = QDateTime::fromString(QString::fromUtf8(line.mid(5)), Qt::ISODate);
        } else if (line.startsWith("folder ")) {
            manifest.dataFolder = QString::fromUtf8(line.mid(7));
        } else if (line.startsWith("file ") || line.startsWith("missing ")) {
            File file;
            if (!parseFile(line, &file))
                return refuse(QStringLiteral("line %1 cannot be read").arg(i + 1));
            manifest.files.append(file);
        } else if (line.startsWith("end ")) {
            bool ok = false;
            if (line.mid(4).toLongLong(&ok) != manifest.files.size() || !ok)
                return refuse(QStringLiteral("its closing line counts %1 files where it lists %2")
                                  .arg(QString::fromUtf8(line.mid(4)))
                                  .arg(manifest.files.size()));
            manifest.finished = true;
        } else {
            return refuse(QStringLiteral("line %1 cannot be read").arg(i + 1));
        }
    }
    if (manifest.stamp.isEmpty())
        return refuse(QStringLiteral("it names no stamp"));
    return manifest;
}

QString BackupManifest::write(const QString& backupFolder, const BackupManifest& manifest)
{
    QSaveFile file(QDir(backupFolder).filePath(fileName(manifest.stamp)));
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const QByteArray text = manifest.toText();
    if (file.write(text) != text.size() || !file.flush())
        return file.errorString();
    // The new manifest is on the disk before its name replaces the old one's.
    if (::fsync(file.handle()) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (!file.commit())
        return file.errorString();
    return DiskSync::folder(backupFolder);
}

std::optional<BackupManifest> BackupManifest::read(const QString& backupFolder,
                                                   const QString& stamp, QString* why)
{
    QFile file(QDir(backupFolder).filePath(fileName(stamp)));
    if (!file.exists()) {
        if (why)
            *why = QStringLiteral("there is no manifest");
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        if (why)
            *why = file.errorString();
        return std::nullopt;
    }
    std::optional<BackupManifest> manifest = parse(file.readAll(), why);
    if (manifest && manifest->stamp != stamp) {
        if (why)
            *why = QStringLiteral("it belongs to the backup %1").arg(manifest->stamp);
        return std::nullopt;
    }
    return manifest;
}

} // namespace kestar
