#pragma once

#include "engine/Job.h"

#include <string>
#include <vector>

namespace ze6::modDAZadaro {

// The rules that keep an archive, as bits.
namespace KeptBy {
inline constexpr unsigned Last = 1;
inline constexpr unsigned Daily = 2;
inline constexpr unsigned Weekly = 4;
inline constexpr unsigned Monthly = 8;
inline constexpr unsigned Yearly = 16;
} // namespace KeptBy

struct RetentionVerdict {
    bool keep = true;
    unsigned keptBy = 0; // KeptBy bits
};

// What the rules make of the generations of one series, given as archive
// names or paths oldest first, the archive a run writes among them. Days,
// months and years are those of the timestamp in each name, weeks ISO 8601
// weeks (Monday to Sunday). Without any rule every archive stays.
std::vector<RetentionVerdict> ApplyRetention(const std::vector<std::string>& generations, const RetentionRules& rules);

// "last,daily,weekly,monthly,yearly", the subset that keptBy names.
std::string KeptByText(unsigned keptBy);

} // namespace ze6::modDAZadaro
