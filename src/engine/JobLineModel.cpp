#include "engine/JobLineModel.h"

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

} // namespace

std::variant<JobLineParts, JobLineSyntaxError> ParseJobLine(std::string_view jobLine)
{
    if (jobLine.empty() || jobLine.front() != kQuote)
        return JobLineSyntaxError{kMissingSourceQuote};
    std::string_view rest = jobLine.substr(1);
    const auto sourceEnd = rest.find(kQuote);
    if (sourceEnd == std::string_view::npos)
        return JobLineSyntaxError{kMissingSourceQuote};

    JobLineParts parts;
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

std::int32_t ReadKeepLast(std::string_view text)
{
    return RoundToInt32(ReadLeadingNumber(text));
}

std::string KeepLastText(std::int32_t count)
{
    return count == 0 ? std::string() : std::to_string(count);
}

std::int32_t KeepLastFromOptions(std::string_view options)
{
    const auto found = AsciiUpper(options).find(kKeepLastMarker);
    if (found == std::string::npos)
        return 0;
    const std::int32_t count = ReadKeepLast(options.substr(found + kKeepLastMarker.size()));
    return count < 0 ? 0 : count;
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

CellFault CheckCell(std::string_view cell)
{
    if (cell.find_first_of("\"\r\n") != std::string_view::npos)
        return CellFault::QuoteOrLineBreak;
    if (cell.size() > kLongestCell)
        return CellFault::TooLong;
    return CellFault::None;
}

CellFault CheckJob(const JobRow& row)
{
    for (const std::string* cell : {&row.source, &row.target, &row.keepLast}) {
        if (const CellFault fault = CheckCell(*cell); fault != CellFault::None)
            return fault;
    }
    return CellFault::None;
}

std::string FormatJobLine(const JobRow& row)
{
    std::string line;
    line.reserve(row.source.size() + row.target.size() + row.keepLast.size() + 16);
    line.append(1, kQuote).append(row.source).append("\" \"").append(row.target).append("\" ");
    return line.append(kKeepLastMarker).append(row.keepLast);
}

std::string GetCommandLine(const JobRow& row)
{
    return FormatJobLine({TrimBlanks(row.source), TrimBlanks(row.target), TrimBlanks(row.keepLast)});
}

std::string FormatJobFile(const std::vector<JobRow>& rows)
{
    std::string content;
    for (const JobRow& row : rows)
        content.append(FormatJobLine(row)).append("\r\n");
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
        const auto parsed = ParseJobLine(line);
        const auto* parts = std::get_if<JobLineParts>(&parsed);
        if (parts == nullptr)
            continue;
        JobRow row{parts->Source, parts->Target, {}};
        // The window shows a value only where it writes one: right after the target.
        if (AsciiUpper(std::string_view(parts->Options).substr(0, kKeepLastMarker.size())) == kKeepLastMarker) {
            try {
                row.keepLast =
                    KeepLastText(ReadKeepLast(std::string_view(parts->Options).substr(kKeepLastMarker.size())));
            } catch (const RuntimeError&) {
                // Beyond 32 bits a value means nothing as a generation count.
                continue;
            }
        }
        if (CheckJob(row) == CellFault::TooLong) {
            content.tooLongLines.push_back(number);
            continue;
        }
        content.rows.push_back(std::move(row));
    }
    return content;
}

} // namespace ze6::modDAZadaro
