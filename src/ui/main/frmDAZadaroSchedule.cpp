#include "ui/main/frmDAZadaro.h"

#include "platform/Components.h"
#include "platform/Prompt.h"
#include "platform/process/ProcessInfo.h"
#include "platform/process/ProcessRunner.h"
#include "platform/schedule/Scheduler.h"
#include "ui/main/ScheduleDialog.h"

namespace ze6 {

void frmDAZadaro::Schedule()
{
    // A schedule runs the file as it is on disk, so that must be what the user sees.
    if (!Document().IsSaved()) {
        if (Document().Jobs().empty()) {
            GetComponents().GetPrompt().Ask({"Add jobs and save the configuration before scheduling it.",
                                             ExecutableName(), PromptButtons::Ok, PromptIcon::Information});
            return;
        }
        const PromptAnswer answer =
            GetComponents().GetPrompt().Ask({"A schedule runs the saved configuration file. Save your changes now?",
                                             ExecutableName(), PromptButtons::YesNo, PromptIcon::None});
        if (answer != PromptAnswer::Yes)
            return;
        Save();
        if (!Document().IsSaved())
            return;
    }
    SystemProcessRunner runner;
    const auto scheduler = CreateScheduler(runner);
    ScheduleDialog dialog(CurrentFile().toStdString(), scheduler.get(), runner, this);
    dialog.exec();
}

} // namespace ze6
