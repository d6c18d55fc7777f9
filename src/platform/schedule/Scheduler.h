#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace ze6 {

class ProcessRunner;

// A scheduler's refusal or failure, worded for the user.
class ScheduleError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ScheduledFile {
    std::string file; // absolute path of the configuration file
    std::string when; // the calendar expression as the user gave it
};

// Runs a configuration file at the times of a systemd calendar expression.
// Each file has at most one schedule; scheduling it again replaces it.
class Scheduler {
public:
    virtual ~Scheduler() = default;
    virtual std::string Name() const = 0;
    // `normalized` is the expression as systemd-analyze normalises it; the
    // program is run with the file as its one argument.
    virtual void Schedule(const std::string& file, const std::string& when, const std::string& normalized,
                          const std::string& program) = 0;
    // False when the file had no schedule.
    virtual bool Unschedule(const std::string& file) = 0;
    virtual std::vector<ScheduledFile> List() = 0;
};

// The systemd user manager when one answers, else the user's crontab when the
// crontab command exists, else nothing.
std::unique_ptr<Scheduler> CreateScheduler(ProcessRunner& runner);

// A name for a file's path that no other path shares (SHA-256, 32 hex digits).
std::string ScheduleKey(const std::string& file);

// Refuses paths that no unit file or crontab line can carry.
void CheckSchedulablePath(const std::string& path);

} // namespace ze6
