#include "engine/Usage.h"

#include "platform/Components.h"
#include "platform/ProcessInfo.h"
#include "platform/Prompt.h"
#include "platform/Version.h"

namespace ze6::modDAZadaro {

namespace {

int& Rejections()
{
    static int count = 0;
    return count;
}

} // namespace

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
    text += kLineEnd;
    text += "Alternatively: ZE6Vivevu <FileName>.RZB";
    text += kLineEnd + "Schedule:   ZE6Vivevu /SCHEDULE <FileName>.RZB \"<when>\" (a systemd calendar expression, ie "
                       "\"Mon..Fri 22:00\")";
    text += kLineEnd + "Unschedule: ZE6Vivevu /UNSCHEDULE <FileName>.RZB";
    text += kLineEnd + "Schedules:  ZE6Vivevu /SCHEDULES";
    return text;
}

void ShowUsage(std::string message)
{
    if (!message.empty())
        ++Rejections();
    GetComponents().GetPrompt().Ask({UsageText(message), ExecutableName(), PromptButtons::Ok, PromptIcon::None});
}

int RejectedJobLineCount()
{
    return Rejections();
}

} // namespace ze6::modDAZadaro
