#include "platform/files/WildcardPattern.h"

#include "platform/files/CaseFolding.h"
#include "platform/files/FileSystem.h"

#include <algorithm>

namespace ze6 {

namespace {

bool IsAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Greedy matching that, on a mismatch, only ever retries the most recent "*"
// one character further on. Every earlier "*" can keep its extent, so the
// cost stays within length(name) * length(pattern) for any pattern.
template <typename Pattern, typename Text, typename Equal>
bool Match(const Pattern& pattern, const Text& text, std::size_t trailingQuestionMarks, Equal equal)
{
    const std::size_t n = text.size();
    const std::size_t m = pattern.size();
    std::size_t t = 0;
    std::size_t p = 0;
    std::size_t starPattern = m;
    std::size_t starText = 0;
    while (t < n) {
        if (p < m && pattern[p] == '*') {
            starPattern = p++;
            starText = t;
        } else if (p < m && (pattern[p] == '?' || equal(pattern[p], text[t]))) {
            ++p;
            ++t;
        } else if (starPattern != m) {
            p = starPattern + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < m && (pattern[p] == '*' || (pattern[p] == '?' && p >= trailingQuestionMarks)))
        ++p;
    return p == m;
}

} // namespace

WildcardPattern::WildcardPattern(const std::string& pattern)
    : m_pattern(FoldToCodePoints(pattern)), m_ascii(IsAscii(pattern))
{
    m_trailingQuestionMarks = m_pattern.size();
    while (m_trailingQuestionMarks > 0 && m_pattern[m_trailingQuestionMarks - 1] == U'?')
        --m_trailingQuestionMarks;
    if (m_ascii) {
        m_asciiPattern = pattern;
        for (char& c : m_asciiPattern)
            c = LowerAscii(c);
    }
}

bool WildcardPattern::Matches(std::string_view name) const
{
    // Most names and patterns are plain ASCII: no decoding, no allocation.
    if (m_ascii && IsAscii(name))
        return Match(m_asciiPattern, name, m_trailingQuestionMarks, [](char p, char c) { return p == LowerAscii(c); });
    return Match(m_pattern, FoldToCodePoints(std::string(name)), m_trailingQuestionMarks,
                 [](char32_t p, char32_t c) { return p == c; });
}

namespace FileSystem {

bool MatchesWildcard(const std::string& name, const std::string& pattern)
{
    return WildcardPattern(pattern).Matches(name);
}

} // namespace FileSystem

} // namespace ze6
