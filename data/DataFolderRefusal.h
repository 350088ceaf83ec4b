#pragma once

#include "data/EngineError.h"

#include <QString>
#include <QStringList>

namespace kestar {

// The engine will not work on the data folder of its working folder, because a crash there could
// not be recovered: its scratch folder cannot be made beside the data folder, or a journal left
// by a crash names a super-journal that no longer exists. Nothing has been written. The text is
// the engine's; the program shows its own message from the parts.
class DataFolderRefusal : public EngineError
{
public:
    enum class Reason
    {
        ScratchFolder, // folder: the program folder; detail: the system's reason
        LostJournal,   // folder: the data folder; journals and superJournal name what is lost
    };

    DataFolderRefusal(Reason reason, const QString& folder, const QString& detail,
                      const QStringList& journals = {}, const QString& superJournal = {})
        : EngineError(textFor(reason, folder, detail, journals, superJournal)), m_reason(reason),
          m_folder(folder), m_detail(detail), m_journals(journals), m_superJournal(superJournal)
    {
    }

    Reason reason() const { return m_reason; }
    QString folder() const { return m_folder; }
    QString detail() const { return m_detail; }
    QStringList journals() const { return m_journals; }
    QString superJournal() const { return m_superJournal; }

private:
    static QString textFor(Reason reason, const QString& folder, const QString& detail,
                           const QStringList& journals, const QString& superJournal)
    {
        if (reason == Reason::ScratchFolder)
            return QStringLiteral("Cannot make the engine's scratch folder in %1: %2")
                .arg(folder, detail);
        return QStringLiteral("%1 in %2 names the super-journal %3, which no longer exists: "
                              "whether that write was finished cannot be told")
            .arg(journals.join(QStringLiteral(", ")), folder, superJournal);
    }

    Reason m_reason;
    QString m_folder;
    QString m_detail;
    QStringList m_journals;
    QString m_superJournal;
};

} // namespace kestar
