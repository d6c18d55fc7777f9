#include "engine/Job.h"

#include "engine/ConfigLineReader.h"
#include "engine/LeadingNumber.h"
#include "engine/PathOperations.h"
#include "platform/RuntimeError.h"

#include <algorithm>

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

} // namespace

std::variant<Job, JobLineSyntaxError> ParseJobLine(std::string_view jobLine, KeepLastReading reading)
{
    auto split = SplitJobLine(jobLine);
    if (auto* error = std::get_if<JobLineSyntaxError>(&split))
        return std::move(*error);
    auto& parts = std::get<LineParts>(split);
    Job job{std::move(parts.Source), std::move(parts.Target), {}};
    job.Retention.KeepLastCount = KeepLastOf(parts.Options, reading);
    return job;
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

std::string FormatJobLine(const Job& job)
{
    const std::string keepLast = KeepLastText(job.Retention.KeepLastCount);
    std::string line;
    line.reserve(job.Source.size() + job.Target.size() + keepLast.size() + 16);
    line.append(1, kQuote).append(job.Source).append("\" \"").append(job.Target).append("\" ");
    return line.append(kKeepLastMarker).append(keepLast);
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
