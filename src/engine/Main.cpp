#include "engine/Main.h"

#include "engine/ConfigFile.h"
#include "engine/ErrorHandler.h"
#include "engine/JobLine.h"
#include "engine/JobStatus.h"
#include "engine/PathOperations.h"
#include "engine/Schedule.h"
#include "engine/Switches.h"
#include "engine/Usage.h"
#include "platform/process/ProcessInfo.h"
#include "platform/process/Version.h"

#include <array>
#include <cstdio>
#include <optional>

namespace ze6::modDAZadaro {

bool IsConfigurationFileExtension(const std::string& upperExtension)
{
    static const std::array<std::string, 4> kExtensions = {".RZB", ".DAZADARO", ".ZE6VIVEVU", ".RZB6"};
    for (const auto& extension : kExtensions) {
        if (upperExtension == extension)
            return true;
    }
    return false;
}

std::string WithoutOuterQuotes(std::string path)
{
    if (!path.empty() && path.back() == '"')
        path.pop_back();
    if (!path.empty() && path.front() == '"')
        path.erase(0, 1);
    return path;
}

namespace {

// "--help" and "--version" are what a Linux user tries first, so they answer on
// standard output with \n line ends and exit 0, whatever the display.
std::optional<std::string> ConventionalSwitchText(const std::string& commandText)
{
    if (commandText == "--version")
        return "ZE6Vivevu " + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
               std::to_string(kVersionRevision) + "\n";
    if (commandText != "--help")
        return std::nullopt;
    std::string text;
    for (const char c : UsageText("")) {
        if (c != '\r')
            text += c;
    }
    return text + "\n";
}

// Dispatches the command text; `outcome` tells what a run of jobs did.
int Dispatch(const std::string& commandText, const std::function<int()>& showMainWindow, ProgressSink* progress,
             RunOutcome& outcome)
{
    if (const auto text = ConventionalSwitchText(commandText)) {
        std::fwrite(text->data(), 1, text->size(), stdout);
        return 0;
    }

    if (commandText.empty())
        return showMainWindow ? showMainWindow() : 0;

    const std::string upper = UpperCase(commandText);
    if (upper == "/?" || upper == "/HELP") {
        ShowUsage("");
        return 0;
    }

    if (IsConfigurationFileExtension(UpperCase(GetFileExtension(commandText)))) {
        const std::string path = WithoutOuterQuotes(commandText);
        if (FileExists(path)) {
            outcome = ProcessFile(path, progress);
        } else {
            ReportError(outcome, "Main", "File '" + path + "' does not exist or is inaccessible.", 0, "");
        }
    } else {
        outcome = ProcessCommandLine(commandText, progress);
    }

    if (outcome.LinesRejected > 0)
        return 2;
    return outcome.EntriesLogged > 0 ? 1 : 0;
}

} // namespace

int Main(const std::vector<std::string>& arguments, const std::function<int()>& showMainWindow, ProgressSink* progress)
{
    if (const auto status = RunSwitch(arguments))
        return *status;

    const std::string commandText = RebuildCommandText(arguments);
    RunOutcome outcome;
    const int status = Dispatch(commandText, showMainWindow, progress, outcome);
    if (!commandText.empty()) {
        const bool configurationFile = IsConfigurationFileExtension(UpperCase(GetFileExtension(commandText)));
        const std::string file = configurationFile ? WithoutOuterQuotes(commandText) : std::string();
        const std::string absolute = file.empty() ? file : AbsoluteConfigPath(file);
        JobRunRecording records(absolute, outcome.Jobs);
        FinishCommandRun(file, outcome.EntriesLogged, outcome.FirstEntry);
        records.Finish();
        if (!absolute.empty() && StartedByScheduler())
            CheckAfterScheduledRun(absolute, outcome.EntriesLogged > 0);
    }
    return status;
}

int Main(const std::string& commandText, const std::function<int()>& showMainWindow, ProgressSink* progress)
{
    RunOutcome outcome;
    return Dispatch(commandText, showMainWindow, progress, outcome);
}

} // namespace ze6::modDAZadaro
