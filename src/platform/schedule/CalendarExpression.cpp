#include "platform/schedule/CalendarExpression.h"

#include "platform/process/ProcessRunner.h"

#include <array>
#include <cctype>
#include <regex>
#include <sstream>
#include <vector>

namespace ze6 {

namespace {

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(text);
    while (std::getline(stream, part, separator))
        parts.push_back(part);
    if (!text.empty() && text.back() == separator)
        parts.emplace_back();
    return parts;
}

std::optional<int> Number(const std::string& text)
{
    if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoi(text);
}

// One field of a normalised expression ("*", "5", "1..5", "0/15", "8..18/2",
// comma-separated) as cron writes it; nothing when it cannot be written.
std::optional<std::string> CronField(const std::string& field, int lowest, int highest)
{
    std::string result;
    for (const std::string& item : Split(field, ',')) {
        std::string range = item;
        std::string step;
        if (const auto slash = item.find('/'); slash != std::string::npos) {
            range = item.substr(0, slash);
            step = item.substr(slash + 1);
            const auto stepNumber = Number(step);
            if (!stepNumber || *stepNumber == 0)
                return std::nullopt;
            step = std::to_string(*stepNumber);
        }
        std::string cron;
        if (range == "*") {
            cron = "*";
        } else if (const auto dots = range.find(".."); dots != std::string::npos) {
            const auto first = Number(range.substr(0, dots));
            const auto last = Number(range.substr(dots + 2));
            if (!first || !last || *first < lowest || *last > highest || *first > *last)
                return std::nullopt;
            cron = std::to_string(*first) + "-" + std::to_string(*last);
        } else {
            const auto value = Number(range);
            if (!value || *value < lowest || *value > highest)
                return std::nullopt;
            // "N/S" starts at N and repeats to the end of the field's range.
            cron = std::to_string(*value) + (step.empty() ? "" : "-" + std::to_string(highest));
        }
        if (!step.empty())
            cron += "/" + step;
        result += (result.empty() ? "" : ",") + cron;
    }
    return result.empty() ? std::nullopt : std::optional<std::string>(result);
}

std::optional<int> WeekdayNumber(const std::string& name)
{
    static const std::array<const char*, 7> kNames = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (name == kNames[i])
            return static_cast<int>(i) + 1; // cron counts Sunday as 7 too
    }
    return std::nullopt;
}

std::optional<std::string> CronWeekdays(const std::string& field)
{
    std::string result;
    for (const std::string& item : Split(field, ',')) {
        const auto dots = item.find("..");
        const auto first = WeekdayNumber(item.substr(0, dots));
        if (!first)
            return std::nullopt;
        std::string cron = std::to_string(*first);
        if (dots != std::string::npos) {
            const auto last = WeekdayNumber(item.substr(dots + 2));
            if (!last || *last < *first)
                return std::nullopt;
            cron += "-" + std::to_string(*last);
        }
        result += (result.empty() ? "" : ",") + cron;
    }
    return result.empty() ? std::nullopt : std::optional<std::string>(result);
}

constexpr int kElapsesPerCall = 64;

// The times after `base` when the expression elapses, at most `count`.
std::vector<QDateTime> ElapsesAfter(ProcessRunner& runner, const std::string& expression, const QDateTime& base,
                                    int count)
{
    std::vector<QDateTime> elapses;
    const ProcessResult result =
        runner.Run("systemd-analyze", {"calendar", "--base-time=@" + std::to_string(base.toSecsSinceEpoch()),
                                       "--iterations=" + std::to_string(count), "--", expression});
    if (!result.started || result.exitCode != 0)
        return elapses;
    static const std::regex kElapse(R"((?:Next elapse|Iter\. #\d+): \S+ (\d{4}-\d\d-\d\d \d\d:\d\d:\d\d))");
    for (auto it = std::sregex_iterator(result.out.begin(), result.out.end(), kElapse); it != std::sregex_iterator();
         ++it) {
        const QDateTime time =
            QDateTime::fromString(QString::fromStdString((*it)[1]), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (time.isValid())
            elapses.push_back(time);
    }
    return elapses;
}

} // namespace

