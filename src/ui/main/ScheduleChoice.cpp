#include "ui/main/ScheduleChoice.h"

#include <cstdio>
#include <regex>
#include <sstream>

namespace ze6 {

namespace {
constexpr std::array<const char*, 7> kDayNames = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
}

std::string WhenOfChoice(const ScheduleChoice& choice)
{
    if (choice.kind == ScheduleChoice::Kind::Hourly)
        return "hourly";
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d:00", choice.hour, choice.minute);
    if (choice.kind == ScheduleChoice::Kind::Daily)
        return std::string("*-*-* ") + time;
    std::string days;
    for (std::size_t i = 0; i < kDayNames.size(); ++i) {
        if (!choice.days[i])
            continue;
        if (!days.empty())
            days += ',';
        days += kDayNames[i];
    }
    return days.empty() ? std::string() : days + " *-*-* " + time;
}

std::optional<ScheduleChoice> ChoiceOfWhen(const std::string& when)
{
    ScheduleChoice choice;
    if (when == "hourly") {
        choice.kind = ScheduleChoice::Kind::Hourly;
        return choice;
    }
    static const std::regex kPattern(R"(^(?:([A-Za-z,]+) )?\*-\*-\* (\d\d):(\d\d):00$)");
    std::smatch match;
    if (!std::regex_match(when, match, kPattern))
        return std::nullopt;
    choice.hour = std::stoi(match[2]);
    choice.minute = std::stoi(match[3]);
    if (choice.hour > 23 || choice.minute > 59)
        return std::nullopt;
    if (!match[1].matched)
        return choice;
    choice.kind = ScheduleChoice::Kind::Weekly;
    std::istringstream days(match[1]);
    for (std::string day; std::getline(days, day, ',');) {
        bool known = false;
        for (std::size_t i = 0; i < kDayNames.size(); ++i) {
            if (day == kDayNames[i])
                choice.days[i] = known = true;
        }
        if (!known)
            return std::nullopt;
    }
    return choice;
}

} // namespace ze6
