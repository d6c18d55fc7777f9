#include "engine/Schedule.h"

#include "engine/Usage.h"
#include "platform/Components.h"
#include "platform/log/LogLocation.h"
#include "platform/notify/DesktopNotifier.h"
#include "platform/process/Clock.h"
#include "platform/process/ProcessRunner.h"
#include "platform/schedule/CalendarExpression.h"
#include "platform/state/RunState.h"

#include "platform/files/FileStatus.h"

#include <cstdio>
#include <filesystem>

namespace ze6::modDAZadaro {

namespace {

constexpr const char* kNoScheduler = "No scheduler is available: neither a systemd user manager (systemctl --user) "
                                     "nor the crontab command answers.";

void PrintError(const std::string& text)
{
    std::fprintf(stderr, "ZE6Vivevu: %s\n", text.c_str());
}

} // namespace

std::string AbsoluteConfigPath(const std::string& path)
{
    // Bytes in, bytes out: a name that is not UTF-8 must reach the schedule unchanged.
    std::error_code failure;
    const std::filesystem::path absolute = std::filesystem::absolute(path, failure);
    return (failure ? std::filesystem::path(path) : absolute).lexically_normal().string();
}

std::string ScheduleConfigFile(Scheduler& scheduler, ProcessRunner& runner, const std::string& file,
                               const std::string& when)
{
    const CalendarCheck check = CheckCalendarExpression(runner, when);
    if (check.status == CalendarCheck::Status::ToolMissing)
        throw ScheduleError("systemd-analyze, which reads calendar expressions, is not installed.");
    if (check.status == CalendarCheck::Status::Invalid)
        throw InvalidWhen("ERROR - Invalid calendar expression: " + when);
    if (!check.nextRun)
        throw ScheduleError("The schedule '" + when + "' never comes round again.");
    // A line break would end the crontab line or the unit's ExecStart= early.
    if (file.find_first_of("\r\n") != std::string::npos)
        throw ScheduleError("A file whose path holds a line break cannot be scheduled.");
    const auto status = StatusOf(file);
    if (!status || status->folder)
        throw ScheduleError("File '" + file + "' does not exist or is inaccessible.");
    scheduler.Schedule(file, when, check.normalized, CurrentExecutablePath());
    return FormatRunTime(*check.nextRun);
}

std::string NextRun(ProcessRunner& runner, const std::string& when)
{
    const CalendarCheck check = CheckCalendarExpression(runner, when);
    return check.nextRun ? FormatRunTime(*check.nextRun) : std::string();
}

std::optional<ScheduledFile> FindSchedule(Scheduler& scheduler, const std::string& file)
{
    for (const ScheduledFile& entry : scheduler.List()) {
        if (entry.file == file)
            return entry;
    }
    return std::nullopt;
}

int ScheduleSwitch(const std::vector<std::string>& operands)
{
    SystemProcessRunner runner;
    const std::string file = AbsoluteConfigPath(operands[0]);
    try {
        // The expression is checked before a back end is looked for, so that a
        // typing error gets the usage text wherever it is run.
        const CalendarCheck check = CheckCalendarExpression(runner, operands[1]);
        if (check.status == CalendarCheck::Status::Invalid)
            throw InvalidWhen("ERROR - Invalid calendar expression: " + operands[1]);
        const auto scheduler = CreateScheduler(runner);
        if (!scheduler)
            throw ScheduleError(kNoScheduler);
        const std::string next = ScheduleConfigFile(*scheduler, runner, file, operands[1]);
        std::printf("Next run: %s\n", next.c_str());
        return 0;
    } catch (const InvalidWhen& error) {
        ShowUsage(error.what());
    } catch (const ScheduleError& error) {
        PrintError(error.what());
    }
    return 2;
}

int UnscheduleSwitch(const std::vector<std::string>& operands)
{
    SystemProcessRunner runner;
    const std::string file = AbsoluteConfigPath(operands[0]);
    try {
        const auto scheduler = CreateScheduler(runner);
        if (!scheduler)
            throw ScheduleError(kNoScheduler);
        if (scheduler->Unschedule(file))
            return 0;
        PrintError("'" + file + "' has no schedule.");
        return 1;
    } catch (const ScheduleError& error) {
        PrintError(error.what());
    }
    return 2;
}

int SchedulesSwitch(const std::vector<std::string>&)
{
    SystemProcessRunner runner;
    try {
        const auto scheduler = CreateScheduler(runner);
        if (!scheduler)
            throw ScheduleError(kNoScheduler);
        for (const ScheduledFile& entry : scheduler->List()) {
            const std::string next = NextRun(runner, entry.when);
            std::printf("%s\t%s\t%s\n", entry.when.c_str(), entry.file.c_str(), next.empty() ? "never" : next.c_str());
        }
        return 0;
    } catch (const ScheduleError& error) {
        PrintError(error.what());
    }
    return 2;
}

void FinishCommandRun(const std::string& configFile, int entries, const std::string& firstEntry)
{
    if (!configFile.empty())
        WriteRunRecord(AbsoluteConfigPath(configFile), {GetComponents().GetClock().Now(), entries, firstEntry});
    if (entries == 0)
        return;
    std::string body = configFile.empty() ? std::string() : AbsoluteConfigPath(configFile) + "\n";
    body += std::to_string(entries) + (entries == 1 ? " entry was" : " entries were") + " logged. The first:\n" +
            firstEntry + "\nLog: " + ApplicationLogPath();
    SendDesktopNotification("ZE6Vivevu backup had problems", body);
}

} // namespace ze6::modDAZadaro
