#pragma once

#include <array>
#include <optional>
#include <string>

namespace ze6 {

// What the schedule dialog offers: daily at a time, weekly on chosen days at
// a time, or hourly.
struct ScheduleChoice {
    enum class Kind { Daily, Weekly, Hourly };
    Kind kind = Kind::Daily;
    int hour = 2;
    int minute = 0;
    std::array<bool, 7> days{}; // Monday first

    bool operator==(const ScheduleChoice&) const = default;
};

// The systemd calendar expression of a choice ("*-*-* 02:30:00",
// "Mon,Fri *-*-* 22:00:00", "hourly"); empty for a weekly choice without days.
std::string WhenOfChoice(const ScheduleChoice& choice);

// The choice an expression came from, or nothing when the dialog cannot show it.
std::optional<ScheduleChoice> ChoiceOfWhen(const std::string& when);

} // namespace ze6
