#pragma once

#include "platform/schedule/Scheduler.h"

#include <optional>
#include <string>
#include <vector>

namespace ze6 {
class ProcessRunner;
}

namespace ze6::modDAZadaro {

// A calendar expression that systemd does not accept.
class InvalidWhen : public ScheduleError {
public:
    using ScheduleError::ScheduleError;
};

// The path made absolute and clean, as every schedule names its file.
std::string AbsoluteConfigPath(const std::string& path);

// Schedules the file at `when`, replacing its earlier schedule, and returns
// the next run ("yyyy-mm-dd hh:mm:ss", local time). Raises InvalidWhen for an
// expression systemd rejects and ScheduleError for every other refusal.
std::string ScheduleConfigFile(Scheduler& scheduler, ProcessRunner& runner, const std::string& file,
                               const std::string& when);

// The next run of `when`, or empty when it never comes round or cannot be read.
std::string NextRun(ProcessRunner& runner, const std::string& when);

std::optional<ScheduledFile> FindSchedule(Scheduler& scheduler, const std::string& file);

// The command-line switches; operands as the shell passed them. Each returns
// the exit status.
int ScheduleSwitch(const std::vector<std::string>& operands);
int UnscheduleSwitch(const std::vector<std::string>& operands);
int SchedulesSwitch(const std::vector<std::string>& operands);

// After a command-mode run: records a configuration file's outcome for the
// window, and tells the desktop when the run logged anything.
void FinishCommandRun(const std::string& configFile, int entries, const std::string& firstEntry);

} // namespace ze6::modDAZadaro
