#include "engine/JobLineParser.h"

#include "engine/LeadingNumber.h"
#include "engine/PathOperations.h"
#include "platform/FileSystem.h"

namespace ze6::modDAZadaro {

namespace {

constexpr char kQuote = '"';

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
    // Leading blanks are not skipped: only the configuration-file runner trims its lines.
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

std::int32_t KeepLastFromOptions(std::string_view options)
{
    static constexpr std::string_view kKeepLast = "KEEPLAST:";
    const auto found = AsciiUpper(options).find(kKeepLast);
    if (found == std::string::npos)
        return 0;
    const std::string number = TrimBlanks(options.substr(found + kKeepLast.size()));
    const std::int32_t count = RoundToInt32(ReadLeadingNumber(number));
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

} // namespace ze6::modDAZadaro
