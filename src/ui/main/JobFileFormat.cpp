#include "ui/main/JobFileFormat.h"

#include "engine/ConfigFile.h"
#include "engine/LeadingNumber.h"
#include "platform/RuntimeError.h"

#include <cctype>

namespace ze6 {

namespace {

constexpr char kQuote = '"';
constexpr std::string_view kKeepLastMarker = "KEEPLAST:";

bool StartsWithMarker(std::string_view text)
{
    if (text.size() < kKeepLastMarker.size())
        return false;
    for (std::size_t i = 0; i < kKeepLastMarker.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != kKeepLastMarker[i])
            return false;
    }
    return true;
}

} // namespace

std::string FormatJobLine(const JobRow& row)
{
    return "\"" + row.source + "\" \"" + row.target + "\" KEEPLAST:" + row.keepLast + "\r\n";
}

std::string FormatJobFile(const std::vector<JobRow>& rows)
{
    std::string content;
    for (const JobRow& row : rows)
        content += FormatJobLine(row);
    return content;
}

std::optional<JobRow> ParseJobLine(std::string_view line)
{
    if (line.empty() || line.front() != kQuote)
        return std::nullopt;
    line.remove_prefix(1);
    const auto sourceEnd = line.find(kQuote);
    if (sourceEnd == std::string_view::npos)
        return std::nullopt;

    JobRow row;
    row.source = std::string(line.substr(0, sourceEnd));
    std::string rest = TrimBlanks(std::string(line.substr(sourceEnd + 1)));
    if (rest.empty() || rest.front() != kQuote)
        return std::nullopt;
    const auto targetEnd = rest.find(kQuote, 1);
    if (targetEnd == std::string::npos)
        return std::nullopt;
    row.target = rest.substr(1, targetEnd - 1);
    rest = TrimBlanks(rest.substr(targetEnd + 1));

    std::int32_t keepLast = 0;
    if (StartsWithMarker(rest)) {
        try {
            keepLast = modDAZadaro::RoundToInt32(
                modDAZadaro::ReadLeadingNumber(std::string_view(rest).substr(kKeepLastMarker.size())));
        } catch (const RuntimeError&) {
            // A value beyond 32 bits has no meaning as a generation count; the
            // line is dropped like any other one the window cannot show.
            return std::nullopt;
        }
    }
    if (keepLast != 0)
        row.keepLast = std::to_string(keepLast);
    return row;
}

std::vector<JobRow> ParseJobFile(std::istream& input)
{
    std::vector<JobRow> rows;
    modDAZadaro::ConfigLineReader reader(input);
    std::string line;
    while (reader.Next(line)) {
        if (auto row = ParseJobLine(line))
            rows.push_back(std::move(*row));
    }
    return rows;
}

} // namespace ze6
