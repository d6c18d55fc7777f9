#pragma once

#include <QDateTime>
#include <optional>
#include <string>

namespace ze6 {

class ProcessRunner;

// What systemd-analyze makes of a calendar expression: its normalised form and
// the next time it elapses (local time).
struct CalendarCheck {
    enum class Status { Valid, Invalid, ToolMissing };
    Status status = Status::ToolMissing;
    std::string normalized;
    std::optional<QDateTime> nextRun; // none when the expression never elapses again
};

CalendarCheck CheckCalendarExpression(ProcessRunner& runner, const std::string& expression);

// The latest time at or before `notAfter` when the expression elapsed (local
// time); none when it never did in the five years before, or systemd-analyze
// cannot say.
std::optional<QDateTime> LastElapse(ProcessRunner& runner, const std::string& expression, const QDateTime& notAfter);

// "yyyy-mm-dd hh:mm:ss".
std::string FormatRunTime(const QDateTime& time);

// The five cron fields for a normalised calendar expression, or nothing with
// the reason in `why` when cron cannot run at exactly those times.
std::optional<std::string> CronFields(const std::string& normalized, std::string& why);

} // namespace ze6
