#include "shell/StartUpRefusal.h"

#include "data/DataFolderRefusal.h"
#include "data/JournalRecovery.h"

#include <QDir>

namespace kestar {

QString startUpRefusalText(const DataFolderRefusal& refusal)
{
    if (refusal.reason() == DataFolderRefusal::Reason::ScratchFolder) {
        return QStringLiteral(
                   "PROGRAM NE MOZE DA ZASTITI PODATKE!!!\n\n"
                   "U folderu programa %1 ne moze da se napravi pomocni folder baze podataka "
                   "(%2). Bez njega bi prekid rada ili nestanak struje za vreme snimanja mogao "
                   "da ostavi dokument upola upisan, zato program ne radi.\n\n"
                   "Omogucite upis u folder programa i pokrenite program ponovo. Nista nije "
                   "upisano.")
            .arg(refusal.folder(), refusal.detail());
    }
    return QStringLiteral(
               "PODACI NISU OTVORENI!!!\n\n"
               "U folderu %1 je posle prekida rada ostao nedovrsen upis (%2). On se poziva na "
               "fajl %3, koji vise ne postoji, pa se ne zna da li je upis zavrsen. To se desava "
               "kada se folder programa premesti ili preimenuje posle prekida rada.\n\n"
               "Vratite folder programa na mesto %4 i pokrenite program odatle, ili vratite "
               "podatke iz rezervne kopije. Nista nije upisano.")
        .arg(
            QDir::toNativeSeparators(refusal.folder()),
            refusal.journals().join(QStringLiteral(", ")),
            QDir::toNativeSeparators(refusal.superJournal()),
            QDir::toNativeSeparators(JournalRecovery::formerProgramFolder(refusal.superJournal())));
}

} // namespace kestar
