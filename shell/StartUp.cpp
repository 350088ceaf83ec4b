#include "shell/StartUp.h"

#include "data/EngineError.h"
#include "data/TextFiles.h"
#include "data/controls/Messages.h"
#include "platform/Clock.h"
#include "platform/Regional.h"
#include "platform/WorkingFolder.h"
#include "shell/CompanyFields.h"
#include "shell/DateFormatCheck.h"
#include "shell/MainWindow.h"
#include "shell/StatusPanels.h"

namespace kestar {

namespace {
struct CounterFile
{
    const char* name;
    int panel;
};

const CounterFile kCounters[] = {
    {"podaci/dokument.txt", StatusPanels::kDocumentNumber},
    {"podaci/predracun.txt", StatusPanels::kOrderNumber},
    {"podaci/rnalog.txt", StatusPanels::kWorkOrderNumber},
    {"podaci/otpremnica.txt", StatusPanels::kIssueNumber},
    {"podaci/ulaz.txt", StatusPanels::kReceiptNumber},
};
} // namespace

StartUpResult runStartUp(MainWindow& window)
{
    StartUpResult result;
    Messages& messages = window.messages();

    result.dateFormatFits = dateFormatFits(Regional::formatDate(Clock::today()));
    if (!result.dateFormatFits) {
        for (const QString& text : dateFormatMessages())
            messages.show(text);
    }
    window.setDateCheckFailed(!result.dateFormatFits);

    window.setProgramFolder(WorkingFolder::current());

    try {
        window.setEquipmentSwitch(
            TextFiles::readFirstListedNumber(QStringLiteral("podaci\\oprema.txt")).value);
        window.showPage(PageIndex::Login);
        window.setPanel(StatusPanels::kUser, Regional::formatDate(Clock::today()));
        result.companyFields = TextFiles::readCompanyFields(QStringLiteral("podaci/firma.txt"));
        window.setLetterhead(composeLetterhead(result.companyFields));
        for (const CounterFile& counter : kCounters) {
            const NumberLine line =
                TextFiles::readFirstLineNumber(QString::fromLatin1(counter.name));
            window.setPanel(counter.panel, line.text);
        }
    } catch (const EngineError& error) {
        messages.showError(error.text());
    }
    // Whatever failed above, the window opens on the login page.
    window.showPage(PageIndex::Login);
    return result;
}

} // namespace kestar
