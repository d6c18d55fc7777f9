#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ze6 {

// A file-name pattern folded once, so a folder of thousands of names is
// matched without folding the pattern again for each of them. "*" is any run
// of characters, "?" any one character, and the "?"s at the very end may also
// match nothing (so "*.RZT?" selects both ".RZT" and ".RZT6"). Letter case is
// ignored; characters are code points, not bytes.
class WildcardPattern final {
public:
    explicit WildcardPattern(const std::string& pattern);
    bool Matches(std::string_view name) const;

private:
    std::vector<char32_t> m_pattern;
    std::string m_asciiPattern; // lower case; empty unless the pattern is all ASCII
    bool m_ascii = false;
    std::size_t m_trailingQuestionMarks = 0; // index where the final run of "?" begins
};

} // namespace ze6
