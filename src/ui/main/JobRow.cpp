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
    // Built from a std::string rather than `"literal" + std::string`, which
    // GCC 12 at -O3 takes for an overlapping copy (-Wrestrict).
    std::string line = "\"";
    line += TrimBlanks(row.source);
    line += "\" \"";
    line += TrimBlanks(row.target);
    line += "\" KEEPLAST:";
    line += TrimBlanks(row.keepLast);
    return line;
}

} // namespace ze6
