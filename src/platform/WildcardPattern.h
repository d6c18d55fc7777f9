#pragma once

#include <string>
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
    bool Matches(const std::string& name) const;

private:
    std::vector<char32_t> m_pattern;
    std::size_t m_trailingQuestionMarks = 0; // index where the final run of "?" begins
};

} // namespace ze6
