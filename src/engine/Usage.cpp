#include "engine/Usage.h"

#include "engine/Switches.h"
#include "platform/Components.h"
#include "platform/Prompt.h"
#include "platform/process/ProcessInfo.h"
#include "platform/process/Version.h"

namespace ze6::modDAZadaro {

std::string UsageText(const std::string& message)
{
    static const std::string kLineEnd = "\r\n";
    std::string text = "Ranzel Backup Utility - V" + std::to_string(kVersionMajor) + "." +
                       std::to_string(kVersionMinor) + "." + std::to_string(kVersionRevision) + kLineEnd;
    text += kLineEnd;
    if (!message.empty())
        text += message + kLineEnd;
    text += std::string(85, '_') + kLineEnd;
    text += kLineEnd;
    text += "Format: ZE6Vivevu \"SourcePath[Filespec]\" \"TargetPath\" [KEEPLAST:n]" + kLineEnd;
    text += kLineEnd;
    text += "ie  ZE6Vivevu \"C:\\RZDATA\\*.RZT\" \"C:\\RZDATA\\BACKUP\\\" KEEPLAST:5" + kLineEnd;
    // The same job as a Linux user writes it.
    text += "ie  ZE6Vivevu \"/home/me/rz/*.RZT\" \"/media/backup/rz/\" KEEPLAST:5" + kLineEnd;
    text += kLineEnd;
    text += "Alternatively: ZE6Vivevu <FileName>.RZB";
    for (const Switch& entry : Switches())
        text += kLineEnd + entry.usageLine;
    text +=
        kLineEnd + std::string("Calendar: KEEPDAILY:n KEEPWEEKLY:n KEEPMONTHLY:n KEEPYEARLY:n keep the newest archive "
                               "of each of the last n days, ISO weeks, months, years that have one");
    text += kLineEnd + std::string("Only when changed: IFCHANGED writes an archive only when the data file or a "
                                   "companion differs from its newest archive");
    return text;
}

void ShowUsage(std::string message)
{
    ShowUsage(GetComponents().GetPrompt(), std::move(message));
}

void ShowUsage(Prompt& prompt, std::string message)
{
    prompt.Ask({UsageText(message), ExecutableName(), PromptButtons::Ok, PromptIcon::None});
}

} // namespace ze6::modDAZadaro
