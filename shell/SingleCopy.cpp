#include "shell/SingleCopy.h"

#include "data/DataFolderLock.h"
#include "data/DataPath.h"
#include "data/DataStore.h"
#include "data/EngineError.h"
#include "platform/Messages.h"

#include <QDir>

namespace kestar::SingleCopy {

QString dataFolder()
{
    return DataPath::resolve(QStringLiteral("podaci"));
}

QString heldElsewhereText(const DataFolderLock& lock)
{
    const DataFolderLock::Holder& holder = lock.holder();
    QString text = QStringLiteral("PROGRAM VEC RADI SA OVIM PODACIMA!!!\n\nFolder: %1\n")
                       .arg(lock.absoluteFolder());
    if (holder.pid <= 0) {
        text += QStringLiteral("Koristi ga drugi program (racunar i proces se ne vide).\n\n"
                               "Zatvorite ga, pa pokrenite ovaj ponovo.");
        return text;
    }
    const QString host = holder.host.isEmpty() ? QStringLiteral("?") : holder.host;
    text += QStringLiteral("Koristi ga: racunar %1, proces %2.\n\n").arg(host).arg(holder.pid);
    if (holder.sameHost) {
        text += QStringLiteral("Zatvorite taj program, pa pokrenite ovaj ponovo.");
    } else {
        text += QStringLiteral("Zatvorite program na racunaru %1, pa pokrenite ovaj ponovo. Ako "
                               "on tamo vise ne radi, obrisite fajl %2, pa pokrenite ovaj ponovo.")
                    .arg(host, QDir::toNativeSeparators(lock.lockFilePath()));
    }
    return text;
}

bool claim(DataFolderLock& lock, Messages& messages)
{
    // Workstations share a database through its server, which keeps them apart itself; the
    // lock is for a folder of table files, which one copy alone may write. A selector file
    // that cannot be read is reported by start-up.
    try {
        if (!DataStore::connectionString(lock.absoluteFolder()).isEmpty())
            return true;
    } catch (const EngineError&) {
        return true;
    }
    switch (lock.acquire()) {
    case DataFolderLock::Outcome::Held:
    case DataFolderLock::Outcome::FolderMissing:
    case DataFolderLock::Outcome::NotPermitted:
        return true;
    case DataFolderLock::Outcome::HeldElsewhere:
        messages.showError(heldElsewhereText(lock));
        return false;
    case DataFolderLock::Outcome::Failed:
        break;
    }
    messages.showError(QStringLiteral("FOLDER SA PODACIMA SE NE MOZE ZAKLJUCATI!!!\n\nFolder: "
                                      "%1\n%2")
                           .arg(lock.absoluteFolder(), lock.errorText()));
    return false;
}

} // namespace kestar::SingleCopy
