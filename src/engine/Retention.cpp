#include "engine/Retention.h"

#include "engine/ArchiveSeries.h"

#include <QDate>
#include <array>
#include <functional>
#include <set>

namespace ze6::modDAZadaro {

namespace {

int Digits(std::string_view text)
{
    int value = 0;
    for (const char c : text)
        value = value * 10 + (c - '0');
    return value;
}

// The ISO year and week of a "yyyy-mm-dd-..." timestamp, as one sortable
// text; a date that does not exist is a week of its own.
std::string IsoWeekOf(std::string_view timestamp)
{
    const QDate date(Digits(timestamp.substr(0, 4)), Digits(timestamp.substr(5, 2)), Digits(timestamp.substr(8, 2)));
    if (!date.isValid())
        return std::string(timestamp.substr(0, 10));
    int year = 0;
    const int week = date.weekNumber(&year);
    return std::to_string(year) + "-W" + std::to_string(week);
}

struct CalendarRule {
    std::int32_t RetentionRules::*count;
    unsigned bit;
    std::function<std::string(std::string_view timestamp)> period;
};

} // namespace

std::vector<RetentionVerdict> ApplyRetention(const std::vector<std::string>& generations, const RetentionRules& rules)
{
    std::vector<RetentionVerdict> verdicts(generations.size());
    if (!rules.Prunes())
        return verdicts;

    const std::size_t count = generations.size();
    if (rules.KeepLastCount > 0) {
        const std::size_t keep = static_cast<std::size_t>(rules.KeepLastCount);
        for (std::size_t i = count > keep ? count - keep : 0; i < count; ++i)
            verdicts[i].keptBy |= KeptBy::Last;
    }

    const auto prefix = [](std::size_t length) {
        return [length](std::string_view timestamp) { return std::string(timestamp.substr(0, length)); };
    };
    const std::array<CalendarRule, 4> calendar = {{
        {&RetentionRules::KeepDailyCount, KeptBy::Daily, prefix(10)},
        {&RetentionRules::KeepWeeklyCount, KeptBy::Weekly, IsoWeekOf},
        {&RetentionRules::KeepMonthlyCount, KeptBy::Monthly, prefix(7)},
        {&RetentionRules::KeepYearlyCount, KeptBy::Yearly, prefix(4)},
    }};
    for (const auto& rule : calendar) {
        const std::int32_t periods = rules.*rule.count;
        if (periods <= 0)
            continue;
        // Newest first: the first archive met in a period is its newest.
        std::set<std::string> seen;
        for (std::size_t i = count; i-- > 0 && seen.size() < static_cast<std::size_t>(periods);) {
            if (seen.insert(rule.period(TimestampOf(generations[i]))).second)
                verdicts[i].keptBy |= rule.bit;
        }
    }
    for (auto& verdict : verdicts)
        verdict.keep = verdict.keptBy != 0;
    return verdicts;
}

std::string KeptByText(unsigned keptBy)
{
    static constexpr std::pair<unsigned, const char*> kNames[] = {{KeptBy::Last, "last"},
                                                                  {KeptBy::Daily, "daily"},
                                                                  {KeptBy::Weekly, "weekly"},
                                                                  {KeptBy::Monthly, "monthly"},
                                                                  {KeptBy::Yearly, "yearly"}};
    std::string text;
    for (const auto& [bit, name] : kNames) {
        if (keptBy & bit)
            text.append(text.empty() ? "" : ",").append(name);
    }
    return text;
}

} // namespace ze6::modDAZadaro
