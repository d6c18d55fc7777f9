#include "engine/Retention.h"

#include <gtest/gtest.h>

namespace ze6::modDAZadaro {
namespace {

// Kept archives by letter with the rules that keep them, e.g. "C=monthly,yearly H=last".
std::string Kept(const RetentionRules& rules)
{
    // Oldest first. 2019-12-30 is the Monday that begins ISO week 1 of 2020;
    // 2020-01-05 is its Sunday and 2020-01-06 the Monday of week 2.
    static const std::vector<std::string> series = {
        "/t/LEDGER_2019-12-29-10-00-00.RZZ", // A  Sunday, 2019-W52
        "/t/LEDGER_2019-12-30-09-00-00.RZZ", // B  Monday, 2020-W01, December
        "/t/LEDGER_2019-12-31-23-00-00.RZZ", // C  2020-W01, the newest of December and of 2019
        "/t/Ledger_2020-01-01-08-00-00.rzz", // D  2020-W01, January
        "/t/LEDGER_2020-01-05-08-00-00.RZZ", // E  Sunday of 2020-W01
        "/t/LEDGER_2020-01-05-20-00-00.RZZ", // F  the same Sunday, later
        "/t/LEDGER_2020-01-06-07-00-00.RZZ", // G  Monday, 2020-W02
        "/t/LEDGER_2020-02-01-00-00-00.RZZ", // H  February: the archive just written
    };
    const auto verdicts = ApplyRetention(series, rules);
    std::string text;
    for (std::size_t i = 0; i < verdicts.size(); ++i) {
        if (verdicts[i].keep)
            text += std::string(text.empty() ? "" : " ") + char('A' + i) + "=" + KeptByText(verdicts[i].keptBy);
    }
    return text;
}

TEST(ApplyRetention, EachRuleKeepsTheNewestOfItsLastPeriodsAndAnyRuleKeeps)
{
    RetentionRules daily, weekly, monthly, yearly, combined, dailyMany, none;
    daily.KeepDailyCount = 3;
    weekly.KeepWeeklyCount = 4;
    monthly.KeepMonthlyCount = 3;
    yearly.KeepYearlyCount = 2;
    combined.KeepLastCount = 2;
    combined.KeepMonthlyCount = 3;
    combined.KeepYearlyCount = 2;
    dailyMany.KeepDailyCount = 1000000;
    none.KeepLastCount = -3; // as the window reads a negative count: no rule

    EXPECT_EQ(Kept(daily), "F=daily G=daily H=daily");
    EXPECT_EQ(Kept(weekly), "A=weekly F=weekly G=weekly H=weekly");
    EXPECT_EQ(Kept(monthly), "C=monthly G=monthly H=monthly");
    EXPECT_EQ(Kept(yearly), "C=yearly H=yearly");
    EXPECT_EQ(Kept(combined), "C=monthly,yearly G=last,monthly H=last,monthly,yearly");
    EXPECT_EQ(Kept(dailyMany), "A=daily B=daily C=daily D=daily F=daily G=daily H=daily");
    EXPECT_EQ(Kept(none), "A= B= C= D= E= F= G= H=");
}

} // namespace
} // namespace ze6::modDAZadaro
