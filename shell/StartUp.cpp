#include "shell/StartUp.h"

#include "data/EngineError.h"
#include "data/SharedData.h"
#include "data/TextFiles.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "platform/Regional.h"
#include "platform/WorkingFolder.h"
#include "shell/CompanyFields.h"
#include "shell/DateFormatCheck.h"
#include "shell/Navigator.h"
#include "shell/StatusPanels.h"
#include "shell/Workplace.h"

namespace kestar {

StartUpResult runStartUp(Workplace& workplace, Navigator& navigator)
{
    StartUpResult result;
    Messages& messages = workplace.messages();

    result.dateFormatFits = dateFormatFits(Regional::formatDate(Clock::today()));
    if (!result.dateFormatFits) {
        for (const QString& text : dateFormatMessages())
            messages.show(text);
    }
    workplace.setDateCheckFailed(!result.dateFormatFits);

    workplace.setProgramFolder(WorkingFolder::current());

    SharedData& shared = workplace.sharedData();
    try {
        workplace.setEquipmentSwitch(shared.equipmentSwitch().value);
        navigator.showPage(PageKey::Login);
        // Until someone logs in, the user panel shows the day.
        navigator.setPanel(StatusPanels::kUser, Regional::formatDate(Clock::today()));
        result.companyFields =
            TextFiles::fitFields(shared.companyLines(), TextFiles::kCompanyFieldCount);
        workplace.setLetterhead(composeLetterhead(result.companyFields));
        for (Counter counter : {Counter::Document, Counter::Order, Counter::WorkOrder,
                                Counter::Issue, Counter::Receipt})
            workplace.setLastNumber(counter, shared.lastNumber(counter));
    } catch (const EngineError& error) {
        messages.showError(error.text());
    }
    // Whatever failed above, the window opens on the login page.
    navigator.showPage(PageKey::Login);
    return result;
}

} // namespace kestar
