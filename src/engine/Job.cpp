#include "engine/Job.h"

#include "engine/ConfigLineReader.h"
#include "engine/LeadingNumber.h"
#include "engine/PathOperations.h"
#include "platform/RuntimeError.h"

#include <algorithm>
#include <array>
#include <optional>

namespace ze6::modDAZadaro {

namespace {

constexpr char kQuote = '"';
constexpr std::string_view kKeepLastMarker = "KEEPLAST:";
// Two paths, each between two quotes.
constexpr std::ptrdiff_t kQuotesPerLine = 4;

// Upper-cases ASCII letters only, so every position in the result is the same
// position in the original text.
std::string AsciiUpper(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

bool EndsWith(std::string_view text, std::string_view tail)
{
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// Both paths and the trimmed text after the target's closing quote.
struct LineParts {
    std::string Source;
    std::string Target;
    std::string Options;
};

std::variant<LineParts, JobLineSyntaxError> SplitJobLine(std::string_view jobLine)
{
    if (jobLine.empty() || jobLine.front() != kQuote)
        return JobLineSyntaxError{kMissingSourceQuote};
    std::string_view rest = jobLine.substr(1);
    const auto sourceEnd = rest.find(kQuote);
    if (sourceEnd == std::string_view::npos)
        return JobLineSyntaxError{kMissingSourceQuote};

    LineParts parts;
    parts.Source = std::string(rest.substr(0, sourceEnd));
    const std::string afterSource = TrimBlanks(rest.substr(sourceEnd + 1));
    if (afterSource.empty())
        return JobLineSyntaxError{kMissingTarget};
    if (afterSource.front() != kQuote)
        return JobLineSyntaxError{kMissingTargetQuote};
    const auto targetEnd = afterSource.find(kQuote, 1);
    if (targetEnd == std::string::npos)
        return JobLineSyntaxError{kMissingTargetQuote};

    parts.Target = afterSource.substr(1, targetEnd - 1);
    parts.Options = TrimBlanks(std::string_view(afterSource).substr(targetEnd + 1));
    return parts;
}

std::int32_t KeepLastOf(std::string_view options, KeepLastReading reading)
{
    if (reading == KeepLastReading::RightAfterTarget) {
        if (AsciiUpper(options.substr(0, kKeepLastMarker.size())) != kKeepLastMarker)
            return 0;
        return ReadKeepLast(options.substr(kKeepLastMarker.size()));
    }
    const auto found = AsciiUpper(options).find(kKeepLastMarker);
    if (found == std::string::npos)
        return 0;
    const std::int32_t count = ReadKeepLast(options.substr(found + kKeepLastMarker.size()));
    return count < 0 ? 0 : count;
}

// The calendar rules, in the order a job line writes them.
struct CalendarOption {
    std::string_view marker;
    std::int32_t RetentionRules::*count;
};
constexpr std::array<CalendarOption, 4> kCalendarOptions = {{
    {"KEEPDAILY:", &RetentionRules::KeepDailyCount},
    {"KEEPWEEKLY:", &RetentionRules::KeepWeeklyCount},
    {"KEEPMONTHLY:", &RetentionRules::KeepMonthlyCount},
    {"KEEPYEARLY:", &RetentionRules::KeepYearlyCount},
}};
constexpr std::string_view kIfChangedWord = "IFCHANGED";

JobLineSyntaxError GivenTwice(std::string_view option)
{
    return {"ERROR - " + std::string(option) + " given more than once!"};
}

// Reads the calendar rules and IFCHANGED from the words of the options text;
// other words are left to the keep-last reading or ignored.
std::optional<JobLineSyntaxError> ReadWordOptions(std::string_view options, Job& job)
{
    constexpr std::string_view kWordBreaks = " \t\r\n";
    std::size_t at = 0;
    while ((at = options.find_first_not_of(kWordBreaks, at)) != std::string_view::npos) {
        const std::size_t end = std::min(options.find_first_of(kWordBreaks, at), options.size());
        const std::string_view word = options.substr(at, end - at);
        at = end;
        const std::string upper = AsciiUpper(word);
        if (upper == kIfChangedWord) {
            if (job.IfChanged)
                return GivenTwice(kIfChangedWord);
            job.IfChanged = true;
            continue;
        }
        for (const auto& option : kCalendarOptions) {
            if (!upper.starts_with(option.marker))
                continue;
            std::int32_t& count = job.Retention.*option.count;
            if (count != 0)
                return GivenTwice(option.marker);
            count = ReadCalendarCount(word.substr(option.marker.size()));
            if (count == 0)
                return JobLineSyntaxError{"ERROR - " + std::string(option.marker) + " needs a whole number from 1 to " +
                                          std::to_string(kMostCalendarCount) + "!"};
            break;
        }
    }
    return std::nullopt;
}

} // namespace

std::variant<Job, JobLineSyntaxError> ParseJobLine(std::string_view jobLine, KeepLastReading reading)
{
    auto split = SplitJobLine(jobLine);
    if (auto* error = std::get_if<JobLineSyntaxError>(&split))
        return std::move(*error);
    auto& parts = std::get<LineParts>(split);
    Job job{std::move(parts.Source), std::move(parts.Target), {}};
    if (auto error = ReadWordOptions(parts.Options, job))
        return std::move(*error);
    job.Retention.KeepLastCount = KeepLastOf(parts.Options, reading);
    return job;
}

std::int32_t ReadCalendarCount(std::string_view digits)
{
    if (digits.empty() || digits.size() > 16 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    std::int64_t value = 0;
    for (const char c : digits)
        value = value * 10 + (c - '0');
    return value <= kMostCalendarCount ? static_cast<std::int32_t>(value) : 0;
}

std::int32_t ReadKeepLast(std::string_view text)
{
    return RoundToInt32(ReadLeadingNumber(text));
}

std::string KeepLastText(std::int32_t count)
{
    return count == 0 ? std::string() : std::to_string(count);
}

std::string TargetFolderOf(const Job& job)
{
    return WithTrailingSeparator(FileSystem::WithoutTrailingSeparators(job.Target));
}

JobSource ClassifySource(const std::string& source)
{
    const std::string upper = AsciiUpper(source);
    const bool namesFiles = EndsWith(upper, "*.RZT?") || EndsWith(upper, ".RZT6") || EndsWith(upper, ".RZT");
    if (namesFiles)
        return {GetFolderPart(source), source};
    const std::string folder = WithTrailingSeparator(source);
    return {folder, folder + kDefaultFilePattern};
}

Job Trimmed(Job job)
{
    job.Source = TrimBlanks(job.Source);
    job.Target = TrimBlanks(job.Target);
    return job;
}

CellFault CheckCell(std::string_view cell)
{
    if (cell.find_first_of("\"\r\n") != std::string_view::npos)
        return CellFault::QuoteOrLineBreak;
    if (cell.size() > kLongestCell)
        return CellFault::TooLong;
    return CellFault::None;
}

CellFault CheckJob(const Job& job)
{
    for (const std::string* cell : {&job.Source, &job.Target}) {
        if (const CellFault fault = CheckCell(*cell); fault != CellFault::None)
            return fault;
    }
    return CellFault::None;
}

std::string RuleWordsText(const Job& job)
{
    std::string words;
    const auto add = [&words](std::string_view word) {
        if (!words.empty())
            words.append(1, ' ');
        words.append(word);
    };
    for (const auto& option : kCalendarOptions) {
        if (const std::int32_t count = job.Retention.*option.count; count != 0)
            add(std::string(option.marker) + std::to_string(count));
    }
    if (job.IfChanged)
        add(kIfChangedWord);
    return words;
}

std::string FormatJobLine(const Job& job)
{
    const std::string keepLast = KeepLastText(job.Retention.KeepLastCount);
    std::string line;
    line.reserve(job.Source.size() + job.Target.size() + keepLast.size() + 16);
    line.append(1, kQuote).append(job.Source).append("\" \"").append(job.Target).append("\" ");
    line.append(kKeepLastMarker).append(keepLast);
    if (const std::string rules = RuleWordsText(job); !rules.empty())
        line.append(1, ' ').append(rules);
    return line;
}

std::string GetCommandLine(const Job& job)
{
    return FormatJobLine(Trimmed(job));
}

std::string FormatJobFile(const std::vector<Job>& jobs)
{
    std::string content;
    for (const Job& job : jobs)
        content.append(FormatJobLine(job)).append("\r\n");
    return content;
}

JobFileContent ParseJobFile(std::istream& input)
{
    JobFileContent content;
    ConfigLineReader reader(input);
    std::string line;
    for (std::size_t number = 1; reader.Next(line); ++number) {
        // Unlike the runner, the window does not trim: an indented line is not one it wrote.
        if (line.empty() || line.front() != kQuote)
            continue;
        if (std::count(line.begin(), line.end(), kQuote) > kQuotesPerLine) {
            content.quoteInPathLine = number;
            return content;
        }
        std::variant<Job, JobLineSyntaxError> parsed;
        try {
            parsed = ParseJobLine(line, KeepLastReading::RightAfterTarget);
        } catch (const RuntimeError&) {
            // Beyond 32 bits a value means nothing as a generation count.
            continue;
        }
        auto* job = std::get_if<Job>(&parsed);
        if (job == nullptr)
            continue;
        if (CheckJob(*job) == CellFault::TooLong) {
            content.tooLongLines.push_back(number);
            continue;
        }
        content.jobs.push_back(std::move(*job));
    }
    return content;
}

} // namespace ze6::modDAZadaro
