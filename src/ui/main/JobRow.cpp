#include "ui/main/JobRow.h"

namespace ze6 {

std::string TrimBlanks(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string GetCommandLine(const JobRow& row)
{
    return "\"" + TrimBlanks(row.source) + "\" \"" + TrimBlanks(row.target) + "\" KEEPLAST:" + TrimBlanks(row.keepLast);
}

} // namespace ze6
