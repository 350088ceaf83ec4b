#include "data/TableJournals.h"

#include "data/EngineError.h"
#include "data/SqliteStatement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace kestar::TableJournals {

namespace {

const QString kSuffix = QStringLiteral("-journal");

quint32 bigEndian(const QByteArray& bytes, qsizetype at)
{
    return (quint32(uchar(bytes.at(at))) << 24) | (quint32(uchar(bytes.at(at + 1))) << 16) |
           (quint32(uchar(bytes.at(at + 2))) << 8) | quint32(uchar(bytes.at(at + 3)));
}

QByteArray readJournal(const QString& path)
{
    QFile journal(path);
    if (!journal.open(QIODevice::ReadOnly))
        return {};
    return journal.readAll();
}

// The super-journal's name closes the journal: the name, its length, a checksum and a fixed
// mark.
QString superJournalIn(const QByteArray& bytes)
{
    static const QByteArray kMark = QByteArray::fromHex("d9d505f920a163d7");
    if (bytes.size() < 20 || !bytes.endsWith(kMark))
        return {};
    const qsizetype at = bytes.size() - 16;
    const quint32 length = bigEndian(bytes, at);
    if (length == 0 || length > quint32(at))
        return {};
    return QFile::decodeName(bytes.mid(at - length, length));
}

QString rollBack(const QString& table)
{
    sqlite3* db = nullptr;
    QString error;
    if (sqlite3_open_v2(QFile::encodeName(table).constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        error = db ? sqliteError(db) : QStringLiteral("out of memory");
    } else {
        try {
            // The first read of a table settles its journal.
            sqliteExec(db, QStringLiteral("SELECT count(*) FROM sqlite_master"));
        } catch (const EngineError& failed) {
            error = failed.text();
        }
    }
    sqlite3_close(db);
    return error;
}

} // namespace

State stateOf(const QString& journalPath)
{
    const QByteArray bytes = readJournal(journalPath);
    if (bytes.isEmpty())
        return State::None;
    if (bytes.at(0) == '\0')
        return State::Finished;
    const QString super = superJournalIn(bytes);
    if (super.isEmpty() || QFileInfo::exists(super))
        return State::Hot;
    return State::Orphaned;
}

QString superJournalOf(const QString& journalPath)
{
    return superJournalIn(readJournal(journalPath));
}

QStringList journalsIn(const QString& folder)
{
    QStringList journals;
    const QStringList entries = QDir(folder).entryList(
        {QStringLiteral("*") + kSuffix}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& entry : entries)
        journals.append(QDir(folder).filePath(entry));
    return journals;
}

QList<Unsettled> settle(const QString& folder)
{
    QList<Unsettled> unsettled;
    for (const QString& journal : journalsIn(folder)) {
        const QString table = journal.chopped(kSuffix.size());
        const QString name = QFileInfo(table).fileName();
        QString reason;
        switch (stateOf(journal)) {
        case State::Orphaned:
            unsettled.append({name, true, superJournalOf(journal)});
            continue;
        case State::Hot:
            reason = QFileInfo(table).isFile() ? rollBack(table)
                                               : QStringLiteral("No such file or directory");
            break;
        case State::None:
        case State::Finished:
            break;
        }
        if (reason.isEmpty() && QFileInfo::exists(journal) && stateOf(journal) != State::Hot &&
            !QFile::remove(journal))
            reason = QStringLiteral("%1-journal: cannot remove it").arg(name);
        if (reason.isEmpty() && QFileInfo::exists(journal))
            reason = QStringLiteral("%1-journal: still hot after the table was read").arg(name);
        if (!reason.isEmpty())
            unsettled.append({name, false, reason});
    }
    return unsettled;
}

} // namespace kestar::TableJournals