std::optional<QDateTime> LastElapse(ProcessRunner& runner, const std::string& expression, const QDateTime& notAfter)
{
    // systemd-analyze only looks forward, so it is asked from ever earlier
    // times until one lies within reach: a frequent schedule costs one call.
    static constexpr std::array<qint64, 5> kReach = {3600, 86400, 32 * 86400, 367 * 86400, 5 * 367 * 86400};
    for (const qint64 reach : kReach) {
        QDateTime base = notAfter.addSecs(-reach);
        std::optional<QDateTime> last;
        for (;;) {
            const std::vector<QDateTime> elapses = ElapsesAfter(runner, expression, base, kElapsesPerCall);
            bool beyond = false;
            for (const QDateTime& time : elapses) {
                if (time > notAfter) {
                    beyond = true;
                    break;
                }
                last = time;
            }
            if (beyond || elapses.size() < static_cast<std::size_t>(kElapsesPerCall))
                break;
            base = elapses.back();
        }
        if (last)
            return last;
    }
    return std::nullopt;
}

CalendarCheck CheckCalendarExpression(ProcessRunner& runner, const std::string& expression)
{
    CalendarCheck check;
    if (expression.find_first_of("\r\n") != std::string::npos) {
        check.status = CalendarCheck::Status::Invalid;
        return check;
    }
    const ProcessResult result = runner.Run("systemd-analyze", {"calendar", "--", expression});
    if (!result.started)
        return check;
    check.status = CalendarCheck::Status::Invalid;
    if (result.exitCode != 0)
        return check;

    static const std::regex kNormalized(R"(Normalized form: ([^\n]+))");
    static const std::regex kNext(R"(Next elapse: \S+ (\d{4}-\d\d-\d\d \d\d:\d\d:\d\d))");
    std::smatch match;
    if (!std::regex_search(result.out, match, kNormalized))
        return check;
    check.normalized = match[1];
    if (std::regex_search(result.out, match, kNext)) {
        const QDateTime next =
            QDateTime::fromString(QString::fromStdString(match[1]), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (next.isValid())
            check.nextRun = next;
    }
    check.status = CalendarCheck::Status::Valid;
    return check;
}

std::string FormatRunTime(const QDateTime& time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
}

std::optional<std::string> CronFields(const std::string& normalized, std::string& why)
{
    std::vector<std::string> parts = Split(normalized, ' ');
    std::string weekdays;
    if (!parts.empty() && !parts[0].empty() && std::isalpha(static_cast<unsigned char>(parts[0][0])) != 0) {
        weekdays = parts[0];
        parts.erase(parts.begin());
    }
    if (parts.size() != 2) {
        why = "cron has no time zones";
        return std::nullopt;
    }
    const std::vector<std::string> date = Split(parts[0], '-');
    const std::vector<std::string> time = Split(parts[1], ':');
    if (date.size() != 3 || time.size() != 3 || parts[0].find('~') != std::string::npos) {
        why = "cron cannot count days from the end of a month";
        return std::nullopt;
    }
    if (date[0] != "*") {
        why = "cron cannot name a year";
        return std::nullopt;
    }
    if (time[2] != "00") {
        why = "cron runs at whole minutes only";
        return std::nullopt;
    }
    if (!weekdays.empty() && date[2] != "*") {
        why = "cron runs on the named weekdays or the named days of the month, not only where both meet";
        return std::nullopt;
    }
    const auto minute = CronField(time[1], 0, 59);
    const auto hour = CronField(time[0], 0, 23);
    const auto day = CronField(date[2], 1, 31);
    const auto month = CronField(date[1], 1, 12);
    const auto weekday = weekdays.empty() ? std::optional<std::string>("*") : CronWeekdays(weekdays);
    if (!minute || !hour || !day || !month || !weekday) {
        why = "cron cannot express '" + normalized + "'";
        return std::nullopt;
    }
    return *minute + " " + *hour + " " + *day + " " + *month + " " + *weekday;
}

} // namespace ze6
